// Searching an installation whose update was interrupted or is still
// running, or whose index files were damaged: the search finds exactly what
// the last committed update left, or refuses with the reason; it never finds
// fewer or other acts in silence. Each test works on its own copy of a
// sample installation imported by pkgrun.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "idxcore/index/cursor.h"
#include "idxcore/session/session.h"
#include "testing/shell_quote.h"
#include "viewer/finding/text_search.h"
#include "viewer/finding/text_words.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs a shell command; its standard output and error are kept apart.
Result RunCommand(const std::string& command, const fs::path& scratch) {
  const fs::path out = scratch / "stdout.txt", err = scratch / "stderr.txt";
  const int raw = std::system((command + " >" + ShellQuote(out) + " 2>" + ShellQuote(err)).c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
}

// The words searched in every test, each with the acts found in the
// installation as imported.
const char* const kWords[] = {"registrelor", "dispozitii", "prezenta", "autoritatea"};

class DamagedIndexTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    base_ = new fs::path(fs::path(::testing::TempDir()) / "damaged_index_base");
    fs::remove_all(*base_);
    fs::create_directories(*base_);
    const fs::path sample(CORVANA_SAMPLE_DIR);
    fs::copy_file(sample / "adn2.txt", *base_ / "adn2.txt");
    const Result import =
        RunCommand(ShellQuote(PKGRUN_BIN) + " --install-dir " + ShellQuote(*base_) + " --codes " +
                       ShellQuote(sample / "codes.tsv") + " " + ShellQuote(sample / "acts"),
                   ::testing::TempDir());
    ASSERT_EQ(import.status, 0) << import.out << import.err;
    found_ = new std::map<std::string, std::string>;
    for (const char* word : kWords) (*found_)[word] = SearchIn(*base_, word).out;
  }

  static void TearDownTestSuite() {
    fs::remove_all(*base_);
    delete base_;
    delete found_;
  }

  void SetUp() override {
    ASSERT_NE(found_, nullptr);
    ASSERT_EQ(found_->at("registrelor"), "1\n3\n4\n5\n18\n21\n");
    install_ = fs::path(::testing::TempDir()) /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(install_);
    fs::copy(*base_, install_, fs::copy_options::recursive);
  }

  void TearDown() override { fs::remove_all(install_); }

  static Result SearchIn(const fs::path& install, const std::string& word) {
    return RunCommand(ShellQuote(CORVANA_SEARCH_BIN) + " --install-dir " + ShellQuote(install) +
                          " --ids " + ShellQuote(word),
                      install.parent_path());
  }

  // Every word finds what it found in the installation as imported.
  void ExpectCommittedResults() {
    for (const char* word : kWords) {
      const Result r = SearchIn(install_, word);
      EXPECT_EQ(r.out, found_->at(word)) << word << ": " << r.err;
      EXPECT_EQ(r.status, 0) << word << ": " << r.err;
    }
  }

  fs::path Index(const char* file) const { return install_ / "zazi1" / file; }

  idxcore::SessionPlaces Places() const {
    return {install_.string(), (install_ / "zazi1").string()};
  }

  static fs::path* base_;
  static std::map<std::string, std::string>* found_;
  fs::path install_;
};

fs::path* DamagedIndexTest::base_ = nullptr;
std::map<std::string, std::string>* DamagedIndexTest::found_ = nullptr;

// An update dies replacing act 1 by a new version of itself: its old
// records are retired in place, then the first append past the end of
// "word.dat" exceeds the file size limit.
TEST_F(DamagedIndexTest, ReplacementKilledMidwayIsUndoneBeforeTheSearch) {
  const auto replace_until_the_limit = [&] {
    idxcore::StartSession(Places());
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = fs::file_size(Index("word.dat"));
    ::setrlimit(RLIMIT_FSIZE, &limit);
    _prelbuf(ReadFile(std::string(CORVANA_SAMPLE_DIR) + "/acts/01_l_12_2001.txt").c_str());
    std::exit(0);
  };
  EXPECT_EXIT(replace_until_the_limit(), ::testing::KilledBySignal(SIGXFSZ), "");
  ASSERT_TRUE(fs::exists(Index("retire.undo")));

  ExpectCommittedResults();
  EXPECT_FALSE(fs::exists(Index("retire.undo")));
  EXPECT_FALSE(fs::exists(Index("import.run")));
}

// The re-indexing dies after committing the dictionary of its copy, before
// renaming the copy over the index.
TEST_F(DamagedIndexTest, ReorganisationKilledBeforeItsRenamesIsFinishedBeforeTheSearch) {
  EXPECT_EXIT(
      {
        idxcore::StartSession(Places());
        _putinorder();
        ::raise(SIGKILL);
      },
      ::testing::KilledBySignal(SIGKILL), "");
  ASSERT_TRUE(fs::exists(Index("word2.dat")));

  ExpectCommittedResults();
  EXPECT_FALSE(fs::exists(Index("word2.dat")));
}

// While an update runs, a search says so and gives no result; once the
// update has died, the search recovers the index and finds what it held.
TEST_F(DamagedIndexTest, RunningUpdateIsReportedAndGivesNoResult) {
  int started[2], stop[2];
  ASSERT_EQ(::pipe(started), 0);
  ASSERT_EQ(::pipe(stop), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    idxcore::StartSession(Places());
    char c = 1;
    if (::write(started[1], &c, 1) != 1) ::_exit(1);
    while (::read(stop[0], &c, 1) < 0) {
    }
    ::raise(SIGKILL);
  }
  char c;
  ASSERT_EQ(::read(started[0], &c, 1), 1);
  const Result r = SearchIn(install_, "registrelor");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("is being updated"), std::string::npos) << r.err;

  ASSERT_EQ(::write(stop[1], &c, 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  for (int fd : {started[0], started[1], stop[0], stop[1]}) ::close(fd);
  ASSERT_TRUE(fs::exists(Index("import.run")));
  ExpectCommittedResults();
}

// Index files cut short, or missing, are refused with the file, its size
// and the size the last update left; nothing is created in their place.
TEST_F(DamagedIndexTest, DamagedIndexIsRefusedNamingTheFile) {
  const uintmax_t words = fs::file_size(*base_ / "zazi1" / "word.dat");
  const uintmax_t positions = fs::file_size(*base_ / "zazi1" / "poziti.dat");
  struct Damage {
    const char* file;
    uintmax_t size;  // cut to this many bytes
    bool remove;
  };
  const Damage damages[] = {
      {"word.dat", words - 13, false},
      {"word.dat", 30 + (words - 30) / 32 * 16, false},
      {"poziti.dat", positions / 4 * 2, false},
      {"word.dat", 0, true},
  };
  for (const Damage& d : damages) {
    fs::remove_all(install_);
    fs::copy(*base_, install_, fs::copy_options::recursive);
    if (d.remove) {
      fs::remove(Index(d.file));
    } else {
      fs::resize_file(Index(d.file), d.size);
    }
    const std::string expected = Index(d.file).string() + " is damaged: it has " +
                                 std::to_string(d.size) + " bytes where the index holds " +
                                 std::to_string(d.file[0] == 'w' ? words : positions);
    for (const char* word : kWords) {
      const Result r = SearchIn(install_, word);
      EXPECT_EQ(r.status, 2) << d.file << " " << d.size << ", " << word;
      EXPECT_EQ(r.out, "") << d.file << " " << d.size << ", " << word;
      EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
    }
    EXPECT_EQ(fs::exists(Index(d.file)), !d.remove);
  }
}

// The viewer keeps the cursor open for its whole run. When the re-indexing
// program replaced the index meanwhile, the next search reads the new files,
// not the old "word.dat" through the new dictionary.
TEST_F(DamagedIndexTest, CursorKeptOpenFollowsAReplacedIndex) {
  const auto search = [&] {
    auto db = actsdb::Database::Open((install_ / "zazi1" / actsdb::kDatabaseFileName).string());
    finding::TableDictionary dictionary(*db);
    finding::TextSearch search(dictionary, db->directory());
    std::map<std::string, std::string> found;
    for (const char* word : kWords) {
      search.Run({finding::SearchStem(word)}, finding::kModeAnywhere, 21);
      for (int32_t act = 1; act <= 21; ++act) {
        if (search.ActHits(act) == 1) found[word] += std::to_string(act) + "\n";
      }
    }
    return found;
  };
  _cautstr((install_ / "zazi1").c_str());
  EXPECT_EQ(search(), *found_);
  const Result reorganised =
      RunCommand(ShellQuote(REORGDB_BIN) + " --install-dir " + ShellQuote(install_), install_);
  ASSERT_EQ(reorganised.status, 0) << reorganised.err;
  EXPECT_EQ(search(), *found_);
  _cautstp();
}

}  // namespace
