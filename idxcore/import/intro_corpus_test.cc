// Imports the real act corpus (when CORVANA_CORPUS names it) into a fresh
// database and checks what the viewer relies on across the whole of it.
#include <cstdlib>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "actsdb/stored_forms.h"
#include "idxcore/import/intro.h"
#include "idxcore/import/intro_test_util.h"

namespace idxcore {
namespace {

namespace fs = std::filesystem;

class CorpusImportTest : public ImportFixture {
 protected:
  void SetUp() override {
    const char* corpus = std::getenv("CORVANA_CORPUS");
    if (corpus == nullptr || !fs::is_directory(std::string(corpus) + "/acts")) {
      GTEST_SKIP() << "no act corpus (CORVANA_CORPUS)";
    }
    corpus_ = corpus;
    OpenDatabase(corpus_ + "/codes.tsv");
    engine_->LoadDefinitions(corpus_ + "/adn2.txt");
  }

  // The act keys of the corpus files: manifest keys give type, issuer,
  // year, number, republication; IndNum puts the number first.
  std::set<std::string> ManifestKeys() {
    std::set<std::string> keys;
    std::ifstream in(corpus_ + "/manifest.tsv", std::ios::binary);
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string file, source, key;
      std::getline(fields, file, '\t');
      std::getline(fields, source, '\t');
      std::getline(fields, key, '\t');
      std::istringstream w(key);
      std::string type, issuer, year, number, rep;
      w >> type >> issuer >> year >> number >> rep;
      keys.insert(type + " " + issuer + " " + number + " " + year + " " + rep);
    }
    return keys;
  }

  std::string corpus_;
};

TEST_F(CorpusImportTest, EveryActImportsWithConsistentPartsLinksAndChains) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(corpus_ + "/acts")) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    EXPECT_NO_THROW(engine_->PrelFile(file.string())) << file;
  }

  const std::set<std::string> keys = ManifestKeys();
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM tblActe"),
            (std::vector<std::vector<std::string>>{{std::to_string(keys.size())}}));

  const std::regex anchor("<a name=([0-9]+)> </a>");
  const std::regex link("<a href=\"([^\"]*)\">");
  int links_into_corpus = 0;
  for (const auto& row : Rows("SELECT IdAct, IndNum FROM tblActe ORDER BY IdAct")) {
    const int64_t id = std::stoll(row[0]);
    ASSERT_TRUE(t().acts.Locate("IdAct", id));
    const std::string text = t().acts.AsString("Textul");
    const std::string structure = t().acts.AsString("Struct");
    EXPECT_TRUE(keys.count(row[1])) << row[1];

    std::set<long> anchors;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), anchor);
         it != std::sregex_iterator(); ++it) {
      anchors.insert(std::stol((*it)[1]));
    }
    std::set<long> parts;
    for (const auto& part : Rows("SELECT IdParte, NumParte FROM tblParti WHERE Actul = " +
                                 row[0])) {
      if (part[1] != "Actul") parts.insert(std::stol(part[0]));
    }
    std::set<long> nodes;
    for (const actsdb::StructLine& node : actsdb::ParseStructText(structure)) {
      if (!node.is_root) nodes.insert(node.part_id);
    }
    EXPECT_EQ(anchors, parts) << row[1];
    EXPECT_EQ(anchors, nodes) << row[1];

    for (auto it = std::sregex_iterator(text.begin(), text.end(), link);
         it != std::sregex_iterator(); ++it) {
      const std::optional<std::string> key_text = actsdb::LinkKeyText((*it)[1].str());
      ASSERT_TRUE(key_text) << (*it)[0];
      std::string key = *key_text;
      if (std::count(key.begin(), key.end(), ' ') == 3) key += " 0";
      if (!keys.count(key)) continue;
      ++links_into_corpus;
      EXPECT_TRUE(t().acts.Locate("IndNum", key)) << row[1] << " links to " << key;
    }
  }
  EXPECT_GT(links_into_corpus, 1000);

  // No chain finds an act twice: a replaced act's old records are retired.
  for (const auto& word : Rows("SELECT Word, First FROM tblcuv")) {
    std::set<int32_t> seen;
    for (int32_t act : Chain(std::stoi(word[1]))) {
      if (act == 0) continue;
      EXPECT_TRUE(seen.insert(act).second) << word[0] << " finds act " << act << " twice";
    }
  }
}

}  // namespace
}  // namespace idxcore
