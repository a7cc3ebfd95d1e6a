#include "idxcore/session/dump_replay.h"

#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "actsdb/transaction.h"
#include "idxcore/index/file_io.h"
#include "idxcore/index/index_state.h"
#include "idxcore/session/chain_ends.h"

namespace idxcore {

namespace {

constexpr size_t kDumpRecordSize = 17;

enum : uint8_t { kLinked = 0, kNewChain = 1, kRewritten = 2 };

struct DumpRecord {
  uint8_t flag = 0;
  recwrd value{};
  int32_t number = 0;  // IdWord, or the rewritten record's index
};

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw IndexError("cannot open dump file " + path);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw IndexError("cannot read dump file " + path);
  return bytes;
}

std::vector<DumpRecord> ParseWordDump(const std::string& bytes, const std::string& path) {
  if (bytes.size() % kDumpRecordSize != 0) {
    throw IndexError(path + " is damaged: its size is not a multiple of 17 bytes");
  }
  std::vector<DumpRecord> records(bytes.size() / kDumpRecordSize);
  for (size_t i = 0; i < records.size(); ++i) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + i * kDumpRecordSize;
    DumpRecord& r = records[i];
    r.flag = p[0];
    if (r.flag > kRewritten) {
      throw IndexError(path + " is damaged: record " + std::to_string(i) + " has flag " +
                       std::to_string(r.flag));
    }
    r.value.act_id = static_cast<int32_t>(GetLE32(p + 1));
    r.value.count = static_cast<int16_t>(GetLE16(p + 5));
    r.value.reserved[0] = p[7];
    r.value.reserved[1] = p[8];
    r.value.position = static_cast<int32_t>(GetLE32(p + 9));
    r.number = static_cast<int32_t>(GetLE32(p + 13));
  }
  return records;
}

// The appended records' position offsets must follow each other from the
// end of this "poziti.dat", exactly as they did where the dump was made;
// otherwise every one of them would point at someone else's positions.
void CheckPositionOffsets(const std::vector<DumpRecord>& records, int64_t base,
                          size_t dumped_positions, const std::string& directory) {
  int64_t expected = base;
  for (const DumpRecord& r : records) {
    if (r.flag == kRewritten) continue;
    const uint16_t count = static_cast<uint16_t>(r.value.count);
    if (count <= 1) continue;
    if (static_cast<uint32_t>(r.value.position) != expected) {
      throw IndexError("the dump in " + directory + " was made on another index: a record's " +
                       "positions begin at " +
                       std::to_string(static_cast<uint32_t>(r.value.position)) +
                       ", this index expects " + std::to_string(expected));
    }
    expected += 2 * int64_t{count};
  }
  if (expected != base + 2 * static_cast<int64_t>(dumped_positions)) {
    throw IndexError("the dump in " + directory +
                     " is damaged: its records do not own all of its positions");
  }
}

// Applies one record; `ends` holds the chain ends of the words touched so
// far, as they stand after the records before this one.
void ApplyRecord(const DumpRecord& r, const DumpTarget& t,
                 std::map<int64_t, WordChainEnds>& ends) {
  if (r.flag == kRewritten) {
    t.word_file.setvalue(r.number, r.value);
    return;
  }
  auto word = ends.find(r.number);
  if (word == ends.end()) {
    if (!t.words.Locate("IdWord", int64_t{r.number})) {
      throw IndexError("the dump names word " + std::to_string(r.number) +
                       ", which the dictionary does not hold");
    }
    word = ends.emplace(r.number, WordChainEnds{t.words.AsInteger("First"),
                                                t.words.AsInteger("Last")}).first;
  }
  int32_t index;
  if (r.flag == kNewChain) {
    index = t.word_file.addhead(r.value);
    word->second.first = index;
  } else {
    if (!t.word_file.findrec(static_cast<int32_t>(word->second.last))) {
      throw IndexError("the last record of word " + std::to_string(r.number) +
                       " is outside the index");
    }
    index = t.word_file.addlink(r.value);
  }
  word->second.last = index;
}

}  // namespace

int ReplayDump(const std::string& directory, const DumpTarget& t) {
  const std::string word_path = directory + "/word.dmp";
  const std::string position_path = directory + "/poziti.dmp";
  const std::vector<DumpRecord> records = ParseWordDump(ReadWholeFile(word_path), word_path);
  const std::string position_bytes = ReadWholeFile(position_path);
  if (position_bytes.size() % 2 != 0) {
    throw IndexError(position_path + " is damaged: its size is odd");
  }
  std::vector<uint16_t> positions(position_bytes.size() / 2);
  for (size_t i = 0; i < positions.size(); ++i) {
    positions[i] = GetLE16(reinterpret_cast<const unsigned char*>(position_bytes.data()) + 2 * i);
  }
  CheckPositionOffsets(records, t.position_file.size(), positions.size(), directory);

  t.word_file.checkpoint();
  t.position_file.checkpoint();
  try {
    actsdb::Transaction transaction(t.db);
    if (!positions.empty()) t.position_file.append(positions);
    std::map<int64_t, WordChainEnds> ends;
    for (const DumpRecord& r : records) ApplyRecord(r, t, ends);
    WriteChainEnds(t.db, ends);
    WriteIndexFileSizes(t.db, t.word_file.getsize(), t.position_file.size());
    transaction.Commit();
  } catch (...) {
    t.word_file.rollback();
    t.position_file.rollback();
    throw;
  }
  t.word_file.commit();
  t.position_file.commit();
  t.words.SetIndexName("");  // lists the rows again, as now written
  return static_cast<int>(records.size());
}

}  // namespace idxcore
