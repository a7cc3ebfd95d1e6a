#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "testing/shell_quote.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class HitmarkCliTest : public testing::Test {
 protected:
  // Each test has files of its own: ctest runs the tests in parallel.
  std::string dir_ = testing::TempDir() + "hitmark_cli_" +
                     testing::UnitTest::GetInstance()->current_test_info()->name() + "_";

  void TearDown() override {
    for (const std::string& name : written_) std::remove(name.c_str());
  }

  // A file of `size` bytes that takes no room on the disk.
  std::string Sparse(size_t size) {
    const std::string path = dir_ + "sparse.htm";
    std::ofstream(path, std::ios::binary);
    std::filesystem::resize_file(path, size);
    written_.push_back(path);
    return path;
  }

  std::string WriteInput(const std::string& content, const std::string& name = "input.htm") {
    const std::string path = dir_ + name;
    std::ofstream(path, std::ios::binary) << content;
    written_.push_back(path);
    return path;
  }

  // Runs the tool; `input` names what its standard input reads.
  Outcome Run(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
    std::string command = "timeout 60 " HITMARK_CLI;
    for (const std::string& a : args) command += " " + ShellQuote(a);
    command += " <" + ShellQuote(input);
    const std::string out = dir_ + "stdout", err = dir_ + "stderr";
    written_.insert(written_.end(), {out, err});
    command += " >" + out + " 2>" + err;
    Outcome o;
    const int raw = std::system(command.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = ReadFile(out);
    o.err = ReadFile(err);
    return o;
  }

 private:
  std::vector<std::string> written_;
};

std::string Hit(int n, const std::string& bytes) {
  return "<a href=\"#tp+" + std::to_string(n - 1) + "\"> << </a><a name=\"tp+" +
         std::to_string(n) + "\">" + bytes + "</a><a href=\"#tp+" + std::to_string(n + 1) +
         "\"> >> </a>";
}

TEST_F(HitmarkCliTest, FlagsReachTheLibrary) {
  const std::string file = WriteInput("(Lege privind) LEGE  privind<BR>\r\n");
  struct Case {
    std::vector<std::string> flags;
    std::string words;
    std::string out;
    const char* hits;
  };
  const Case cases[] = {
      {{}, "lege privind",
       "(" + Hit(1, "Lege") + " " + Hit(2, "privind") + ") " + Hit(3, "LEGE") + "  " +
           Hit(4, "privind") + "<BR>\r\n",
       "4 hits\n"},
      {{"--match-case"}, "LEGE",
       "(Lege privind) " + Hit(1, "LEGE") + "  privind<BR>\r\n", "1 hit\n"},
      {{"--whole-words"}, "lege",
       "(Lege privind)" + Hit(1, " LEGE") + "  privind<BR>\r\n", "1 hit\n"},
      {{"--phrase"}, "lege privind",
       "(" + Hit(1, "Lege privind") + ") LEGE  privind<BR>\r\n", "1 hit\n"},
      {{"--stem"}, "legea",
       "(" + Hit(1, "Leg") + "e privind) " + Hit(2, "LEG") + "E  privind<BR>\r\n", "2 hits\n"},
      {{}, "absent", "(Lege privind) LEGE  privind<BR>\r\n", "0 hits\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words + (c.flags.empty() ? "" : " " + c.flags[0]));
    std::vector<std::string> args = c.flags;
    args.insert(args.end(), {"--words", c.words, file});
    const Outcome o = Run(args);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, c.out);
    EXPECT_EQ(o.err, c.hits);
  }
}

TEST_F(HitmarkCliTest, KeepsTheFileEncoding) {
  // Windows-1250 file, search typed in UTF-8: "ţării".
  const Outcome cp1250 =
      Run({"--words", "\xC5\xA3\xC4\x83rii", WriteInput("\xFE\xE3rii<BR>", "cp1250.htm")});
  EXPECT_EQ(cp1250.out, Hit(1, "\xFE\xE3rii") + "<BR>");
  // UTF-8 file: matched through the code page, written back as UTF-8.
  const Outcome utf8 =
      Run({"--words", "tarii", WriteInput("\xC5\xA3\xC4\x83rii<BR>", "utf8.htm")});
  EXPECT_EQ(utf8.out, Hit(1, "\xC5\xA3\xC4\x83rii") + "<BR>");
}

// The output is the input with the markup inserted, whatever the code page
// lacks: a byte-order mark, comma-below letters, "≥" stay as they are.
TEST_F(HitmarkCliTest, UnmarkedBytesComeBackAsTheyWere) {
  const std::string bom = "\xEF\xBB\xBF", s_comma = "\xC8\x99", at_least = "\xE2\x89\xA5";
  struct Case {
    const char* what;
    std::string in, words, out;
  };
  const Case cases[] = {
      {"no hit", bom + "Legea " + s_comma + "i art " + at_least + " 2<BR>", "absent",
       bom + "Legea " + s_comma + "i art " + at_least + " 2<BR>"},
      {"hits", bom + "Legea " + s_comma + "i art " + at_least + " 2 lege", "lege",
       bom + Hit(1, "Lege") + "a " + s_comma + "i art " + at_least + " 2 " + Hit(2, "lege")},
      {"hits in a text with a comma-below letter", "Lege " + s_comma + "i " + at_least,
       "lege " + s_comma + "i",
       Hit(1, "Lege") + " " + Hit(2, s_comma + "i") + " " + at_least},
      // Marked before: its markup is text now, and the new markup goes
      // around the hit inside it.
      {"marked before", s_comma + " " + Hit(1, "lege") + " " + at_least, "lege",
       s_comma + " <a href=\"#tp+0\"> << </a><a name=\"tp+1\">" + Hit(1, "lege") +
           "</a><a href=\"#tp+2\"> >> </a> " + at_least},
  };
  for (const Case& c : cases) {
    const Outcome o = Run({"--words", c.words, WriteInput(c.in, "utf8.htm")});
    EXPECT_EQ(o.status, 0) << c.what;
    EXPECT_EQ(o.out, c.out) << c.what;
  }
}

TEST_F(HitmarkCliTest, Errors) {
  const std::string file = WriteInput("lege<BR>");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
    std::string input = "/dev/null";
  };
  const Case cases[] = {
      {{file}, 2, "--words is required"},
      {{"--words", "lege"}, 2, "FILE is required"},
      {{"--words"}, 2, "--words needs the search text"},
      {{"--words", "lege", "--phrase", "--stem", file}, 2, "--stem cannot be used with --phrase"},
      {{"--words", "lege", "--whole", file}, 2, "unknown option --whole"},
      {{"--words", "lege", file, file}, 2, "more than one FILE"},
      {{"--words", "lege", dir_ + "no_such_file"}, 1, "cannot read"},
      {{"--words", "lege", WriteInput(std::string("lege\0lege", 9), "nul.htm")}, 1,
       "NUL byte at offset 4"},
      {{"--words", "lege", WriteInput(std::string((16 << 20) + 1, 'a'), "large.htm")}, 1,
       "larger than 16 MiB"},
      {{"--words", "lege", Sparse(size_t{1} << 30)}, 1, "larger than 16 MiB"},
      {{"--words", "lege", "-"}, 1, "- is larger than 16 MiB", "/dev/zero"},
      {{"--words", "lege", "/dev/zero"}, 1, "/dev/zero is not a regular file"},
      {{"--words", "lege", testing::TempDir()}, 1, "is not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const Outcome o = Run(c.args, c.input);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
  }
}

}  // namespace
