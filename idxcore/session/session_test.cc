#include "idxcore/session/session.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "actsdb/database_test_fixture.h"
#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "idxcore/import/text_parsing.h"
#include "idxcore/index/index_state.h"
#include "idxcore/index/position_file.h"
#include "idxcore/index/retirement_log.h"
#include "idxcore/index/test_util.h"
#include "idxcore/session/reorganise.h"
#include "idxcore/index/word_file.h"

namespace idxcore {
namespace {

namespace fs = std::filesystem;

// The sample installation's sources in the repository.
std::string SampleDir() { return CORVANA_SAMPLE_DIR; }

std::string SampleAct(const std::string& name) {
  return ReadBytes(SampleDir() + "/acts/" + name);
}

// The IdAct of every act a dictionary word's chain names (retired records,
// act 0, left out), read through the cursor exports as the viewer does.
std::set<int32_t> SearchActs(actsdb::Database& db, const std::string& database_dir,
                             const std::string& word) {
  actsdb::Table dictionary(db, "tblcuv");
  dictionary.Open();
  std::set<int32_t> acts;
  if (!dictionary.Locate("Word", word)) return acts;
  _cautstr(database_dir.c_str());
  acts = ChainActs(static_cast<int32_t>(dictionary.AsInteger("First")));
  _cautstp();
  return acts;
}

// Each dictionary row's First and Last, by IdWord.
std::map<int64_t, std::pair<int64_t, int64_t>> ChainEndsByWord(actsdb::Database& db) {
  actsdb::Table dictionary(db, "tblcuv");
  dictionary.Open();
  std::map<int64_t, std::pair<int64_t, int64_t>> ends;
  for (bool on = dictionary.First(); on; on = dictionary.Next()) {
    ends[dictionary.AsInteger("IdWord")] = {dictionary.AsInteger("First"),
                                            dictionary.AsInteger("Last")};
  }
  return ends;
}

// An installation made from the sample's heading definitions and codes.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    places_ = MakeInstallation("install");
  }
  void TearDown() override { _frmstp(); }

  SessionPlaces MakeInstallation(const std::string& name) {
    SessionPlaces places{dir_.file(name), dir_.file(name) + "/" + actsdb::kDatabaseDirName};
    fs::create_directories(places.install_dir);
    fs::copy_file(SampleDir() + "/adn2.txt", places.install_dir + "/adn2.txt");
    fs::create_directories(places.database_dir);
    auto db = actsdb::NewDatabaseWithSchema(places.database_dir);
    actsdb::SeedCodeTables(*db, SampleDir() + "/codes.tsv");
    return places;
  }

  std::string DatabaseFile(const SessionPlaces& places) {
    return places.database_dir + "/" + actsdb::kDatabaseFileName;
  }

  TempDir dir_;
  SessionPlaces places_;
};

TEST_F(SessionTest, ReplayedDumpReproducesTheIndex) {
  StartSession(places_);
  _prelbuf(SampleAct("01_l_12_2001.txt").c_str());
  _frmstp();
  // The replaying installation: a copy of the index as it was when the
  // dumping began.
  const std::string copy = dir_.file("copy");
  fs::create_directories(copy);
  for (const char* file : {"word.dat", "poziti.dat"}) {
    fs::copy_file(places_.database_dir + "/" + file, copy + "/" + file);
  }
  std::map<int64_t, std::pair<int64_t, int64_t>> ends_before;
  {
    auto db = actsdb::Database::Open(DatabaseFile(places_));
    ends_before = ChainEndsByWord(*db);
  }

  const std::string dump = dir_.file("dump");
  fs::create_directories(dump);
  StartSession(places_);
  _setdump(dump.c_str());
  for (const char* act : {"03_oug_5_2002.txt", "21_l_12_2001_rep1.txt", "04_l_30_2002.txt",
                          "01_l_12_2001.txt"}) {  // the last one replaces itself
    _prelbuf(SampleAct(act).c_str());
  }
  _frmstp();
  EXPECT_GT(fs::file_size(dump + "/word.dmp"), 0u);
  EXPECT_EQ(fs::file_size(dump + "/word.dmp") % 17, 0u);

  // Its dictionary holds every word the dump names (the tables travel
  // with the update); First and Last are as they were before the dump.
  fs::copy_file(DatabaseFile(places_), copy + "/" + actsdb::kDatabaseFileName);
  std::map<int64_t, std::pair<int64_t, int64_t>> ends_after;
  {
    auto db = actsdb::Database::Open(copy + "/" + actsdb::kDatabaseFileName);
    ends_after = ChainEndsByWord(*db);
    actsdb::Table dictionary(*db, "tblcuv");
    dictionary.Open(true);
    for (bool on = dictionary.First(); on; on = dictionary.Next()) {
      const auto before = ends_before.find(dictionary.AsInteger("IdWord"));
      dictionary.Edit();
      dictionary.SetInteger("First", before == ends_before.end() ? -1 : before->second.first);
      dictionary.SetInteger("Last", before == ends_before.end() ? -1 : before->second.second);
      dictionary.Post();
    }
  }

  StartSession({places_.install_dir, copy});
  _processdump(dump.c_str());
  EXPECT_THROW(_prelbuf(SampleAct("20_hg_400_2008.txt").c_str()), std::logic_error);
  _frmstp();
  for (const char* file : {"word.dat", "poziti.dat"}) {
    EXPECT_EQ(ReadBytes(copy + "/" + file), ReadBytes(places_.database_dir + "/" + file))
        << file;
  }
  auto db = actsdb::Database::Open(copy + "/" + actsdb::kDatabaseFileName);
  EXPECT_EQ(ChainEndsByWord(*db), ends_after);
}

TEST_F(SessionTest, ModificationListIsSavedInTheInstallationAfterEachAct) {
  StartSession(places_);
  _prelbufwmod(SampleAct("01_l_12_2001.txt").c_str());
  const std::vector<std::string> first =
      SplitLines(ReadBytes(places_.install_dir + "/modif.txt"));
  EXPECT_EQ(first, (std::vector<std::string>{"M L PARL 2001 12 0##OUG GUV 2002 5 0",
                                             "C L PARL 2001 12 0##L PARL 2008 5 0"}));
  _prelbufwmod(SampleAct("06_og_8_2003.txt").c_str());
  const std::string saved = ReadBytes(places_.install_dir + "/modif.txt");
  EXPECT_EQ(SplitLines(saved).size(), 4u);
  EXPECT_EQ(saved.substr(0, saved.find("\r\n") + 2), first[0] + "\r\n");

  // The saved lines are what the act-level processing reads.
  _prelbuf(SampleAct("03_oug_5_2002.txt").c_str());
  std::vector<std::string> reports;
  SetSessionReport([&reports](const std::string& m) { reports.push_back(m); });
  _prelmod(saved.c_str());
  SetSessionReport(nullptr);
  EXPECT_TRUE(reports.empty());
  actsdb::Table busy(SessionDatabase(), "tblModif");
  EXPECT_THROW(busy.Open(), actsdb::StoreError);  // the session holds it
  _frmstp();
  auto db = actsdb::Database::Open(DatabaseFile(places_));
  actsdb::Table links(*db, "tblModif");
  actsdb::Table queue(*db, "tblmodtxt");
  links.Open();
  queue.Open();
  EXPECT_EQ(links.RecordCount(), 1);  // only the ordinance of 2002 is there
  EXPECT_EQ(queue.RecordCount(), 4);
}

TEST_F(SessionTest, ReorganisedIndexAnswersTheSameSearches) {
  StartSession(places_);
  for (const auto& entry : fs::directory_iterator(SampleDir() + "/acts")) {
    const std::string name = entry.path().filename().string();
    if (name == "modif.txt" || name == "modart.txt") continue;
    _prelbuf(ReadBytes(entry.path().string()).c_str());
  }
  _frmstp();
  // Every word of the dictionary is searched, before and after.
  std::vector<std::string> words;
  std::vector<std::set<int32_t>> before;
  {
    auto db = actsdb::Database::Open(DatabaseFile(places_));
    actsdb::Table dictionary(*db, "tblcuv");
    dictionary.Open();
    for (bool on = dictionary.First(); on; on = dictionary.Next()) {
      words.push_back(dictionary.AsString("Word"));
    }
    dictionary.Close();
    for (const std::string& w : words) before.push_back(SearchActs(*db, places_.database_dir, w));
  }
  ASSERT_GT(words.size(), 100u);

  StartSession(places_);
  _putinorder();
  EXPECT_THROW(_prelbuf(SampleAct("01_l_12_2001.txt").c_str()), std::logic_error);
  _frmstp();
  EXPECT_FALSE(fs::exists(places_.database_dir + "/word2.dat"));

  auto db = actsdb::Database::Open(DatabaseFile(places_));
  actsdb::Table dictionary(*db, "tblcuv");
  dictionary.Open();
  dictionary.SetIndexName("index1");
  int32_t expected_first = 0;
  for (bool on = dictionary.First(); on; on = dictionary.Next()) {
    EXPECT_EQ(dictionary.AsInteger("First"), expected_first) << dictionary.AsString("Word");
    expected_first = static_cast<int32_t>(dictionary.AsInteger("Last")) + 1;
  }
  for (size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(SearchActs(*db, places_.database_dir, words[i]), before[i]) << words[i];
  }
}

TEST_F(SessionTest, SessionStartFinishesASwapLeftByACrash) {
  StartSession(places_);
  _prelbuf(SampleAct("01_l_12_2001.txt").c_str());
  _prelbuf(SampleAct("03_oug_5_2002.txt").c_str());
  _frmstp();
  std::set<int32_t> before;
  {
    // A re-indexing run that committed its copy and died before renaming.
    auto db = actsdb::Database::Open(DatabaseFile(places_));
    before = SearchActs(*db, places_.database_dir, "REGISTR");
    actsdb::Table dictionary(*db, "tblcuv");
    dictionary.Open(true);
    PutInOrder(*db, dictionary, places_.database_dir);
  }
  ASSERT_TRUE(fs::exists(places_.database_dir + "/word2.dat"));
  EXPECT_EQ(before.size(), 2u);

  StartSession(places_);
  EXPECT_FALSE(fs::exists(places_.database_dir + "/word2.dat"));
  _prelbuf(SampleAct("04_l_30_2002.txt").c_str());  // appends to the new files
  _frmstp();
  auto db = actsdb::Database::Open(DatabaseFile(places_));
  EXPECT_FALSE(IndexSwapPending(*db));
  std::set<int32_t> after = SearchActs(*db, places_.database_dir, "REGISTR");
  for (int32_t act : before) EXPECT_EQ(after.count(act), 1u) << act;
}

TEST_F(SessionTest, ExportsNeedAnOpenSession) {
  EXPECT_THROW(_prelbuf("x"), std::logic_error);
  EXPECT_THROW(_putinorder(), std::logic_error);
  StartSession(places_);
  EXPECT_THROW(StartSession(places_), std::logic_error);
}

}  // namespace
}  // namespace idxcore

namespace idxcore {
namespace {

TEST_F(SessionTest, ChainsLeftLinkedByAnInterruptedImportAreCutAtTheNextStart) {
  // With the index files' committed sizes stored, and without them (an
  // index written before they were kept): the orphan is cut off the file,
  // or at least off its chain.
  for (const bool sizes_stored : {true, false}) {
    SCOPED_TRACE(sizes_stored ? "sizes stored" : "no sizes stored");
    places_ = MakeInstallation(sizes_stored ? "stored" : "older");
    StartSession(places_);
    _prelbuf(SampleAct("01_l_12_2001.txt").c_str());
    _frmstp();
    const std::string mark = places_.database_dir + "/import.run";
    EXPECT_FALSE(fs::exists(mark)) << "a session that ended leaves no mark";
    const std::string word_file = places_.database_dir + "/word.dat";
    const uintmax_t committed_size = fs::file_size(word_file);

    // What a crash in the middle of the next act leaves: its record
    // appended and linked from the chain's last record, its rows rolled
    // back, the mark.
    int64_t last = 0;
    {
      auto db = actsdb::Database::Open(DatabaseFile(places_));
      if (!sizes_stored) db->Execute("UPDATE tblIndexState SET WordRecords = NULL");
      actsdb::Table dictionary(*db, "tblcuv");
      dictionary.Open();
      ASSERT_TRUE(dictionary.Locate("Word", "PARLAMENT"));
      last = dictionary.AsInteger("Last");
    }
    {
      diskhash<recwrd> words(word_file, 1);
      ASSERT_TRUE(words.findrec(static_cast<int32_t>(last)));
      recwrd orphan{};
      orphan.act_id = 2;
      orphan.count = 1;
      words.addlink(orphan);
    }
    std::ofstream(mark).put('\n');
    {
      auto db = actsdb::Database::Open(DatabaseFile(places_));
      ASSERT_EQ(SearchActs(*db, places_.database_dir, "PARLAMENT"), (std::set<int32_t>{1, 2}));
    }

    StartSession(places_);
    _frmstp();
    auto db = actsdb::Database::Open(DatabaseFile(places_));
    EXPECT_EQ(SearchActs(*db, places_.database_dir, "PARLAMENT"), (std::set<int32_t>{1}));
    EXPECT_FALSE(fs::exists(mark));
    if (sizes_stored) {
      EXPECT_EQ(fs::file_size(word_file), committed_size);
    } else {
      EXPECT_GT(fs::file_size(word_file), committed_size);
    }
  }
}

// The last record of every chain, walked from its first.
int32_t ChainEnd(diskhash<recwrd>& words, int64_t first) {
  if (!words.findrec(static_cast<int32_t>(first))) return -1;
  while (words.nextrec()) {
  }
  return words.current_index();
}

TEST_F(SessionTest, ReorganisingAfterImportsInTheSameSessionKeepsTheChainEnds) {
  // The engine's chain ends of this session's acts are written before the
  // reorganisation sets new ones, never after.
  StartSession(places_);
  for (const char* act : {"01_l_12_2001.txt", "03_oug_5_2002.txt", "04_l_30_2002.txt"}) {
    _prelbuf(SampleAct(act).c_str());
  }
  _putinorder();
  _frmstp();
  auto db = actsdb::Database::Open(DatabaseFile(places_));
  actsdb::Table dictionary(*db, "tblcuv");
  dictionary.Open();
  diskhash<recwrd> words(places_.database_dir + "/word.dat", 0);
  for (bool on = dictionary.First(); on; on = dictionary.Next()) {
    EXPECT_EQ(dictionary.AsInteger("Last"), ChainEnd(words, dictionary.AsInteger("First")))
        << dictionary.AsString("Word");
  }
  EXPECT_EQ(SearchActs(*db, places_.database_dir, "REGISTR"), (std::set<int32_t>{1, 2, 3}));
}

TEST_F(SessionTest, SessionKilledWithTheDictionaryBehindKeepsEveryCommittedAct) {
  // The session dies with three acts committed and tblcuv's Last not yet
  // written for any word they share.
  EXPECT_EXIT(
      {
        StartSession(places_);
        for (const char* act : {"01_l_12_2001.txt", "03_oug_5_2002.txt", "04_l_30_2002.txt"}) {
          _prelbuf(SampleAct(act).c_str());
        }
        std::raise(SIGKILL);
      },
      ::testing::KilledBySignal(SIGKILL), "");
  const std::string word_file = places_.database_dir + "/word.dat";
  const std::string position_file = places_.database_dir + "/poziti.dat";
  const uintmax_t committed_words = fs::file_size(word_file);
  const uintmax_t committed_positions = fs::file_size(position_file);

  std::map<std::string, std::set<int32_t>> found;  // by word, as committed
  std::map<std::string, int64_t> ids;
  {
    auto db = actsdb::Database::Open(DatabaseFile(places_));
    actsdb::Table dictionary(*db, "tblcuv");
    dictionary.Open();
    diskhash<recwrd> words(word_file, 0);
    int behind = 0;
    for (bool on = dictionary.First(); on; on = dictionary.Next()) {
      const std::string word = dictionary.AsString("Word");
      ids[word] = dictionary.AsInteger("IdWord");
      if (ChainEnd(words, dictionary.AsInteger("First")) != dictionary.AsInteger("Last")) {
        ++behind;
      }
    }
    ASSERT_GT(behind, 10);
    for (const auto& [word, id] : ids) found[word] = SearchActs(*db, places_.database_dir, word);
  }
  ASSERT_EQ(found.at("REGISTR"), (std::set<int32_t>{1, 2, 3}));

  // And an act was being written: its records linked after every chain's
  // end, its positions appended; its rows never committed.
  {
    diskhash<recwrd> words(word_file, 1);
    std::vector<diskhash<recwrd>::ChainAppend> orphans;
    auto db = actsdb::Database::Open(DatabaseFile(places_));
    actsdb::Table dictionary(*db, "tblcuv");
    dictionary.Open();
    for (bool on = dictionary.First(); on; on = dictionary.Next()) {
      recwrd orphan{};
      orphan.act_id = 4;
      orphan.count = 1;
      orphans.push_back({orphan, ChainEnd(words, dictionary.AsInteger("First"))});
    }
    words.appendchains(orphans);
    PositionFile positions(position_file, PositionFile::Mode::kAppend);
    positions.append(std::vector<uint16_t>{7, 9});
  }

  StartSession(places_);
  EXPECT_EQ(fs::file_size(word_file), committed_words);
  EXPECT_EQ(fs::file_size(position_file), committed_positions);
  {
    // The session holds tblcuv: read it through a statement.
    actsdb::PreparedStatement dictionary(SessionDatabase(),
                                         "SELECT Word, First, Last FROM tblcuv");
    diskhash<recwrd> words(word_file, 0);
    while (dictionary.Step()) {
      EXPECT_EQ(dictionary.AsInteger(2), ChainEnd(words, dictionary.AsInteger(1)))
          << dictionary.AsString(0);
    }
  }
  // The next act (IdAct 4 again) links after the true ends.
  _prelbuf(SampleAct("20_hg_400_2008.txt").c_str());
  _frmstp();
  auto db = actsdb::Database::Open(DatabaseFile(places_));
  int gained = 0;
  for (const auto& [word, acts] : found) {
    std::set<int32_t> now = SearchActs(*db, places_.database_dir, word);
    gained += now.erase(4);
    EXPECT_EQ(now, acts) << word;
  }
  EXPECT_GT(gained, 0);
  EXPECT_LT(gained, static_cast<int>(found.size())) << "act 4 found for words it lacks";
}

// Every dictionary word with the acts its chain names.
std::map<std::string, std::set<int32_t>> FoundByWord(actsdb::Database& db,
                                                     const std::string& database_dir) {
  std::vector<std::string> words;
  {
    actsdb::Table dictionary(db, "tblcuv");
    dictionary.Open();
    for (bool on = dictionary.First(); on; on = dictionary.Next()) {
      words.push_back(dictionary.AsString("Word"));
    }
  }
  std::map<std::string, std::set<int32_t>> found;
  for (const std::string& word : words) found[word] = SearchActs(db, database_dir, word);
  return found;
}

TEST_F(SessionTest, ActReplacedWhenTheSessionDiedIsFoundByItsOldWordsAgain) {
  const std::string act = SampleAct("01_l_12_2001.txt");
  StartSession(places_);
  _prelbuf(act.c_str());
  _prelbuf(SampleAct("03_oug_5_2002.txt").c_str());
  _frmstp();
  std::map<std::string, std::set<int32_t>> before;
  {
    auto db = actsdb::Database::Open(DatabaseFile(places_));
    before = FoundByWord(*db, places_.database_dir);
  }
  ASSERT_EQ(before.at("REGISTR"), (std::set<int32_t>{1, 2}));

  // The replacement dies once its old records are retired: the first write
  // past word.dat's end (its new records) exceeds the file size limit.
  const std::string word_file = places_.database_dir + "/word.dat";
  const auto replace_until_the_limit = [&] {
    StartSession(places_);
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = fs::file_size(word_file);
    setrlimit(RLIMIT_FSIZE, &limit);
    _prelbuf(act.c_str());
    std::exit(0);
  };
  EXPECT_EXIT(replace_until_the_limit(), ::testing::KilledBySignal(SIGXFSZ), "");
  ASSERT_TRUE(fs::exists(places_.database_dir + "/retire.undo"));

  StartSession(places_);
  _frmstp();
  EXPECT_FALSE(fs::exists(places_.database_dir + "/retire.undo"));
  auto db = actsdb::Database::Open(DatabaseFile(places_));
  EXPECT_EQ(FoundByWord(*db, places_.database_dir), before);
}

// A replacement that committed leaves its old records retired, even when
// the session died before the log was removed.
TEST_F(SessionTest, ReplacementThatCommittedStaysFinalAfterACrash) {
  const std::string act = SampleAct("01_l_12_2001.txt");
  // The same act with only its title and first sentence.
  const std::string shorter = act.substr(0, act.find("Capitolul I"));
  StartSession(places_);
  _prelbuf(act.c_str());
  _prelbuf(shorter.c_str());
  _frmstp();
  std::map<std::string, std::set<int32_t>> replaced;
  std::vector<int32_t> retired;
  {
    auto db = actsdb::Database::Open(DatabaseFile(places_));
    replaced = FoundByWord(*db, places_.database_dir);
    ASSERT_EQ(replaced.at("CAPITOL"), std::set<int32_t>{}) << "a word the new version lacks";
    diskvec<diskhelem<recwrd>> records(places_.database_dir + "/word.dat", 0);
    diskhelem<recwrd> record;
    for (int32_t i = 0; records.getelem(i, record); ++i) {
      if (record.value.act_id == 0) retired.push_back(i);
    }
    ASSERT_FALSE(retired.empty());
    WriteRetirementLog(places_.database_dir, Retirement{IndexCommits(*db), 1, retired});
  }
  std::ofstream(places_.database_dir + "/import.run");

  StartSession(places_);
  _frmstp();
  EXPECT_FALSE(fs::exists(places_.database_dir + "/retire.undo"));
  auto db = actsdb::Database::Open(DatabaseFile(places_));
  EXPECT_EQ(FoundByWord(*db, places_.database_dir), replaced);
}

}  // namespace
}  // namespace idxcore
