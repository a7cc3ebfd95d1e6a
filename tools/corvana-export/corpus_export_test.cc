// The modification pages and the structure window's trees of every act of
// the real corpus, imported with its modifications by the update program
// (pkgrun). What they list is checked against counts taken straight from
// the tables and the stored structure texts; corvana-export writes the same
// bytes for the most amended act.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "actsdb/compress.h"
#include "actsdb/installation.h"
#include "actsdb/store.h"
#include "testing/corpus_install.h"
#include "viewer/finding/modification_pages.h"
#include "viewer/viewing/structure_trees.h"

namespace {

namespace fs = std::filesystem;

// The number of nodes of each image in a tree.
void CountImages(const std::vector<viewing::TreeNode>& nodes, std::map<int, int>& counts) {
  for (const viewing::TreeNode& node : nodes) {
    ++counts[node.image];
    CountImages(node.children, counts);
  }
}

bool HasModification(const std::vector<viewing::TreeNode>& nodes) {
  return std::any_of(nodes.begin(), nodes.end(), [](const viewing::TreeNode& node) {
    return node.image == viewing::kSufferedImage || node.image == viewing::kBroughtImage ||
           HasModification(node.children);
  });
}

// Whether every part node among `nodes` has a modification below it.
bool Pruned(const std::vector<viewing::TreeNode>& nodes) {
  return std::all_of(nodes.begin(), nodes.end(), [](const viewing::TreeNode& node) {
    const bool part =
        node.image == viewing::kPartImage || node.image == viewing::kModifiedPartImage;
    return (!part || HasModification(node.children)) && Pruned(node.children);
  });
}

// The table rows of a page, after its fixed lines.
int RowsOf(const std::vector<std::string>& page) {
  return static_cast<int>(
      std::count(page.begin() + finding::kModPageTemplateLines, page.end(), "<tr>"));
}

class CorpusExportTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path corpus = corpus_install::CorpusDir();
    if (corpus.empty()) return;
    install_ = new fs::path(fs::path(testing::TempDir()) / "corvana_corpus_export");
    ASSERT_EQ(corpus_install::ImportCorpus(PKGRUN_BIN, corpus, *install_), "");
  }

  static void TearDownTestSuite() {
    if (install_ != nullptr) fs::remove_all(*install_);
    delete install_;
    install_ = nullptr;
  }

  void SetUp() override {
    if (install_ == nullptr) GTEST_SKIP() << "no act corpus (CORVANA_CORPUS)";
    db_ = actsdb::Database::Open(actsdb::DatabasePath(install_->string()));
  }

  // The modifications whose `end` ("IdModificat" or "IdModificant") is a
  // part of the act, each as the part's id and whether it is the act as a
  // whole.
  std::vector<std::pair<int64_t, bool>> Modifications(int64_t act, const char* end) {
    actsdb::PreparedStatement query(
        *db_, std::string("SELECT p.IdParte, p.NumParte = 'Actul' FROM tblModif m JOIN tblParti "
                          "p ON p.IdParte = m.") +
                  end + " WHERE p.Actul = ?1");
    query.BindInteger(1, act);
    std::vector<std::pair<int64_t, bool>> rows;
    while (query.Step()) rows.emplace_back(query.AsInteger(0), query.AsInteger(1) != 0);
    return rows;
  }

  static fs::path* install_;
  std::unique_ptr<actsdb::Database> db_;
};

fs::path* CorpusExportTest::install_ = nullptr;

TEST_F(CorpusExportTest, EveryActListsEachOfItsModifications) {
  finding::ModificationReader reader(*db_);
  actsdb::Table acts(*db_, "tblActe");
  acts.Open();
  int acts_with_modifications = 0;
  for (bool more = acts.First(); more; more = acts.Next()) {
    const int64_t id = acts.AsInteger("IdAct");
    SCOPED_TRACE(acts.AsString("IndNum"));
    const std::string structure = actsdb::Inflate(
        acts.AsBlob("CompStruct"), static_cast<size_t>(acts.AsInteger("StructSize")));
    // The parts the outline holds, read from the stored text itself.
    std::set<int64_t> outlined;
    const std::regex part_id("#([0-9]+)#");
    for (auto it = std::sregex_iterator(structure.begin(), structure.end(), part_id);
         it != std::sregex_iterator(); ++it) {
      outlined.insert(std::stoll((*it)[1]));
    }
    const auto suffered = Modifications(id, "IdModificat");
    const auto brought = Modifications(id, "IdModificant");

    const finding::ActModifications act = reader.Read(id);
    EXPECT_EQ(RowsOf(finding::BuildModPe(act)), static_cast<int>(suffered.size()));
    EXPECT_EQ(RowsOf(finding::BuildModDe(act)), static_cast<int>(brought.size()));

    viewing::Tree outline;
    ASSERT_NO_THROW(viewing::FillStructureTree(structure, act.title, reader.ModifiedParts(id),
                                               &outline));
    viewing::Tree modifications;
    ASSERT_NO_THROW(viewing::FillModificationsTree(structure, act, &modifications));
    std::map<int, int> images;
    CountImages(modifications, images);
    // A modification shows in the tree when its part is the act as a whole
    // or has a node of its own.
    auto shown = [&](const std::vector<std::pair<int64_t, bool>>& rows) {
      return static_cast<int>(std::count_if(rows.begin(), rows.end(), [&](const auto& row) {
        return row.second || outlined.contains(row.first);
      }));
    };
    if (!act.parts.empty()) {
      EXPECT_EQ(images[viewing::kSufferedImage], shown(suffered));
      EXPECT_EQ(images[viewing::kBroughtImage], shown(brought));
      EXPECT_TRUE(Pruned(modifications.front().children));
    }
    if (!suffered.empty() || !brought.empty()) ++acts_with_modifications;
  }
  EXPECT_GT(acts_with_modifications, 0);
}

TEST_F(CorpusExportTest, ExportWritesWhatTheViewerMakes) {
  // The act with the most modifications suffered.
  actsdb::PreparedStatement query(
      *db_,
      "SELECT p.Actul FROM tblModif m JOIN tblParti p ON p.IdParte = m.IdModificat "
      "GROUP BY p.Actul ORDER BY count(*) DESC LIMIT 1");
  ASSERT_TRUE(query.Step());
  const int64_t id = query.AsInteger(0);
  query.Reset();

  finding::ModificationReader reader(*db_);
  const finding::ActModifications act = reader.Read(id);
  const std::vector<std::string> page = finding::BuildModPe(act);
  EXPECT_GT(RowsOf(page), 50);

  const fs::path out = *install_ / "export.txt";
  const std::string command = ShellQuote(CORVANA_EXPORT_BIN) + " --install-dir " +
                              ShellQuote(*install_) + " --id " + std::to_string(id) +
                              " --mod-suffered -o " + ShellQuote(out);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(out, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), finding::PageText(page));
}

}  // namespace
