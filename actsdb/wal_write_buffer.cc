#include "actsdb/wal_write_buffer.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace actsdb {

namespace {

constexpr char kVfsName[] = "corvana-wal";

// The log's header (32 bytes at its start) holds the page size at byte 8.
// Each frame is a 24-byte header and a page; the header holds the page
// number, then the database's size in pages after the commit for a
// commit's last frame and 0 for any other, then salts and checksums. All
// numbers are big-endian.
constexpr int kLogHeaderSize = 32;
constexpr int kFrameHeaderSize = 24;
// Gathered bytes are handed on at the latest at this size.
constexpr size_t kMostGathered = size_t{4} << 20;

sqlite3_vfs* Root() {
  static sqlite3_vfs* const root = sqlite3_vfs_find(nullptr);
  return root;
}

// A log file: SQLite's own file, and what was written to it and not yet
// handed on (`gathered`, from `gathered_at`).
struct LogFile {
  sqlite3_file base;  // SQLite calls our methods with this
  sqlite3_file* real;
  std::vector<unsigned char>* gathered;
  sqlite3_int64 gathered_at;
  uint32_t page_size;         // 0 until seen
  sqlite3_int64 commit_end;   // where the commit being written ends, or -1
};

uint32_t BigEndian32(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

LogFile* AsLog(sqlite3_file* file) { return reinterpret_cast<LogFile*>(file); }

// The default layer writes less than 128 KB at a time (no page is
// larger than 64 KB), so gathered bytes go on in pieces of 64 KB.
constexpr size_t kMostPerWrite = size_t{1} << 16;

int HandOn(LogFile* log) {
  const std::vector<unsigned char>& gathered = *log->gathered;
  int rc = SQLITE_OK;
  for (size_t done = 0; done < gathered.size() && rc == SQLITE_OK;) {
    const size_t piece = std::min(kMostPerWrite, gathered.size() - done);
    rc = log->real->pMethods->xWrite(log->real, gathered.data() + done, static_cast<int>(piece),
                                     log->gathered_at + static_cast<sqlite3_int64>(done));
    done += piece;
  }
  log->gathered->clear();
  return rc;
}

int Close(sqlite3_file* file) {
  LogFile* log = AsLog(file);
  const int handed = HandOn(log);
  const int rc = log->real->pMethods ? log->real->pMethods->xClose(log->real) : SQLITE_OK;
  delete log->gathered;
  log->gathered = nullptr;
  return handed != SQLITE_OK ? handed : rc;
}

int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
  LogFile* log = AsLog(file);
  if (const int rc = HandOn(log); rc != SQLITE_OK) return rc;
  return log->real->pMethods->xRead(log->real, buffer, amount, offset);
}

int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  LogFile* log = AsLog(file);
  std::vector<unsigned char>& gathered = *log->gathered;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  if (offset == 0 && amount >= kLogHeaderSize) log->page_size = BigEndian32(bytes + 8);
  if (!gathered.empty() &&
      offset != log->gathered_at + static_cast<sqlite3_int64>(gathered.size())) {
    if (const int rc = HandOn(log); rc != SQLITE_OK) return rc;
  }
  if (gathered.empty()) log->gathered_at = offset;
  gathered.insert(gathered.end(), bytes, bytes + amount);

  if (amount == kFrameHeaderSize && BigEndian32(bytes + 4) != 0) {
    if (log->page_size == 0) {
      // The log was begun by another connection: its header is in the file.
      unsigned char header[kLogHeaderSize];
      const int rc = log->real->pMethods->xRead(log->real, header, kLogHeaderSize, 0);
      if (rc != SQLITE_OK) return rc;
      log->page_size = BigEndian32(header + 8);
    }
    if (log->page_size < 512 || log->page_size > 65536) return SQLITE_IOERR_WRITE;
    log->commit_end = offset + kFrameHeaderSize + log->page_size;
  }
  if (log->commit_end >= 0 && offset + amount >= log->commit_end) {
    log->commit_end = -1;
    return HandOn(log);
  }
  return gathered.size() >= kMostGathered ? HandOn(log) : SQLITE_OK;
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
  LogFile* log = AsLog(file);
  if (const int rc = HandOn(log); rc != SQLITE_OK) return rc;
  return log->real->pMethods->xTruncate(log->real, size);
}

int Sync(sqlite3_file* file, int flags) {
  LogFile* log = AsLog(file);
  if (const int rc = HandOn(log); rc != SQLITE_OK) return rc;
  return log->real->pMethods->xSync(log->real, flags);
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
  LogFile* log = AsLog(file);
  if (const int rc = HandOn(log); rc != SQLITE_OK) return rc;
  return log->real->pMethods->xFileSize(log->real, size);
}

int Lock(sqlite3_file* file, int level) {
  sqlite3_file* real = AsLog(file)->real;
  return real->pMethods->xLock(real, level);
}

int Unlock(sqlite3_file* file, int level) {
  sqlite3_file* real = AsLog(file)->real;
  return real->pMethods->xUnlock(real, level);
}

int CheckReservedLock(sqlite3_file* file, int* reserved) {
  sqlite3_file* real = AsLog(file)->real;
  return real->pMethods->xCheckReservedLock(real, reserved);
}

int FileControl(sqlite3_file* file, int op, void* arg) {
  LogFile* log = AsLog(file);
  if (const int rc = HandOn(log); rc != SQLITE_OK) return rc;
  return log->real->pMethods->xFileControl(log->real, op, arg);
}

int SectorSize(sqlite3_file* file) {
  sqlite3_file* real = AsLog(file)->real;
  return real->pMethods->xSectorSize(real);
}

int DeviceCharacteristics(sqlite3_file* file) {
  sqlite3_file* real = AsLog(file)->real;
  return real->pMethods->xDeviceCharacteristics(real);
}

// A log has no shared memory or mapping of its own (the database file
// has); version 1 of the methods is all it needs.
const sqlite3_io_methods kLogMethods = {
    1,    Close,      Read,          Write,     Truncate, Sync, FileSize, Lock, Unlock,
    CheckReservedLock, FileControl, SectorSize, DeviceCharacteristics,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* out_flags) {
  sqlite3_vfs* root = Root();
  if ((flags & SQLITE_OPEN_WAL) == 0) {
    // Every other file is the default layer's own, in the same place.
    return root->xOpen(root, name, file, flags, out_flags);
  }
  LogFile* log = AsLog(file);
  log->base.pMethods = nullptr;
  log->real = reinterpret_cast<sqlite3_file*>(log + 1);
  log->real->pMethods = nullptr;
  const int rc = root->xOpen(root, name, log->real, flags, out_flags);
  if (rc != SQLITE_OK) {
    // SQLite closes a file that failed to open only through its methods.
    if (log->real->pMethods != nullptr) log->real->pMethods->xClose(log->real);
    return rc;
  }
  log->gathered = new (std::nothrow) std::vector<unsigned char>();
  if (log->gathered == nullptr) {
    log->real->pMethods->xClose(log->real);
    return SQLITE_NOMEM;
  }
  log->gathered_at = 0;
  log->page_size = 0;
  log->commit_end = -1;
  log->base.pMethods = &kLogMethods;
  return SQLITE_OK;
}

// Everything but opening is the default layer's.
int Delete(sqlite3_vfs*, const char* name, int sync_dir) {
  return Root()->xDelete(Root(), name, sync_dir);
}
int Access(sqlite3_vfs*, const char* name, int flags, int* result) {
  return Root()->xAccess(Root(), name, flags, result);
}
int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  return Root()->xFullPathname(Root(), name, size, out);
}
void* DlOpen(sqlite3_vfs*, const char* name) { return Root()->xDlOpen(Root(), name); }
void DlError(sqlite3_vfs*, int size, char* out) { Root()->xDlError(Root(), size, out); }
void (*DlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
  return Root()->xDlSym(Root(), handle, symbol);
}
void DlClose(sqlite3_vfs*, void* handle) { Root()->xDlClose(Root(), handle); }
int Randomness(sqlite3_vfs*, int size, char* out) {
  return Root()->xRandomness(Root(), size, out);
}
int Sleep(sqlite3_vfs*, int microseconds) { return Root()->xSleep(Root(), microseconds); }
int CurrentTime(sqlite3_vfs*, double* now) { return Root()->xCurrentTime(Root(), now); }
int GetLastError(sqlite3_vfs*, int size, char* out) {
  return Root()->xGetLastError(Root(), size, out);
}
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) {
  return Root()->xCurrentTimeInt64(Root(), now);
}

sqlite3_vfs* Register() {
  sqlite3_vfs* root = Root();
  if (root == nullptr || root->iVersion < 2) return nullptr;
  static sqlite3_vfs vfs;
  vfs.iVersion = 2;
  vfs.szOsFile = static_cast<int>(sizeof(LogFile)) + root->szOsFile;
  vfs.mxPathname = root->mxPathname;
  vfs.zName = kVfsName;
  vfs.xOpen = Open;
  vfs.xDelete = Delete;
  vfs.xAccess = Access;
  vfs.xFullPathname = FullPathname;
  vfs.xDlOpen = DlOpen;
  vfs.xDlError = DlError;
  vfs.xDlSym = DlSym;
  vfs.xDlClose = DlClose;
  vfs.xRandomness = Randomness;
  vfs.xSleep = Sleep;
  vfs.xCurrentTime = CurrentTime;
  vfs.xGetLastError = GetLastError;
  vfs.xCurrentTimeInt64 = CurrentTimeInt64;
  return sqlite3_vfs_register(&vfs, /*makeDflt=*/0) == SQLITE_OK ? &vfs : nullptr;
}

}  // namespace

const char* WalWriteBufferVfs() {
  static sqlite3_vfs* const vfs = Register();
  return vfs != nullptr ? vfs->zName : nullptr;
}

}  // namespace actsdb
