#include "idxcore/import/stem_dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace idxcore {
namespace {

std::string StemNumber(int n) { return "S" + std::to_string(n * 7919) + std::string(n % 12, 'X'); }

// Enough stems to grow the table several times; a batch of lookups mixes
// known stems and absent ones; the entries added last go again.
TEST(StemDictionaryTest, FindsWhatWasAddedAcrossGrowthAndTruncation) {
  StemDictionary dictionary;
  constexpr int kStems = 5000;
  for (int n = 0; n < kStems; ++n) {
    ASSERT_EQ(dictionary.Add(StemNumber(n), {n + 1, n, n, n}), n);
  }
  std::vector<std::string> asked;
  for (int n = 0; n < 2 * kStems; n += 3) asked.push_back(StemNumber(n));
  asked.push_back("");
  const std::vector<std::string_view> views(asked.begin(), asked.end());
  const auto expect_found = [&](int known) {
    std::vector<int32_t> found;
    dictionary.FindAll(views, found);
    ASSERT_EQ(found.size(), views.size());
    for (size_t k = 0; k + 1 < views.size(); ++k) {
      const int n = static_cast<int>(3 * k);
      const int32_t expected = n < known ? n : StemDictionary::kAbsent;
      EXPECT_EQ(found[k], expected) << views[k];
      EXPECT_EQ(dictionary.Find(views[k]), expected) << views[k];
      if (n < known) {
        EXPECT_EQ(dictionary.stem(found[k]), views[k]);
      }
    }
    EXPECT_EQ(found.back(), StemDictionary::kAbsent);
  };
  expect_found(kStems);

  dictionary.chain(7).last = 99;
  dictionary.Truncate(kStems / 2);
  expect_found(kStems / 2);
  EXPECT_EQ(dictionary.chain(7).last, 99);
  EXPECT_EQ(dictionary.Add(StemNumber(kStems - 1), {}), kStems / 2);
  EXPECT_THROW(dictionary.Add(std::string(StemDictionary::kMaxStem + 1, 'A'), {}),
               std::invalid_argument);
}

}  // namespace
}  // namespace idxcore
