#include "idxcore/import/reflow.h"

#include <gtest/gtest.h>

namespace idxcore {
namespace {

using Lines = std::vector<std::string>;

TEST(ReflowTest, JoinsWrappedLines) {
  struct Case {
    const char* name;
    Lines source;
    Lines reflowed;
  } cases[] = {
      {"an empty line opens a paragraph the next lines join with a blank",
       {"", "alfa", "beta", "gama.", "delta"},
       {" alfa beta gama.", "delta"}},
      {"after a full stop a letter line starts a new line",
       {"Primul.", "alfa", "beta.", "gama"},
       {"Primul.", "alfa beta.", "gama"}},
      {"a line beginning with a blank always starts a line and can be continued",
       {" Unu", " Doi", "trei"},
       {" Unu", " Doi trei"}},
      {"a colon ends the sentence", {" Lista:", "a) unu"}, {" Lista:", "a) unu"}},
      {"quotes, parentheses, digits and small Romanian letters continue",
       {" x", "\"citat\"", "(1) y", "2 z", "\xEEn plus", "\xBAi", "\xFE" "ara"},
       {" x \"citat\" (1) y 2 z \xEEn plus \xBAi \xFE" "ara"}},
      {"a capital Romanian letter or a dash starts a line",
       {" x", "\xCEn", "- y", "z"},
       {" x", "\xCEn", "- y", "z"}},
      {"a block is copied line by line; its closing line is an ordinary line",
       {" Tabel", "\x02", "| a | b |", "+---+", "\x01", "dupa"},
       {" Tabel", "\x02", "| a | b |", "+---+", "\x01", "dupa"}},
      {"an unclosed block runs to the end", {"\x02", "x"}, {"\x02", "x"}},
      {"empty lines inside text stay", {" a.", "", ""}, {" a.", "", ""}},
  };
  for (const Case& c : cases) {
    Lines out;
    EXPECT_EQ(Transform(c.source, out, false), c.source.size()) << c.name;
    EXPECT_EQ(out, c.reflowed) << c.name;
  }
}

TEST(ReflowTest, OriginNamesTheFirstSourceLineOfEachLine) {
  Lines out;
  std::vector<size_t> origin;
  Transform({"#A", " alfa", "beta", " gama"}, out, false, &origin);
  EXPECT_EQ(out, (Lines{"#A", " alfa beta", " gama"}));
  EXPECT_EQ(origin, (std::vector<size_t>{1, 2, 4}));
}

TEST(ReflowTest, ConvertsTheOlderEncodingOnly) {
  struct Case {
    const char* name;
    Lines source;
    bool hungarian;
    Lines reflowed;
  } cases[] = {
      {"a Windows-1250 act keeps its capital breve and circumflex A",
       {" HOT\xC3R\xC2RE ROM\xC2NIA \xB3\xBF"}, false,
       {" HOT\xC3R\xC2RE ROM\xC2NIA \xB3\xBF"}},
      {"an old-encoding act is converted on every line",
       {" \xC3\xC2\xB3\xC0\xD9\xBF\xC1\xC5\xC4\xDA", " \xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9"},
       false,
       {" \x97\x97|||\x97\x97\x97\x97\x97", " \xE3\xC3\xEE\xCE\xBA\xAA\xFE\xDE\xE2\xC2"}},
      {"letters the second pass writes are not turned into dashes",
       {" \xF1\xF9\xC3"}, false, {" \xC3\xC2\x97"}},
      {"with the M mark only 0xF8 changes",
       {" \xF0\xC3\xF8\xB3"}, true, {" \xF0\xC3\xE2\xB3"}},
      {"0xF8 alone marks the old encoding", {" \xF8\xC3"}, false, {" \xE2\x97"}},
      {"the bytes next to the old letters do not mark it",
       {" \xEF\xC3", "\xFA\xC2"}, false, {" \xEF\xC3", "\xFA\xC2"}},
  };
  for (const Case& c : cases) {
    Lines out;
    Transform(c.source, out, c.hungarian);
    EXPECT_EQ(out, c.reflowed) << c.name;
  }
}

}  // namespace
}  // namespace idxcore
