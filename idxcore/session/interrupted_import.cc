#include "idxcore/session/interrupted_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "actsdb/transaction.h"
#include "idxcore/index/cursor.h"
#include "idxcore/index/index_state.h"
#include "idxcore/index/retirement_log.h"
#include "idxcore/index/word_file.h"
#include "idxcore/session/reorganise.h"

namespace idxcore {

namespace {

namespace fs = std::filesystem;

using WordRecords = diskvec<diskhelem<recwrd>>;

// Cuts `path` back to `size` bytes when it is longer; a missing or shorter
// file is left alone.
void CutBack(const std::string& path, int64_t size) {
  std::error_code ec;
  const uintmax_t now = fs::file_size(path, ec);
  if (ec || size < 0 || now <= static_cast<uintmax_t>(size)) return;
  fs::resize_file(path, static_cast<uintmax_t>(size), ec);
  if (ec) {
    throw IndexError("cannot cut " + path + " back to " + std::to_string(size) + " bytes: " +
                     ec.message());
  }
}

// The end of the chain through record `index` among the first `committed`
// records, its link cut there. With `follow` unset the chain ends at
// `index` itself.
int32_t CommittedEnd(WordRecords& records, int32_t index, int32_t committed, bool follow) {
  diskhelem<recwrd> record;
  if (!records.getelem(index, record)) return index;
  while (follow && record.next > index && record.next < committed) {
    diskhelem<recwrd> next;
    if (!records.getelem(record.next, next)) break;
    index = record.next;
    record = next;
  }
  if (record.next != 0) {
    record.next = 0;
    records.putelem(record, index);
  }
  return index;
}

// An act replaced when the session died: its old records go back to it
// unless the act's commit happened.
void GiveBackRetiredRecords(actsdb::Database& db, const std::string& database_dir,
                            WordRecords& records, int32_t committed) {
  const std::optional<Retirement> retirement = ReadRetirementLog(database_dir);
  if (!retirement) return;
  if (IndexCommits(db) < retirement->commit) {
    for (int32_t index : retirement->records) {
      diskhelem<recwrd> record;
      if (index < 0 || index >= committed || !records.getelem(index, record)) continue;
      if (record.value.act_id != 0) continue;
      record.value.act_id = retirement->act_id;
      records.putelem(record, index);
    }
  }
  RemoveRetirementLog(database_dir);
}

IndexError BeingUpdated(const std::string& database_dir) {
  return IndexError("the word index in " + database_dir +
                    " is being updated by another program; try again when it has finished");
}

// The lock a session holds on its mark: the whole file, for writing.
struct flock MarkLock(short type) {
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return lock;
}

}  // namespace

int RecoverInterruptedImport(actsdb::Database& db, const std::string& database_dir) {
  const std::string word_path = database_dir + "/word.dat";
  const std::optional<IndexSizes> sizes = ReadIndexSizes(db);
  if (sizes) {
    CutBack(word_path, WordRecords::kHeaderSize + 16 * sizes->word_records);
    CutBack(database_dir + "/poziti.dat", sizes->position_bytes);
    if (!sizes->dump_directory.empty()) {
      CutBack(sizes->dump_directory + "/word.dmp", sizes->word_dump_bytes);
      CutBack(sizes->dump_directory + "/poziti.dmp", sizes->position_dump_bytes);
    }
  }
  // A file shorter than its commit was damaged: cutting its chains to fit
  // would make the damage permanent.
  CheckIndexFileSizes(db, database_dir);
  if (!fs::exists(word_path)) return 0;
  WordRecords records(word_path, /*write=*/1);
  const int32_t committed = records.getsize();
  GiveBackRetiredRecords(db, database_dir, records, committed);

  std::vector<std::pair<int64_t, int64_t>> lasts;  // IdWord, Last
  {
    actsdb::PreparedStatement select(db, "SELECT IdWord, Last FROM tblcuv ORDER BY IdWord");
    while (select.Step()) lasts.emplace_back(select.AsInteger(0), select.AsInteger(1));
  }
  actsdb::PreparedStatement update(db, "UPDATE tblcuv SET Last = ? WHERE IdWord = ?");
  actsdb::Transaction transaction(db);
  int repaired = 0;
  for (const auto& [id, last] : lasts) {
    // A Last outside the committed records was never written by a commit.
    if (last < 0 || last >= committed) continue;
    const int32_t stored = static_cast<int32_t>(last);
    diskhelem<recwrd> before;
    const bool linked = records.getelem(stored, before) && before.next != 0;
    const int32_t end = CommittedEnd(records, stored, committed, sizes.has_value());
    if (end != stored) {
      update.BindInteger(1, end);
      update.BindInteger(2, id);
      update.Step();
    }
    if (linked) ++repaired;
  }
  transaction.Commit();
  return repaired;
}

ImportRunMark::ImportRunMark(const std::string& database_dir)
    : path_(database_dir + "/import.run") {
  for (;;) {
    found_ = fs::exists(path_);
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) throw IndexError("cannot create " + path_ + ": " + std::strerror(errno));
    struct flock lock = MarkLock(F_WRLCK);
    if (::fcntl(fd_, F_OFD_SETLK, &lock) != 0) {
      const int error = errno;
      ::close(fd_);
      if (error == EAGAIN || error == EACCES) throw BeingUpdated(database_dir);
      throw IndexError("cannot lock " + path_ + ": " + std::strerror(error));
    }
    // Its former holder may have removed the file between the open and the
    // lock; a lock on a file no longer there would guard nothing.
    struct stat held, named;
    if (::fstat(fd_, &held) == 0 && ::stat(path_.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      return;
    }
    ::close(fd_);
  }
}

ImportRunMark::~ImportRunMark() { ::close(fd_); }  // closing drops the lock

void ImportRunMark::Clear() {
  std::error_code ignored;
  fs::remove(path_, ignored);
}

void RefuseWhileIndexUpdated(const std::string& database_dir) {
  const int fd = ::open((database_dir + "/import.run").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct flock lock = MarkLock(F_RDLCK);
  const bool held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  if (held) throw BeingUpdated(database_dir);
}

bool IndexNeedsRecovery(actsdb::Database& db, const std::string& database_dir) {
  return fs::exists(database_dir + "/import.run") ||
         fs::exists(RetirementLogPath(database_dir)) || IndexSwapPending(db);
}

bool RecoverIndex(actsdb::Database& db, const std::string& database_dir, bool mark_found) {
  FinishIndexSwap(db, database_dir);
  if (!mark_found && !fs::exists(RetirementLogPath(database_dir))) return false;
  RecoverInterruptedImport(db, database_dir);
  return true;
}

void PrepareIndexForSearch(actsdb::Database& db) {
  const std::string& directory = db.directory();
  if (IndexNeedsRecovery(db, directory)) {
    ImportRunMark mark(directory);
    RecoverIndex(db, directory, mark.found());
    mark.Clear();
  }
  CheckIndexFileSizes(db, directory);
  ReopenCursorIfReplaced();
}

}  // namespace idxcore
