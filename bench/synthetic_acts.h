// A deterministic series of synthetic acts in the import format, for
// benchmarks and load tests: headers with distinct keys, chapters,
// articles and numbered paragraphs, references to earlier acts of the
// series, and running text drawn from a fixed vocabulary with a Zipf-like
// word frequency (a few words very common, most rare), Romanian letters
// included. The same index always gives the same bytes.
#ifndef CORVANA_BENCH_SYNTHETIC_ACTS_H_
#define CORVANA_BENCH_SYNTHETIC_ACTS_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvana_bench {

struct SyntheticActOptions {
  uint64_t seed = 1;
  size_t text_bytes = 10 * 1024;  // approximate size of each act
};

// Act number `index` (from 0) of the series; Windows-1250, CR LF lines.
// Its key is "L P <index + 1> <year> 0".
std::string SyntheticAct(size_t index, const SyntheticActOptions& options = {});

// The heading definitions ("adn2.txt") and code table rows (for
// SeedCodeTables) the synthetic acts are written against.
std::string SyntheticHeadingDefinitions();
std::string SyntheticCodeTables();

}  // namespace corvana_bench

#endif  // CORVANA_BENCH_SYNTHETIC_ACTS_H_
