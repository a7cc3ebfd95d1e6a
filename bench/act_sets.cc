#include "bench/act_sets.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench/synthetic_acts.h"

namespace corvana_bench {

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

const ActSet& CorpusActs() {
  static const ActSet set = [] {
    ActSet s;
    const char* env = std::getenv("CORVANA_CORPUS");
    const fs::path dir = env ? env : CORVANA_CORPUS_DIR;
    if (!fs::is_directory(dir / "acts")) return s;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir / "acts")) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
      s.texts.push_back(ReadFile(f));
      s.bytes += s.texts.back().size();
    }
    s.definitions = ReadFile(dir / "adn2.txt");
    s.codes = ReadFile(dir / "codes.tsv");
    return s;
  }();
  return set;
}

const ActSet& SyntheticActs(size_t count) {
  static const ActSet set = [count] {
    ActSet s;
    const char* env = std::getenv("CORVANA_BENCH_ACTS");
    const size_t n = env ? std::strtoul(env, nullptr, 10) : count;
    for (size_t i = 0; i < n; ++i) {
      s.texts.push_back(SyntheticAct(i));
      s.bytes += s.texts.back().size();
    }
    s.definitions = SyntheticHeadingDefinitions();
    s.codes = SyntheticCodeTables();
    return s;
  }();
  return set;
}

}  // namespace corvana_bench
