// corvana-search over the real act corpus, imported by the update program
// (pkgrun), before and after the re-indexing program (reorgdb) rewrote the
// index. What the search finds is checked against a scan of the act files
// that shares nothing with the import or the index but the stemming rule.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "actsdb/codepage.h"
#include "actsdb/stemming.h"
#include "testing/corpus_install.h"

namespace {

namespace fs = std::filesystem;

using Keys = std::set<std::string>;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// One act as the scan sees it: each stem with its positions (ordinals of
// the act's words of more than three letters, kept in 16 bits as the index
// keeps them), ascending.
using ActStems = std::map<std::string, std::vector<uint16_t>>;

ActStems ScanAct(const std::string& text) {
  ActStems stems;
  std::string word;
  uint32_t position = 0;
  auto end_word = [&] {
    if (word.size() > 3) {
      stems[actsdb::DictionaryStem(word)].push_back(static_cast<uint16_t>(position++));
    }
    word.clear();
  };
  for (char raw : text) {
    const char c = actsdb::FoldRomanian(raw);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      word += static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    } else {
      end_word();
    }
  }
  end_word();
  for (auto& [stem, at] : stems) std::sort(at.begin(), at.end());
  return stems;
}

// Whether the act holds every stem and, with a window, some occurrence of
// a stem has an occurrence of every stem at most `window` positions before
// it (or at it).
bool Satisfies(const ActStems& act, const std::vector<std::string>& stems, int window) {
  std::vector<const std::vector<uint16_t>*> lists;
  for (const std::string& stem : stems) {
    auto it = act.find(stem);
    if (it == act.end()) return false;
    lists.push_back(&it->second);
  }
  if (window < 0) return true;
  for (const auto* anchor : lists) {
    for (int q : *anchor) {
      const bool all = std::all_of(lists.begin(), lists.end(), [&](const auto* list) {
        auto it = std::lower_bound(list->begin(), list->end(), q - window);
        return it != list->end() && *it <= q;
      });
      if (all) return true;
    }
  }
  return false;
}

// The act key of a file: type, issuer, number, year, republication.
std::string KeyOf(const std::string& text) {
  std::istringstream line0(text.substr(1, text.find_first_of("\r\n") - 1));
  std::string type, issuer, year, number;
  line0 >> type >> issuer >> year >> number;
  return actsdb::UpperCase(type + " " + issuer + " " + number + " " + year + " 0");
}

class CorpusSearchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path c = corpus_install::CorpusDir();
    if (c.empty()) return;
    install_ = new fs::path(fs::path(::testing::TempDir()) / "corvana_corpus_install");
    ASSERT_EQ(corpus_install::ImportCorpus(PKGRUN_BIN, c, *install_), "");

    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(c / "acts")) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    acts_ = new std::map<std::string, ActStems>;
    for (const fs::path& file : files) {
      const std::string text = ReadFile(file);
      (*acts_)[KeyOf(text)] = ScanAct(text);  // a later file of the same key replaces the act
    }
  }

  static void Reorganise() {
    const std::string command =
        ShellQuote(REORGDB_BIN) + " --install-dir " + ShellQuote(*install_) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  static void TearDownTestSuite() {
    if (install_ != nullptr) fs::remove_all(*install_);
    delete install_;
    delete acts_;
    install_ = nullptr;
    acts_ = nullptr;
  }

  void SetUp() override {
    if (install_ == nullptr) GTEST_SKIP() << "no act corpus (CORVANA_CORPUS)";
    ASSERT_NE(acts_, nullptr) << "the corpus could not be imported";
  }

  // The keys of the acts corvana-search prints.
  static Keys Search(const std::string& mode, const std::string& words) {
    const std::string command = ShellQuote(CORVANA_SEARCH_BIN) + " --install-dir " +
                                ShellQuote(*install_) + " --mode " + ShellQuote(mode) + " " +
                                ShellQuote(words) + " 2>/dev/null";
    Keys keys;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return keys;
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << words;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
      const size_t tab = line.find('\t');
      keys.insert(line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1));
    }
    return keys;
  }

  // The keys of the acts the scan finds.
  static Keys Scan(const std::string& utf8_words, int window) {
    std::vector<std::string> stems;
    std::istringstream words(actsdb::Utf8ToCp1250(utf8_words));
    std::string word;
    while (words >> word) {
      for (char& c : word) c = actsdb::FoldRomanian(c);
      stems.push_back(actsdb::UpperCase(actsdb::DictionaryStem(word)));
    }
    Keys keys;
    for (const auto& [key, act] : *acts_) {
      if (Satisfies(act, stems, window)) keys.insert(key);
    }
    return keys;
  }

  static fs::path* install_;
  static std::map<std::string, ActStems>* acts_;
};

fs::path* CorpusSearchTest::install_ = nullptr;
std::map<std::string, ActStems>* CorpusSearchTest::acts_ = nullptr;

TEST_F(CorpusSearchTest, FindsWhatTheTextsHold) {
  const char* word_sets[] = {
      "achiziţiile publice",
      "achizitiile publice",
      "Centrul Teritorial Calcul Electronic",
      "garanţiei bună execuţie",
      "ofertei câştigătoare",
      "câștigătoare ofertei",
      "contestaţie",
      "autoritatea contractantă procedura atribuire",
      "Constituţia României Guvernul",
  };
  for (const char* index : {"as imported", "reorganised"}) {
    if (index[0] == 'r') Reorganise();
    for (const char* words : word_sets) {
      const Keys anywhere = Scan(words, -1);
      EXPECT_FALSE(anywhere.empty()) << words;
      EXPECT_EQ(Search("oriunde in text", words), anywhere) << words << ", " << index;
      EXPECT_EQ(Search("apropiate", words), Scan(words, 20)) << words << ", " << index;
      const int count = static_cast<int>(std::count(words, words + std::strlen(words), ' ')) + 1;
      EXPECT_EQ(Search("expresie", words), Scan(words, count)) << words << ", " << index;
    }
  }
}

// Cases checked by reading the texts.
TEST_F(CorpusSearchTest, HandCheckedPhrases) {
  // The consolidation note of some early acts names its publisher. Two
  // more acts had it in their first file only: a later file of the same
  // key replaced them.
  const Keys publisher = {"OUG GUV 60 2001 0", "OG GUV 20 2002 0", "NOR GUV 1001218 2003 0",
                          "ORD MADI 26 2011 0", "OUG GUV 77 2012 0"};
  EXPECT_EQ(Search("expresie", "Centrul Teritorial de Calcul Electronic"), publisher);
  EXPECT_EQ(Search("expresie", "Electronic Calcul Teritorial Centrul"), publisher);
  // A word typed twice finds the acts in which it occurs, but no act in
  // the proximity modes.
  EXPECT_EQ(Search("oriunde in text", "Teritorial Teritorial"), Scan("Teritorial", -1));
  EXPECT_EQ(Search("apropiate", "Teritorial Teritorial"), Keys{});
}

}  // namespace
