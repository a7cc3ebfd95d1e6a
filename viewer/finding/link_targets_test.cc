#include "viewer/finding/link_targets.h"

#include <gtest/gtest.h>

namespace finding {
namespace {

using Kind = LinkTarget::Kind;

TEST(ClassifyLinkTest, BothFormsAndTheRest) {
  struct Case {
    std::string install_dir;
    std::string target;
    Kind kind;
    std::string reference;
  };
  const std::string plain = "/opt/corvana";
  // A directory whose path holds "lg", dots, "#" and "img".
  const std::string odd = "/home/olga/lg.d/v1.2#img";
  const Case cases[] = {
      {plain, "# lg 1 24 1990", Kind::kAct, "lg 1 24 1990"},
      {plain, "file:///opt/corvana/lglg 1 24 1990.htm", Kind::kAct, "lg 1 24 1990"},
      {plain, "file:///opt/corvana/lgHOT GUV 5 2006 2.htm", Kind::kAct, "HOT GUV 5 2006 2"},
      // A key with dots keeps them; only the final ".htm" ends it.
      {plain, "file:///opt/corvana/lgORD A.N. 5 2006.htm", Kind::kAct, "ORD A.N. 5 2006"},
      {odd, "file:///home/olga/lg.d/v1.2#img/lglg 1 24 1990.htm", Kind::kAct, "lg 1 24 1990"},
      {odd, "# lg 1 24 1990", Kind::kAct, "lg 1 24 1990"},
      // The rewritten form of another directory, or without ".htm", is not
      // rewritten; holding "#" it is not stored either.
      {plain, "file:///srv/corvana/lglg 1 24 1990.htm", Kind::kOther, ""},
      {plain, "file:///opt/corvana/lglg 1 24 1990", Kind::kOther, ""},
      {plain, "chlang", Kind::kLanguage, ""},
      {odd, "chlang", Kind::kLanguage, ""},
      {plain, "chlang2", Kind::kOther, ""},
      {plain, " img poza1 x", Kind::kOther, ""},
      {plain, "# img poza1", Kind::kOther, ""},
      {plain, "#tp+3", Kind::kOther, ""},
      {plain, "#123", Kind::kAct, "23"},
      {plain, "#", Kind::kAct, ""},
      {plain, "http://example.org/", Kind::kOther, ""},
  };
  for (const Case& c : cases) {
    const LinkTarget link = ClassifyLink(c.target, c.install_dir);
    EXPECT_EQ(link.kind, c.kind) << c.target;
    EXPECT_EQ(link.reference, c.reference) << c.target;
  }
}

TEST(OtherLanguageKeyTest, BothWays) {
  EXPECT_EQ(OtherLanguageKey("HOT GUV 5 2006 0", 'R'), "HOT GUV 5 2006 0 M");
  EXPECT_EQ(OtherLanguageKey("HOT GUV 5 2006 0 M", 'M'), "HOT GUV 5 2006 0");
  EXPECT_EQ(OtherLanguageKey("HOT GUV 5 2006 0", 'M'), "HOT GUV 5 2006 0");
  // An act whose language is not set counts as not Romanian.
  EXPECT_EQ(OtherLanguageKey("HOT GUV 5 2006 0 M", ' '), "HOT GUV 5 2006 0");
}

}  // namespace
}  // namespace finding
