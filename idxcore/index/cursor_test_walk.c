/* The viewer's walk of one chain, written in C: it links only if the
 * cursor's exports keep their exact unmangled names and its header stays C. */
#include "idxcore/index/cursor.h"

int32_t CursorTestWalkFromC(int32_t first, int32_t* acts, int32_t capacity) {
  int32_t n = 0;
  _findrecbypos(first);
  do {
    recwrd r;
    _getcrt(&r);
    if (n < capacity) acts[n] = r.act_id;
    ++n;
  } while (_findnextrec());
  return n;
}
