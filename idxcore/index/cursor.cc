// The process-wide cursor behind the C interface of cursor.h.
#include "idxcore/index/cursor.h"

#include <filesystem>
#include <memory>
#include <string>

#include "idxcore/index/word_file.h"

namespace {

// Set between _cautstr and _cautstp. `file` is null while "word.dat" does
// not exist.
struct Cursor {
  std::string directory;
  std::unique_ptr<idxcore::diskhash<recwrd>> file;
};
std::unique_ptr<Cursor> cursor;

std::unique_ptr<Cursor> OpenCursor(const std::string& directory) {
  std::error_code ec;
  if (!std::filesystem::is_directory(directory, ec)) {
    throw idxcore::IndexError(directory + ": no such directory holds a word index");
  }
  auto opened = std::make_unique<Cursor>();
  opened->directory = directory;
  const std::string path = directory + "/word.dat";
  if (std::filesystem::exists(path, ec)) {
    opened->file = std::make_unique<idxcore::diskhash<recwrd>>(path, 0);
  }
  return opened;
}

idxcore::diskhash<recwrd>* File() { return cursor ? cursor->file.get() : nullptr; }

}  // namespace

namespace idxcore {

bool ReopenCursorIfReplaced() {
  if (!cursor) return false;
  std::error_code ec;
  const bool replaced = cursor->file ? cursor->file->replaced()
                                     : std::filesystem::exists(cursor->directory + "/word.dat", ec);
  if (!replaced) return false;
  cursor = OpenCursor(cursor->directory);
  return true;
}

}  // namespace idxcore

extern "C" {

void _cautstr(const char* directory) {
  if (directory == nullptr) throw idxcore::IndexError("_cautstr: no directory given");
  // Open the new file before letting go of the old cursor: a failure keeps
  // the library's state as it was.
  cursor = OpenCursor(directory);
}

void _cautstp(void) { cursor.reset(); }

void _findrecbypos(int32_t index) {
  try {
    if (idxcore::diskhash<recwrd>* file = File()) file->findrec(index);
  } catch (...) {
  }
}

uint8_t _findnextrec(void) {
  try {
    idxcore::diskhash<recwrd>* file = File();
    return file != nullptr && file->nextrec() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

void _getcrt(recwrd* out) {
  if (out == nullptr) return;
  const idxcore::diskhash<recwrd>* file = File();
  *out = file != nullptr ? file->current().value : recwrd{};
}

}  // extern "C"
