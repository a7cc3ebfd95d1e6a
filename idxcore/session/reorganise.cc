#include "idxcore/session/reorganise.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "idxcore/session/chain_ends.h"
#include "idxcore/session/transaction.h"

namespace idxcore {

namespace {

namespace fs = std::filesystem;

constexpr char kFlagTable[] = "tblIndexSwap";

struct IndexPaths {
  explicit IndexPaths(const std::string& dir)
      : words(dir + "/word.dat"),
        positions(dir + "/poziti.dat"),
        new_words(dir + "/word2.dat"),
        new_positions(dir + "/poziti2.dat"),
        directory(dir) {}
  std::string words, positions, new_words, new_positions, directory;
};

// Flushes a file (or a directory, for the renames in it) to the disk.
void SyncPath(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) {
    const std::string reason = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    throw IndexError("cannot flush " + path + ": " + reason);
  }
  ::close(fd);
}

void RemoveIfPresent(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) throw IndexError("cannot remove " + path + ": " + ec.message());
}

void EnsureFlagTable(actsdb::Database& db) {
  db.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kFlagTable + " (Pending BOOLEAN)");
}

void SetSwapPending(actsdb::Database& db, bool pending) {
  EnsureFlagTable(db);
  actsdb::Table flag(db, kFlagTable);
  flag.Open(/*exclusive=*/true);
  if (flag.First()) {
    flag.Edit();
  } else {
    flag.Append();
  }
  flag.SetBoolean("Pending", pending);
  flag.Post();
  flag.Close();
}

int64_t SourceOffset(int32_t position_field) {
  return static_cast<int64_t>(static_cast<uint32_t>(position_field));
}

recwrd Relocated(const recwrd& r, const PositionFile& from, PositionFile& to) {
  const uint16_t count = static_cast<uint16_t>(r.count);
  if (count <= 1) return r;
  const std::vector<uint16_t> positions = from.read(SourceOffset(r.position), count);
  recwrd copy = r;
  copy.position = to.append(positions);
  return copy;
}

}  // namespace

ChainEnds CopyChain(diskhash<recwrd>& source, const PositionFile& source_positions,
                    diskhash<recwrd>& target, PositionFile& target_positions, int32_t first) {
  if (!source.findrec(first)) {
    throw IndexError("chain head " + std::to_string(first) + " lies outside " + source.path());
  }
  ChainEnds ends;
  ends.first = target.addhead(Relocated(source.current().value, source_positions,
                                        target_positions));
  ends.last = ends.first;
  while (source.nextrec()) {
    ends.last = target.addlink(Relocated(source.current().value, source_positions,
                                         target_positions));
  }
  return ends;
}

bool IndexSwapPending(actsdb::Database& db) {
  EnsureFlagTable(db);
  actsdb::Table flag(db, kFlagTable);
  flag.Open();
  const bool pending = flag.First() && flag.AsBoolean("Pending");
  flag.Close();
  return pending;
}

void PutInOrder(actsdb::Database& db, actsdb::Table& words, const std::string& directory) {
  const IndexPaths paths(directory);
  if (IndexSwapPending(db)) {
    throw IndexError("a reorganised index of " + directory + " is still waiting to be put in place");
  }
  // What is there now is the rest of an interrupted run: nothing points
  // into it.
  RemoveIfPresent(paths.new_words);
  RemoveIfPresent(paths.new_positions);

  Transaction transaction(db);
  try {
    {
      diskhash<recwrd> source(paths.words, 0);
      const PositionFile source_positions(paths.positions, PositionFile::Mode::kRead);
      diskhash<recwrd> target(paths.new_words, 1);
      PositionFile target_positions(paths.new_positions, PositionFile::Mode::kAppend);

      std::map<int64_t, WordChainEnds> new_ends;
      words.SetIndexName("index1");
      for (bool on = words.First(); on; on = words.Next()) {
        const ChainEnds ends = CopyChain(source, source_positions, target, target_positions,
                                         static_cast<int32_t>(words.AsInteger("First")));
        new_ends[words.AsInteger("IdWord")] = {ends.first, ends.last};
      }
      WriteChainEnds(db, new_ends);
      words.SetIndexName("index1");  // lists the rows again, as now written
    }
    SyncPath(paths.new_words);
    SyncPath(paths.new_positions);
    SetSwapPending(db, true);
    transaction.Commit();
  } catch (...) {
    std::error_code ignored;
    fs::remove(paths.new_words, ignored);
    fs::remove(paths.new_positions, ignored);
    throw;
  }
}

bool FinishIndexSwap(actsdb::Database& db, const std::string& directory) {
  const IndexPaths paths(directory);
  if (!IndexSwapPending(db)) {
    RemoveIfPresent(paths.new_words);
    RemoveIfPresent(paths.new_positions);
    return false;
  }
  for (const auto& [from, to] : {std::pair{&paths.new_words, &paths.words},
                                 std::pair{&paths.new_positions, &paths.positions}}) {
    if (!fs::exists(*from)) continue;  // renamed before an interruption
    if (std::rename(from->c_str(), to->c_str()) != 0) {
      throw IndexError("cannot rename " + *from + " to " + *to + ": " + std::strerror(errno));
    }
  }
  SyncPath(paths.directory);
  SetSwapPending(db, false);
  return true;
}

}  // namespace idxcore
