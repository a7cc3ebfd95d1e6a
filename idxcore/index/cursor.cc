// The process-wide cursor behind the C interface of cursor.h.
#include "idxcore/index/cursor.h"

#include <memory>
#include <string>

#include "idxcore/index/word_file.h"

namespace {

std::unique_ptr<idxcore::diskhash<recwrd>> cursor;

}  // namespace

extern "C" {

void _cautstr(const char* directory) {
  if (directory == nullptr) throw idxcore::IndexError("_cautstr: no directory given");
  // Open the new file before letting go of the old cursor: a failure keeps
  // the library's state as it was.
  auto opened = std::make_unique<idxcore::diskhash<recwrd>>(std::string(directory) + "/word.dat", 0);
  cursor = std::move(opened);
}

void _cautstp(void) { cursor.reset(); }

void _findrecbypos(int32_t index) {
  try {
    if (cursor) cursor->findrec(index);
  } catch (...) {
  }
}

uint8_t _findnextrec(void) {
  try {
    return cursor && cursor->nextrec() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

void _getcrt(recwrd* out) {
  if (out == nullptr) return;
  *out = cursor ? cursor->current().value : recwrd{};
}

}  // extern "C"
