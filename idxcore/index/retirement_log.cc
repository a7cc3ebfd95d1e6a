#include "idxcore/index/retirement_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "idxcore/index/file_io.h"
#include "idxcore/index/word_file.h"

namespace idxcore {

namespace {

namespace fs = std::filesystem;

// "CRVU", the commit (8 bytes), the act id and the record count (4 bytes
// each), then the records; little-endian.
constexpr char kMagic[4] = {'C', 'R', 'V', 'U'};
constexpr size_t kHeaderSize = 20;

void PutLE64(unsigned char* p, uint64_t v) {
  PutLE32(p, static_cast<uint32_t>(v));
  PutLE32(p + 4, static_cast<uint32_t>(v >> 32));
}

uint64_t GetLE64(const unsigned char* p) {
  return uint64_t{GetLE32(p)} | uint64_t{GetLE32(p + 4)} << 32;
}

}  // namespace

std::string RetirementLogPath(const std::string& database_dir) {
  return database_dir + "/retire.undo";
}

void WriteRetirementLog(const std::string& database_dir, const Retirement& retirement) {
  std::vector<unsigned char> bytes(kHeaderSize + 4 * retirement.records.size());
  std::memcpy(bytes.data(), kMagic, sizeof kMagic);
  PutLE64(&bytes[4], static_cast<uint64_t>(retirement.commit));
  PutLE32(&bytes[12], static_cast<uint32_t>(retirement.act_id));
  PutLE32(&bytes[16], static_cast<uint32_t>(retirement.records.size()));
  for (size_t i = 0; i < retirement.records.size(); ++i) {
    PutLE32(&bytes[kHeaderSize + 4 * i], static_cast<uint32_t>(retirement.records[i]));
  }
  const std::string path = RetirementLogPath(database_dir);
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw IndexError(temp + ": cannot write the retirement log");
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    std::remove(temp.c_str());
    throw IndexError(path + ": cannot write the retirement log: " + reason);
  }
}

std::optional<Retirement> ReadRetirementLog(const std::string& database_dir) {
  const std::string path = RetirementLogPath(database_dir);
  std::error_code ec;
  if (!fs::exists(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw IndexError(path + ": cannot read the retirement log");
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 ||
      bytes.size() != kHeaderSize + 4 * size_t{GetLE32(&bytes[16])}) {
    throw IndexError(path + ": not a retirement log");
  }
  Retirement retirement;
  retirement.commit = static_cast<int64_t>(GetLE64(&bytes[4]));
  retirement.act_id = static_cast<int32_t>(GetLE32(&bytes[12]));
  retirement.records.resize(GetLE32(&bytes[16]));
  for (size_t i = 0; i < retirement.records.size(); ++i) {
    retirement.records[i] = static_cast<int32_t>(GetLE32(&bytes[kHeaderSize + 4 * i]));
  }
  return retirement;
}

void RemoveRetirementLog(const std::string& database_dir) {
  const std::string path = RetirementLogPath(database_dir);
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) throw IndexError(path + ": cannot remove the retirement log: " + ec.message());
}

}  // namespace idxcore
