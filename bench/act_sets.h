// The act sets the import benchmarks run on, each read or made once per
// process: the corpus's act files and the synthetic series.
#ifndef CORVANA_BENCH_ACT_SETS_H_
#define CORVANA_BENCH_ACT_SETS_H_

#include <cstddef>
#include <string>
#include <vector>

namespace corvana_bench {

struct ActSet {
  std::vector<std::string> texts;  // one act each, as its file holds it
  size_t bytes = 0;                // of all the texts
  std::string definitions;         // the heading definitions ("adn2.txt")
  std::string codes;               // the code table rows
};

// The corpus ($CORVANA_CORPUS, else ../shared/corpus beside the source
// tree), its acts in file-name order; empty when it is not there.
const ActSet& CorpusActs();

// The first `count` acts of the synthetic series, or as many as
// $CORVANA_BENCH_ACTS says.
const ActSet& SyntheticActs(size_t count);

}  // namespace corvana_bench

#endif  // CORVANA_BENCH_ACT_SETS_H_
