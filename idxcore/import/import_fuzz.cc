// libFuzzer target: one act imported end to end on a scratch database,
// header, reflow, headings, references, hypertext, words and index. The
// last byte picks the driver (plain, with modifications, stream-fed), so
// that act files serve as seeds; the rest is the act's text. An act either
// imports or is refused with an exception; anything else (a crash, a
// sanitizer report) is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "idxcore/import/intro.h"
#include "testing/fuzz_database.h"

namespace {

// The scratch database and the engine on it, made again now and then so
// that the acts kept do not slow the runs down.
struct Scratch {
  Scratch() : tables(database.db()), engine(tables.tables()) {
    engine.LoadDefinitions(std::string(CORVANA_SAMPLE_DIR) + "/adn2.txt");
  }
  FuzzDatabase database;
  idxcore::ImportDatabase tables;
  idxcore::TIntro engine;
};

constexpr int kRunsPerScratch = 500;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<Scratch> scratch;
  static int runs = 0;
  if (size == 0) return 0;
  if (!scratch || ++runs % kRunsPerScratch == 0) {
    scratch.reset();
    scratch = std::make_unique<Scratch>();
  }
  const std::string text(reinterpret_cast<const char*>(data), size - 1);
  try {
    switch (data[size - 1] % 3) {
      case 0:
        scratch->engine.Prelpchar(text);
        break;
      case 1:
        scratch->engine.Prelpcharwmod(text);
        break;
      default: {
        std::istringstream in(text);
        scratch->engine.PrelAct(in);
      }
    }
  } catch (const std::exception&) {
    // Refused whole: what a malformed act gets.
  }
  return 0;
}
