#include "actsdb/compress.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace actsdb {
namespace {

const std::string kText = [] {
  std::string s;
  for (int i = 0; i < 2000; ++i) s += "<a name=" + std::to_string(i) + "> </a>Articolul\r\n";
  return s;
}();

TEST(CompressTest, RoundTripAndPrefix) {
  const std::string z = Deflate(kText);
  EXPECT_LT(z.size(), kText.size());
  EXPECT_EQ(Inflate(z, kText.size()), kText);
  EXPECT_EQ(Inflate(z, 10), kText.substr(0, 10));
  EXPECT_EQ(Inflate(Deflate(""), 0), "");
}

TEST(CompressTest, BadStreamsAreClearErrors) {
  const std::string z = Deflate(kText);
  std::string damaged = z;
  damaged[damaged.size() / 2] ^= 0x55;
  damaged[damaged.size() / 2 + 1] ^= 0x55;
  struct Case {
    const char* name;
    std::string stream;
    size_t expected;
    const char* message_part;
  } cases[] = {
      {"damaged", damaged, kText.size(), "zlib"},
      {"cut short", z.substr(0, z.size() / 2), kText.size(), "expected"},
      {"longer than stream", z, kText.size() + 1, "expected"},
      {"not zlib at all", "hello world", 5, "damaged"},
  };
  for (const Case& c : cases) {
    try {
      Inflate(c.stream, c.expected);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message_part), std::string::npos)
          << c.name << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace actsdb
