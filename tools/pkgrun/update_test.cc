#include "tools/pkgrun/update.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/compress.h"
#include "actsdb/installation.h"
#include "actsdb/store.h"
#include "idxcore/import/text_parsing.h"
#include "idxcore/index/test_util.h"
#include "idxcore/session/modifications.h"
#include "idxcore/session/session.h"

namespace pkgrun {
namespace {

namespace fs = std::filesystem;

using idxcore::ReadBytes;
using idxcore::WriteBytes;

std::string Sample(const std::string& name) {
  return ReadBytes(std::string(CORVANA_SAMPLE_DIR) + "/" + name);
}

class UpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    install_ = ::testing::TempDir() + "/pkgrun_" + info->name();
    fs::remove_all(install_);
    fs::create_directories(install_ + "/update");
    WriteBytes(install_ + "/adn2.txt", Sample("adn2.txt"));
    options_.install_dir = install_;
    options_.database_dir = install_ + "/zazi1";
    options_.codes = install_ + "/update/codes.tsv";
  }
  void TearDown() override { fs::remove_all(install_); }

  std::string install_;
  UpdateOptions options_;
};

TEST_F(UpdateTest, ProcessesTheUpdateFolderAndKeepsWhatFailed) {
  const std::string update = install_ + "/update/";
  WriteBytes(update + "codes.tsv", Sample("codes.tsv"));
  WriteBytes(update + "a_law.txt", Sample("acts/01_l_12_2001.txt"));
  // The same kind of file saved as UTF-8 by an editor.
  const std::string ordinance = Sample("acts/03_oug_5_2002.txt");
  WriteBytes(update + "b_ordinance.txt", "\xEF\xBB\xBF" + actsdb::Cp1250ToUtf8(ordinance));
  WriteBytes(update + "c_broken.txt", "#L PARL\r\n#\r\n");
  WriteBytes(update + "modif.txt", "M L PARL 2001 12 0##OUG GUV 2002 5 0\r\n");
  WriteBytes(update + "modart.txt", "OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A 3\r\n"
                                    "OUG GUV 2002 5 0 A one M L PARL 2001 12 0 A 3\r\n");
  WriteBytes(update + "notes.md", "not an act");

  std::vector<int> progress;
  const UpdateSummary summary =
      RunUpdate(options_, [&progress](int done, int) { progress.push_back(done); });
  EXPECT_EQ(summary.acts_total, 3);
  EXPECT_EQ(summary.acts_imported, 2);
  EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(summary.failures.size(), 1u);
  EXPECT_EQ(fs::path(summary.failures[0].file).filename(), "c_broken.txt");
  EXPECT_EQ(summary.modification_reports.size(), 1u);
  EXPECT_EQ(summary.acts_compressed, 2);

  // Processed files moved; the failed act and foreign files stay.
  for (const char* name : {"a_law.txt", "b_ordinance.txt", "modif.txt", "modart.txt"}) {
    EXPECT_TRUE(fs::exists(update + "done/" + name)) << name;
    EXPECT_FALSE(fs::exists(update + name)) << name;
  }
  for (const char* name : {"c_broken.txt", "notes.md", "codes.tsv"}) {
    EXPECT_TRUE(fs::exists(update + name)) << name;
  }
  EXPECT_TRUE(fs::exists(install_ + "/dump.dst"));

  {
    auto db = actsdb::Database::Open(install_ + "/zazi1/corvana.db");
    actsdb::Table acts(*db, "tblActe");
    acts.Open();
    EXPECT_EQ(acts.RecordCount(), 2);
  for (bool on = acts.First(); on; on = acts.Next()) {
    const std::string text = acts.AsString("Textul");
    const std::string structure = acts.AsString("Struct");
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(acts.AsInteger("TextSize"), static_cast<int64_t>(text.size()));
    EXPECT_EQ(actsdb::Inflate(acts.AsBlob("CompText"), text.size()), text);
    EXPECT_EQ(actsdb::Inflate(acts.AsBlob("CompStruct"), structure.size()), structure);
  }
  ASSERT_TRUE(acts.Locate("IndNum", "OUG GUV 5 2002 0"));
  // The UTF-8 file arrived as the Windows-1250 text the acts are kept in.
  EXPECT_NE(acts.AsString("Textul").find("Constitu\xFEia Rom\xE2niei"), std::string::npos);
    actsdb::Table links(*db, "tblModif");
    links.Open();
    EXPECT_EQ(links.RecordCount(), 2);
  }

  // A second run finds nothing new and compresses nothing again.
  const UpdateSummary again = RunUpdate(options_, nullptr);
  EXPECT_EQ(again.acts_total, 1);  // the failed act, still waiting
  EXPECT_EQ(again.acts_compressed, 0);
}

TEST_F(UpdateTest, WithoutDatabaseOrCodesNothingRuns) {
  options_.acts = {std::string(CORVANA_SAMPLE_DIR) + "/acts/01_l_12_2001.txt"};
  EXPECT_THROW(RunUpdate(options_, nullptr), std::runtime_error);
  EXPECT_FALSE(fs::exists(install_ + "/zazi1/corvana.db"));
}

// The session takes texts as C strings: a NUL byte must not cut one short.
// An act that holds one is refused whole, naming the line.
TEST_F(UpdateTest, ActWithANulByteIsRefusedNamingItsLine) {
  WriteBytes(options_.codes, Sample("codes.tsv"));
  const std::string act = Sample("acts/01_l_12_2001.txt");
  struct Case {
    size_t at;  // where "\0" goes in
    const char* line;
  };
  const size_t chapter = act.find("Capitolul I");
  ASSERT_NE(chapter, std::string::npos);
  for (const Case& c : {Case{4, "line 1 "}, Case{chapter + 3, "line 10 "}}) {
    std::string damaged = act;
    damaged.insert(c.at, 1, '\0');
    WriteBytes(install_ + "/act.txt", damaged);
    options_.acts = {install_ + "/act.txt"};
    const UpdateSummary summary = RunUpdate(options_, nullptr);
    EXPECT_EQ(summary.acts_imported, 0) << c.line;
    ASSERT_EQ(summary.failures.size(), 1u) << c.line;
    EXPECT_NE(summary.failures[0].reason.find(std::string(c.line) + "holds a NUL byte"),
              std::string::npos)
        << summary.failures[0].reason;
  }
  auto db = actsdb::Database::Open(install_ + "/zazi1/corvana.db");
  actsdb::Table acts(*db, "tblActe");
  acts.Open();
  EXPECT_EQ(acts.RecordCount(), 0);
}

// A modification line with a NUL byte is the one line reported and skipped;
// the lines after it are processed as if it were not there.
TEST_F(UpdateTest, ModificationLineWithANulByteIsTheOnlyOneSkipped) {
  options_.acts = {std::string(CORVANA_SAMPLE_DIR) + "/acts"};
  WriteBytes(options_.codes, Sample("codes.tsv"));
  constexpr char kNulLine[] = "M OUG GUV 2002 5 0##L PARL 2003 45 0\0x\r\n";
  const std::string nul_line(kNulLine, sizeof kNulLine - 1);
  WriteBytes(install_ + "/modif.txt", nul_line + Sample("acts/modif.txt"));
  WriteBytes(install_ + "/modart.txt", Sample("acts/modart.txt") + nul_line);
  options_.modif = install_ + "/modif.txt";
  options_.modart = install_ + "/modart.txt";
  const UpdateSummary summary = RunUpdate(options_, nullptr);
  EXPECT_EQ(summary.modification_reports,
            (std::vector<std::string>{options_.modif + " line 1 skipped: it holds a NUL byte",
                                      options_.modart + " line 10 skipped: it holds a NUL byte"}));

  // What the files without that line give.
  UpdateOptions clean = options_;
  clean.install_dir = install_ + "/clean";
  clean.database_dir = clean.install_dir + "/zazi1";
  fs::create_directories(clean.install_dir);
  WriteBytes(clean.install_dir + "/adn2.txt", Sample("adn2.txt"));
  clean.modif = std::string(CORVANA_SAMPLE_DIR) + "/acts/modif.txt";
  clean.modart = std::string(CORVANA_SAMPLE_DIR) + "/acts/modart.txt";
  RunUpdate(clean, nullptr);
  for (const char* table : {"tblmodtxt", "tblModif"}) {
    std::vector<int> rows;
    for (const UpdateOptions* o : {&options_, &clean}) {
      auto db = actsdb::Database::Open(o->database_dir + "/corvana.db");
      actsdb::Table t(*db, table);
      t.Open();
      rows.push_back(t.RecordCount());
    }
    EXPECT_GT(rows[1], 1) << table;
    EXPECT_EQ(rows[0], rows[1]) << table;
  }
}

// A failure quotes the offending text as the file has it, in a short
// excerpt with its control bytes escaped, however long the line.
TEST_F(UpdateTest, FailuresQuoteAShortEscapedExcerpt) {
  WriteBytes(options_.codes, Sample("codes.tsv"));
  const std::string huge(5'000'000, 'a');
  const auto act = [](const std::string& code_line, const std::string& date,
                      const std::string& body) {
    return "#" + code_line + "\r\n#ACH\r\n#D: " + date + "\r\n#M.Of. nr. 1 din 1/1/2006\r\n" +
           "privind ceva\r\n#\r\n" + body + "\r\n";
  };
  struct Case {
    const char* what;
    std::string text;
    std::string says;
  };
  const Case cases[] = {
      {"a date of 0/0/0", act("OUG GUV 2006 34", "0/0/0", " text"),
       "act date \"0/0/0\" is not a d/m/y date"},
      {"a code line of 5 MB", act("OUG GUV 2006 34 " + huge, "1/1/2006", " vezi ~L P 1~"),
       "act \"OUG GUV 34 2006 " + std::string(44, 'A') + "\"... (5000016 bytes): line 7:"},
      {"a reference of 5 MB with control bytes", act("OUG GUV 2006 35", "1/1/2006",
                                                      " vezi ~L\x1B[31m " + huge + "~"),
       "act reference \"~L\\x1B[31m " + huge.substr(0, 52) + "\"... (5000009 bytes) needs"},
  };
  for (const Case& c : cases) {
    WriteBytes(install_ + "/act.txt", c.text);
    options_.acts = {install_ + "/act.txt"};
    const UpdateSummary summary = RunUpdate(options_, nullptr);
    ASSERT_EQ(summary.failures.size(), 1u) << c.what;
    const std::string& reason = summary.failures[0].reason;
    EXPECT_NE(reason.find(c.says), std::string::npos) << c.what << ": " << reason.substr(0, 300);
    EXPECT_LT(reason.size(), 300u) << c.what;
  }

  options_.acts.clear();
  WriteBytes(install_ + "/modart.txt", std::string(20'000, 'A') + "\r\nx \x1B[31mRED\x07 y\r\n");
  options_.modart = install_ + "/modart.txt";
  const UpdateSummary summary = RunUpdate(options_, nullptr);
  ASSERT_EQ(summary.modification_reports.size(), 2u);
  EXPECT_EQ(summary.modification_reports[0].substr(0, 40),
            "part modification line \"" + std::string(16, 'A'));
  EXPECT_NE(summary.modification_reports[0].find("\"... (20000 bytes) skipped"), std::string::npos)
      << summary.modification_reports[0];
  EXPECT_NE(summary.modification_reports[1].find("\"x \\x1B[31mRED\\x07 y\""), std::string::npos)
      << summary.modification_reports[1];
  for (const std::string& report : summary.modification_reports) EXPECT_LT(report.size(), 300u);
}

// Two runs on a new installation: while the first is creating the database
// (held up here reading its code tables from a pipe), the second is refused
// as the installation being in use, touching nothing; the first then
// creates the database and imports its act, and later runs find it whole.
TEST_F(UpdateTest, SecondRunWhileTheFirstCreatesTheDatabaseIsRefused) {
  const std::string codes = install_ + "/codes.fifo";
  ASSERT_EQ(::mkfifo(codes.c_str(), 0600), 0);
  options_.codes = codes;
  options_.acts = {std::string(CORVANA_SAMPLE_DIR) + "/acts/01_l_12_2001.txt"};
  const pid_t first = ::fork();
  ASSERT_GE(first, 0);
  if (first == 0) {
    int status = 3;
    try {
      status = RunUpdate(options_, nullptr).failures.empty() ? 0 : 1;
    } catch (...) {
    }
    ::_exit(status);
  }
  // Opening the pipe waits for the first run to open it: it is creating.
  const int pipe_fd = ::open(codes.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(pipe_fd, 0);

  UpdateOptions second = options_;
  WriteBytes(install_ + "/codes.tsv", Sample("codes.tsv"));
  second.codes = install_ + "/codes.tsv";
  second.acts = {std::string(CORVANA_SAMPLE_DIR) + "/acts/03_oug_5_2002.txt"};
  try {
    RunUpdate(second, nullptr);
    ADD_FAILURE() << "the second run went ahead";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("in use"), std::string::npos) << e.what();
  }

  const std::string table = Sample("codes.tsv");
  ASSERT_EQ(::write(pipe_fd, table.data(), table.size()), static_cast<ssize_t>(table.size()));
  ::close(pipe_fd);
  int status = 0;
  ASSERT_EQ(::waitpid(first, &status, 0), first);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  const UpdateSummary later = RunUpdate(second, nullptr);
  EXPECT_EQ(later.acts_imported, 1);
  auto db = actsdb::Database::Open(install_ + "/zazi1/corvana.db");
  actsdb::Table acts(*db, "tblActe");
  acts.Open();
  EXPECT_EQ(acts.RecordCount(), 2);
}

// An index cut short since its last commit (or garbled in place) is
// refused by an import and by the reorganisation, which would otherwise
// build on it and make the damage permanent; its files stay as they were.
TEST_F(UpdateTest, DamagedIndexIsNeitherAppendedToNorReorganised) {
  WriteBytes(options_.codes, Sample("codes.tsv"));
  options_.acts = {std::string(CORVANA_SAMPLE_DIR) + "/acts"};
  ASSERT_TRUE(RunUpdate(options_, nullptr).failures.empty());
  const std::string words_path = options_.database_dir + "/word.dat";
  const std::string positions_path = options_.database_dir + "/poziti.dat";
  const std::string words = ReadBytes(words_path);
  const std::string positions = ReadBytes(positions_path);
  std::string garbled = words;
  for (size_t i = 30; i < garbled.size(); ++i) garbled[i] = static_cast<char>(i * 7919 >> 3);
  struct Damage {
    const char* what;
    std::string words, positions;
    const char* says;
  };
  const Damage damages[] = {
      {"word.dat 13 bytes short", words.substr(0, words.size() - 13), positions,
       "word.dat is damaged"},
      {"poziti.dat halved", words, positions.substr(0, positions.size() / 4 * 2),
       "poziti.dat is damaged"},
      {"word.dat garbled", garbled, positions, "word.dat is damaged: record"},
  };
  options_.acts = {std::string(CORVANA_SAMPLE_DIR) + "/acts/01_l_12_2001.txt"};
  for (const Damage& d : damages) {
    WriteBytes(words_path, d.words);
    WriteBytes(positions_path, d.positions);
    if (d.words.size() == words.size()) {
      idxcore::StartSession({options_.install_dir, options_.database_dir});
      try {
        _putinorder();
        ADD_FAILURE() << d.what << ": reorganised";
      } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find(d.says), std::string::npos) << e.what();
      }
      _frmstp();
    } else {
      const UpdateSummary summary = RunUpdate(options_, nullptr);
      EXPECT_EQ(summary.acts_imported, 0) << d.what;
      ASSERT_EQ(summary.failures.size(), 1u) << d.what;
      EXPECT_NE(summary.failures[0].reason.find(d.says), std::string::npos)
          << summary.failures[0].reason;
    }
    EXPECT_EQ(ReadBytes(words_path), d.words) << d.what;
    EXPECT_EQ(ReadBytes(positions_path), d.positions) << d.what;
    EXPECT_FALSE(fs::exists(options_.database_dir + "/word2.dat")) << d.what;
  }
}

// The IdAct of every act a word's chain names, read through the cursor
// exports; for every word of the dictionary.
std::map<std::string, std::set<int32_t>> SearchEveryWord(const std::string& database_dir) {
  auto db = actsdb::Database::Open(database_dir + "/corvana.db");
  actsdb::Table dictionary(*db, "tblcuv");
  dictionary.Open();
  std::map<std::string, std::set<int32_t>> found;
  _cautstr(database_dir.c_str());
  for (bool on = dictionary.First(); on; on = dictionary.Next()) {
    found[dictionary.AsString("Word")] =
        idxcore::ChainActs(static_cast<int32_t>(dictionary.AsInteger("First")));
  }
  _cautstp();
  return found;
}

TEST_F(UpdateTest, ImportsTheCorpusAndReorganisesItsIndex) {
  const char* corpus_env = std::getenv("CORVANA_CORPUS");
  if (corpus_env == nullptr || !fs::exists(std::string(corpus_env) + "/acts")) {
    GTEST_SKIP() << "the act corpus is not available";
  }
  const std::string corpus = corpus_env;
  WriteBytes(install_ + "/adn2.txt", ReadBytes(corpus + "/adn2.txt"));
  options_.codes = corpus + "/codes.tsv";
  options_.modif = corpus + "/modif.txt";
  options_.modart = corpus + "/modart.txt";
  options_.acts = {corpus + "/acts"};

  const UpdateSummary summary = RunUpdate(options_, nullptr);
  for (const ActFailure& f : summary.failures) ADD_FAILURE() << f.file << ": " << f.reason;
  EXPECT_EQ(summary.acts_imported, 135);
  EXPECT_TRUE(summary.modification_reports.empty());
  {
    // Every act-level line resolved and every part-level line whose two
    // acts are in the corpus made its link.
    auto db = actsdb::Database::Open(install_ + "/zazi1/corvana.db");
    actsdb::Table acts(*db, "tblActe"), queue(*db, "tblmodtxt"), links(*db, "tblModif");
    for (auto* t : {&acts, &queue, &links}) t->Open();
    int applicable = 0;
    for (const std::string& line : idxcore::SplitLines(ReadBytes(options_.modart))) {
      const idxcore::PartModification m = idxcore::ParsePartModification(line);
      applicable += acts.Locate("IndNum", m.modifying_key) && acts.Locate("IndNum", m.modified_key);
    }
    int resolved = 0;
    for (bool on = queue.First(); on; on = queue.Next()) resolved += queue.AsBoolean("Done");
    EXPECT_EQ(queue.RecordCount(), 54);
    EXPECT_GT(applicable, 200);
    EXPECT_EQ(links.RecordCount(), applicable + resolved);
  }

  const std::map<std::string, std::set<int32_t>> before = SearchEveryWord(options_.database_dir);
  idxcore::StartSession({options_.install_dir, options_.database_dir});
  _putinorder();
  _frmstp();
  EXPECT_EQ(SearchEveryWord(options_.database_dir), before);
  EXPECT_FALSE(fs::exists(options_.database_dir + "/word2.dat"));
}

// The word index of an installation as a reorganisation leaves it: the
// two files and the dictionary's chain ends.
struct IndexFiles {
  std::string words, positions, dictionary;
};

IndexFiles ReadIndex(const std::string& database_dir) {
  IndexFiles index{ReadBytes(database_dir + "/word.dat"), ReadBytes(database_dir + "/poziti.dat"),
                   ""};
  auto db = actsdb::Database::Open(database_dir + "/corvana.db");
  actsdb::PreparedStatement rows(*db, "SELECT IdWord, Word, First, Last FROM tblcuv ORDER BY IdWord");
  while (rows.Step()) {
    index.dictionary += std::to_string(rows.AsInteger(0)) + " " + rows.AsString(1) + " " +
                        std::to_string(rows.AsInteger(2)) + " " +
                        std::to_string(rows.AsInteger(3)) + "\n";
  }
  return index;
}

void ExpectSameIndex(const std::string& database_dir, const std::string& reference_dir) {
  const IndexFiles index = ReadIndex(database_dir), reference = ReadIndex(reference_dir);
  EXPECT_TRUE(index.words == reference.words) << "word.dat";
  EXPECT_TRUE(index.positions == reference.positions) << "poziti.dat";
  EXPECT_EQ(index.dictionary, reference.dictionary);
}

// What the re-indexing program does.
void Reorgdb(const UpdateOptions& options) {
  idxcore::StartSession({options.install_dir, options.database_dir});
  _putinorder();
  _frmstp();
}

// Runs side by side on this installation (automatic reorganisation) and on
// a twin that never reorganises unless the test runs the re-indexing
// program on it.
class ReorganisingUpdateTest : public UpdateTest {
 protected:
  void SetUp() override {
    UpdateTest::SetUp();
    WriteBytes(install_ + "/update/codes.tsv", Sample("codes.tsv"));
    twin_ = options_;
    twin_.install_dir = install_ + "/twin";
    twin_.database_dir = twin_.install_dir + "/zazi1";
    twin_.reorganise = Reorganise::kNever;
    fs::create_directories(twin_.install_dir);
    WriteBytes(twin_.install_dir + "/adn2.txt", Sample("adn2.txt"));
  }

  UpdateOptions twin_;
};

TEST_F(ReorganisingUpdateTest, RunOverTheThresholdLeavesTheIndexAsReorgdbDoes) {
  const std::string acts = std::string(CORVANA_SAMPLE_DIR) + "/acts";
  // One short act: under 1% of the records of the sample acts.
  const std::string small = install_ + "/small_act.txt";
  WriteBytes(small,
             "#DEC PRES 2004 16\r\n#SAN\r\n#D: 20/1/2004\r\n#M.Of. nr. 50 din 21/1/2004\r\n"
             "pentru promulgarea Legii\r\n#\r\n Articol unic\r\n");
  const struct {
    const char* name;
    std::string acts;
    bool reorganised;
  } runs[] = {
      {"a new index", acts, true},
      {"one short act", small, false},
      {"every act again, replaced", acts, true},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.name);
    options_.acts = twin_.acts = {run.acts};
    const UpdateSummary summary = RunUpdate(options_, nullptr);
    EXPECT_TRUE(summary.failures.empty());
    EXPECT_EQ(summary.index_reorganised, run.reorganised);
    EXPECT_EQ(summary.reorganise_error, "");
    ASSERT_FALSE(RunUpdate(twin_, nullptr).index_reorganised);
    const auto found = SearchEveryWord(twin_.database_dir);
    if (run.reorganised) Reorgdb(twin_);
    ExpectSameIndex(options_.database_dir, twin_.database_dir);
    EXPECT_EQ(SearchEveryWord(options_.database_dir), found);
    EXPECT_FALSE(fs::exists(options_.database_dir + "/word2.dat"));
  }
}

TEST_F(ReorganisingUpdateTest, RunKilledWhileReorganisingLeavesAnIndexTheNextRunFinishes) {
  options_.acts = twin_.acts = {std::string(CORVANA_SAMPLE_DIR) + "/acts"};
  RunUpdate(twin_, nullptr);
  const auto found = SearchEveryWord(twin_.database_dir);

  // Killed half-way through copying the index.
  EXPECT_EXIT(
      {
        RunUpdate(options_, nullptr, [](int64_t done, int64_t total) {
          if (2 * done >= total) std::raise(SIGKILL);
        });
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGKILL), "");
  ASSERT_TRUE(fs::exists(options_.database_dir + "/word2.dat"));
  ExpectSameIndex(options_.database_dir, twin_.database_dir);
  EXPECT_EQ(SearchEveryWord(options_.database_dir), found);

  // The next run, with nothing to import, reorganises and fills in what
  // the killed one left undone.
  options_.acts.clear();
  const UpdateSummary next = RunUpdate(options_, nullptr);
  EXPECT_TRUE(next.index_reorganised);
  EXPECT_EQ(next.acts_compressed, 21);
  Reorgdb(twin_);
  ExpectSameIndex(options_.database_dir, twin_.database_dir);
  EXPECT_EQ(SearchEveryWord(options_.database_dir), found);
  EXPECT_FALSE(fs::exists(options_.database_dir + "/word2.dat"));
}

TEST_F(ReorganisingUpdateTest, ReorganisationThatFailsChangesNothingAndIsSaid) {
  // Both imported without reorganising, then given a dictionary row whose
  // chain lies beyond "word.dat".
  options_.reorganise = Reorganise::kNever;
  for (UpdateOptions* o : {&options_, &twin_}) {
    o->acts = {std::string(CORVANA_SAMPLE_DIR) + "/acts"};
    RunUpdate(*o, nullptr);
    auto db = actsdb::Database::Open(o->database_dir + "/corvana.db");
    db->Execute("INSERT INTO tblcuv (Word, First, Last) VALUES ('ZZZDAMAGED', 99999, 99999)");
    o->acts = {std::string(CORVANA_SAMPLE_DIR) + "/acts/21_l_12_2001_rep1.txt"};
  }
  options_.reorganise = Reorganise::kAuto;
  const UpdateSummary summary = RunUpdate(options_, nullptr);
  EXPECT_EQ(summary.acts_imported, 1);
  EXPECT_EQ(summary.acts_compressed, 1);
  EXPECT_FALSE(summary.index_reorganised);
  EXPECT_NE(summary.reorganise_error.find("99999"), std::string::npos)
      << summary.reorganise_error;
  RunUpdate(twin_, nullptr);
  ExpectSameIndex(options_.database_dir, twin_.database_dir);

  for (const UpdateOptions* o : {&options_, &twin_}) {
    auto db = actsdb::Database::Open(o->database_dir + "/corvana.db");
    db->Execute("DELETE FROM tblcuv WHERE Word = 'ZZZDAMAGED'");
  }
  options_.acts.clear();
  EXPECT_TRUE(RunUpdate(options_, nullptr).index_reorganised);
  Reorgdb(twin_);
  ExpectSameIndex(options_.database_dir, twin_.database_dir);
}

}  // namespace
}  // namespace pkgrun
