// make_synthetic_acts: writes the first COUNT acts of the synthetic series
// as act files, ready for pkgrun, for benchmarks that need an installation
// of many acts.
//
//   make_synthetic_acts COUNT DIR
//
// writes DIR/acts/000001.txt ... (one act each, in import order),
// DIR/adn2.txt (the heading definitions) and DIR/codes.tsv (the code
// tables). Then, for example:
//   mkdir -p X && cp DIR/adn2.txt X/ &&
//   pkgrun --install-dir X --codes DIR/codes.tsv DIR/acts
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/synthetic_acts.h"

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
  char* end = nullptr;
  const long count = argc == 3 ? std::strtol(argv[1], &end, 10) : 0;
  if (argc != 3 || *end != '\0' || count <= 0) {
    std::cerr << "usage: make_synthetic_acts COUNT DIR\n";
    return 2;
  }
  try {
    const std::filesystem::path dir = argv[2];
    std::filesystem::create_directories(dir / "acts");
    WriteFile(dir / "adn2.txt", corvana_bench::SyntheticHeadingDefinitions());
    WriteFile(dir / "codes.tsv", corvana_bench::SyntheticCodeTables());
    for (long i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "%06ld.txt", i + 1);
      WriteFile(dir / "acts" / name, corvana_bench::SyntheticAct(static_cast<size_t>(i)));
    }
  } catch (const std::exception& e) {
    std::cerr << "make_synthetic_acts: " << e.what() << "\n";
    return 2;
  }
  return 0;
}
