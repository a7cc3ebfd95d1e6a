/* The word-index cursor: the C interface through which the viewer (and any
 * other program that loads idxcore) walks one word's occurrence chain in
 * "word.dat".
 *
 * Order of calls: _cautstr once with the database directory; then, for each
 * word, _findrecbypos(First of the word's dictionary row) and repeatedly
 * _getcrt followed by _findnextrec until it returns 0; _cautstp once at the
 * end. The library holds a single process-wide cursor, not guarded: call
 * these from one thread.
 *
 * The three walking calls never throw: a missing cursor or a record that
 * cannot be read reads as "no record" (zeros, or 0 from _findnextrec), so a
 * damaged index ends a search early instead of taking the caller down.
 * _cautstr and _cautstp report failures as C++ exceptions (IndexError).
 *
 * A walk sees records that another process appended to "word.dat" after
 * _cautstr: the record count is taken from the file itself, and each
 * _findrecbypos starts from what is on disk at that moment. A program that
 * keeps the cursor open across searches checks the index before each one
 * (idxcore/session/interrupted_import.h), which also reopens the cursor
 * when another program replaced "word.dat" meanwhile.
 */
#ifndef CORVANA_IDXCORE_INDEX_CURSOR_H_
#define CORVANA_IDXCORE_INDEX_CURSOR_H_

#include <stdint.h>

#include "idxcore/export.h"
#include "idxcore/index/recwrd.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opens `directory` + "/word.dat" for reading and makes it the cursor,
 * replacing any cursor already open. A directory without "word.dat" (an
 * index nothing was written to yet) reads as an index without records; the
 * file is not created: a reader never creates or changes index files.
 * Throws IndexError when the directory is missing or the file cannot be
 * opened. */
IDXCORE_EXPORT void _cautstr(const char* directory);

/* Closes the cursor's file; afterwards the library holds no cursor. */
IDXCORE_EXPORT void _cautstp(void);

/* Makes record `index` current. When it cannot be read (negative index,
 * beyond the end of the file) there is no current record: _getcrt gives
 * zeros and _findnextrec 0, so nothing of the previous word's chain is
 * counted for this one. Without a cursor it does nothing. */
IDXCORE_EXPORT void _findrecbypos(int32_t index);

/* Moves to the next record of the current chain: 1 when it moved, 0 at the
 * end of the chain, when the next record cannot be read, when the link does
 * not point forward (only damage makes one; following it could loop
 * forever), or when there is no cursor. */
IDXCORE_EXPORT uint8_t _findnextrec(void);

/* Copies the current record to `out`; with no cursor, act id, count and
 * position (and the reserved bytes) are 0. */
IDXCORE_EXPORT void _getcrt(recwrd* out);

#ifdef __cplusplus
}  /* extern "C" */

namespace idxcore {

/* When the cursor is open and its directory's "word.dat" is no longer the
 * file it reads (another program replaced, removed or created it since),
 * reopens it as _cautstr does and returns true. Throws IndexError as
 * _cautstr does. */
bool ReopenCursorIfReplaced();

}  // namespace idxcore
#endif

#endif  /* CORVANA_IDXCORE_INDEX_CURSOR_H_ */
