// libFuzzer target: modification lines, act-level and part-level, parsed
// and applied to a scratch database holding the sample acts: the input is
// the text of a modification file, read as act-level lines and then as
// part-level lines. A malformed line is reported and skipped; anything escaping the
// processing, a crash or a sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "idxcore/import/intro.h"
#include "idxcore/session/modifications.h"
#include "testing/fuzz_database.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The sample acts imported, and the tables the processing writes. Made
// again now and then, as the links pile up.
struct Scratch {
  Scratch() {
    {
      idxcore::ImportDatabase import(database.db());
      idxcore::TIntro engine(import.tables());
      engine.LoadDefinitions(std::string(CORVANA_SAMPLE_DIR) + "/adn2.txt");
      for (const auto& entry :
           std::filesystem::directory_iterator(std::string(CORVANA_SAMPLE_DIR) + "/acts")) {
        const std::string name = entry.path().filename().string();
        if (name == "modif.txt" || name == "modart.txt") continue;
        engine.Prelpchar(ReadFile(entry.path()));
      }
    }
    for (actsdb::Table* table : {&acts, &parts, &types, &links, &queue}) table->Open(true);
  }
  idxcore::ModificationTables tables() { return {database.db(), acts, parts, types, links, queue}; }

  FuzzDatabase database;
  actsdb::Table acts{database.db(), "tblActe"}, parts{database.db(), "tblParti"},
      types{database.db(), "tbltipmod"}, links{database.db(), "tblModif"},
      queue{database.db(), "tblmodtxt"};
};

constexpr int kRunsPerScratch = 1000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<Scratch> scratch;
  static int runs = 0;
  if (!scratch || ++runs % kRunsPerScratch == 0) {
    scratch.reset();
    scratch = std::make_unique<Scratch>();
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const idxcore::ReportFn ignore = [](const std::string&) {};
  idxcore::ProcessActModifications(scratch->tables(), text, ignore);
  idxcore::ProcessPartModifications(scratch->tables(), text, ignore);
  // Pending rows would be tried again by every later run, each slower.
  scratch->queue.Empty();
  return 0;
}
