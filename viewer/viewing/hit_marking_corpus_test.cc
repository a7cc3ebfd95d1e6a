// Hit marking on the pages of the real act corpus, imported by the update
// program (pkgrun), for the acts the text search (corvana-search) finds in
// each of its modes. The marked text is checked against a scan of the page
// that shares nothing with the marking but the stemming of the words typed.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/installation.h"
#include "actsdb/store.h"
#include "testing/corpus_install.h"
#include "viewer/finding/text_words.h"
#include "viewer/viewing/act_source.h"
#include "viewer/viewing/hit_marking.h"

namespace viewing {
namespace {

namespace fs = std::filesystem;

std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

bool IsLetter(char c) {
  const char f = actsdb::FoldRomanian(c);
  return (f >= 'A' && f <= 'Z') || (f >= 'a' && f <= 'z');
}

std::string FoldedUpper(std::string_view word) {
  std::string out;
  for (char c : word) {
    const char f = actsdb::FoldRomanian(c);
    out += f >= 'a' && f <= 'z' ? static_cast<char>(f - 'a' + 'A') : f;
  }
  return out;
}

// The page text as a reader sees it marked: each word outside the tags that
// begins with a stem and has a word beginning with each stem less than 200
// bytes from its start, wrapped in its numbered anchor and links.
std::string ScanAndMark(const std::string& text, const std::vector<std::string>& stems) {
  struct Word {
    size_t begin, end;
  };
  std::vector<Word> words;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '<' && i + 1 < text.size() &&
        (std::isalnum(static_cast<unsigned char>(text[i + 1])) || text[i + 1] == '/')) {
      i = text.find('>', i) + 1;
    } else if (IsLetter(text[i])) {
      const size_t begin = i;
      while (i < text.size() && IsLetter(text[i])) ++i;
      words.push_back({begin, i});
    } else {
      ++i;
    }
  }
  // Where each stem begins a word.
  std::vector<std::vector<size_t>> starts(stems.size());
  for (const Word& w : words) {
    const std::string upper = FoldedUpper(std::string_view(text).substr(w.begin, w.end - w.begin));
    for (size_t s = 0; s < stems.size(); ++s) {
      if (upper.starts_with(FoldedUpper(stems[s]))) starts[s].push_back(w.begin);
    }
  }
  auto near = [&](size_t at) {
    for (const std::vector<size_t>& list : starts) {
      bool found = false;
      for (size_t q : list) found = found || (q > at ? q - at : at - q) < 200;
      if (!found) return false;
    }
    return true;
  };
  std::string marked;
  size_t copied = 0;
  int n = 0;
  for (const Word& w : words) {
    bool starts_with_stem = false;
    for (const std::vector<size_t>& list : starts) {
      for (size_t q : list) starts_with_stem = starts_with_stem || q == w.begin;
    }
    if (!starts_with_stem || !near(w.begin)) continue;
    ++n;
    marked += text.substr(copied, w.begin - copied);
    marked += "<a href=\"#tp+" + std::to_string(n - 1) + "\"> << </a><a name=\"tp+" +
              std::to_string(n) + "\">" + text.substr(w.begin, w.end - w.begin) +
              "</a><a href=\"#tp+" + std::to_string(n + 1) + "\"> >> </a>";
    copied = w.end;
  }
  return marked + text.substr(copied);
}

class HitMarkingCorpusTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path corpus = corpus_install::CorpusDir();
    if (corpus.empty()) return;
    install_ = new fs::path(fs::path(::testing::TempDir()) / "corvana_hit_marking_install");
    ASSERT_EQ(corpus_install::ImportCorpus(PKGRUN_BIN, corpus, *install_), "");
  }

  static void TearDownTestSuite() {
    if (install_ != nullptr) fs::remove_all(*install_);
    delete install_;
    install_ = nullptr;
  }

  void SetUp() override {
    if (install_ == nullptr) GTEST_SKIP() << "no act corpus (CORVANA_CORPUS)";
  }

  // The IdActs corvana-search finds.
  static std::vector<int64_t> Search(const std::string& mode, const std::string& words) {
    std::istringstream ids(Output(ShellQuote(CORVANA_SEARCH_BIN) + " --install-dir " +
                                  ShellQuote(*install_) + " --ids --mode " + ShellQuote(mode) +
                                  " " + ShellQuote(words) + " 2>/dev/null"));
    std::vector<int64_t> found;
    for (int64_t id; ids >> id;) found.push_back(id);
    return found;
  }

  static fs::path* install_;
};

fs::path* HitMarkingCorpusTest::install_ = nullptr;

TEST_F(HitMarkingCorpusTest, MarksWhatAScanOfThePageFinds) {
  const std::string typed = "contractului achizi\xFEie public\xE3";
  std::vector<std::string> stems;
  for (const std::string& word : finding::SplitTextWords(typed)) {
    stems.push_back(finding::SearchStem(word));
  }
  auto db = actsdb::Database::Open(actsdb::DatabasePath(*install_));
  actsdb::Table acts(*db, "tblActe");
  acts.Open();
  for (const char* mode : {"oriunde in text", "apropiate", "expresie"}) {
    const std::vector<int64_t> found = Search(mode, actsdb::Cp1250ToUtf8(typed));
    ASSERT_FALSE(found.empty()) << mode;
    int hits = 0;
    for (int64_t id : found) {
      ASSERT_TRUE(acts.Locate("IdAct", id));
      const ActPage plain = ProduceActPage(ReadActPageRow(acts), install_->string());
      ActPage page = plain;
      const int marked = MarkActPage(page, stems);
      hits += marked;
      // Words next to each other are near each other on the page too.
      if (std::string_view(mode) == "expresie") {
        EXPECT_GT(marked, 0) << "act " << id;
      }
      const std::string text = plain.html.substr(plain.text_begin, plain.text_end - plain.text_begin);
      ASSERT_EQ(page.html.substr(page.text_begin, page.text_end - page.text_begin),
                ScanAndMark(text, stems))
          << mode << ", act " << id;
      EXPECT_EQ(page.html.substr(0, page.text_begin), plain.html.substr(0, plain.text_begin));
      EXPECT_EQ(page.html.substr(page.text_end), plain.html.substr(plain.text_end));
    }
    EXPECT_GT(hits, 0) << mode;
  }
}

}  // namespace
}  // namespace viewing
