// The dataset as views use it: rows read without moving the cursor,
// listeners, master/detail, calculated columns.
#include "actsdb/dataset.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "actsdb/store_test_fixture.h"

namespace actsdb {
namespace {

// Writes down what a listener hears, one line per call.
class Recorder : public DatasetListener {
 public:
  void RowsReset(Dataset&) override { log.push_back("reset"); }
  void CurrentRowMoved(Dataset& d) override {
    log.push_back("moved " + std::to_string(d.CurrentRow()));
  }
  void RowChanged(Dataset&, int row) override { log.push_back("changed " + std::to_string(row)); }
  void DatasetDestroyed(Dataset&) override { log.push_back("destroyed"); }

  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(log);
    return taken;
  }
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

class DatasetTest : public StoreTest {
 protected:
  // Acts 1 to 5 of kActs; the filter accepts the acts of `year_`, counting
  // its calls.
  void SetUp() override {
    StoreTest::SetUp();
    AddActs(kActs);
    acts_ = std::make_unique<Table>(*db_, "tblActe");
    acts_->SetRecordFilter([this](const Dataset& d) {
      ++judged_;
      return d.AsInteger("Anul") == year_;
    });
    acts_->Open();
  }
  void TearDown() override {
    acts_.reset();
    StoreTest::TearDown();
  }

  std::unique_ptr<Table> acts_;
  int64_t year_ = 2005;
  int judged_ = 0;
};

TEST_F(DatasetTest, RowsOfAFilteredTableAreCountedOnceAndReadWithoutMovingTheCursor) {
  acts_->SetFiltered(true);  // acts 3 and 5
  const int judged_once = judged_;
  EXPECT_EQ(judged_once, 5);
  EXPECT_EQ(acts_->RecordCount(), 2);
  EXPECT_EQ(acts_->RecordCount(), 2);
  ASSERT_TRUE(acts_->Last());
  EXPECT_EQ(acts_->CurrentRow(), 1);
  EXPECT_EQ(judged_, judged_once);  // counting and moving judge nothing again

  // Any row read through ReadRow and DisplayTextAt; the cursor, a detail and
  // the listeners stay as they were.
  Table parts(*db_, "tblParti");
  AddParts({{3, false}, {5, false}, {5, true}});
  parts.SetMaster(acts_.get(), "IdAct", "Actul");
  parts.Open();
  Recorder recorder;
  acts_->AddListener(&recorder);
  int64_t first_id = 0;
  acts_->ReadRow(0, [&](const Dataset& row) { first_id = row.AsInteger("IdAct"); });
  EXPECT_EQ(first_id, 3);
  EXPECT_EQ(acts_->DisplayTextAt(0, acts_->ColumnIndex("Data")), "20/12/2005");
  EXPECT_EQ(acts_->DisplayTextAt(1, acts_->ColumnIndex("Titlu")),
            W("lege pentru modificarea legii"));
  EXPECT_EQ(acts_->AsInteger("IdAct"), 5);
  EXPECT_EQ(acts_->CurrentRow(), 1);
  EXPECT_EQ(parts.RecordCount(), 2);  // still act 5's parts
  EXPECT_TRUE(recorder.log.empty());
  EXPECT_THROW(acts_->ReadRow(2, [](const Dataset&) {}), StoreError);
  EXPECT_THROW(acts_->ReadRow(-1, [](const Dataset&) {}), StoreError);
  EXPECT_EQ(judged_, judged_once);

  // MoveToRow is a move: the detail follows, the listener hears it.
  ASSERT_TRUE(acts_->MoveToRow(0));
  EXPECT_EQ(acts_->AsInteger("IdAct"), 3);
  EXPECT_EQ(parts.RecordCount(), 1);
  EXPECT_EQ(recorder.Take(), (Log{"moved 0"}));
  EXPECT_FALSE(acts_->MoveToRow(2));
  EXPECT_EQ(acts_->CurrentRow(), 0);

  // What the filter reads changed: Refilter judges the rows again.
  year_ = 2001;
  EXPECT_EQ(acts_->RecordCount(), 2);  // not until told
  acts_->Refilter();
  EXPECT_EQ(judged_, judged_once + 5);
  EXPECT_EQ(acts_->RecordCount(), 1);
  EXPECT_EQ(acts_->AsInteger("IdAct"), 1);
  EXPECT_EQ(recorder.Take(), (Log{"reset", "moved 0"}));
  acts_->RemoveListener(&recorder);
}

TEST_F(DatasetTest, ListenersHearResetsMovesAndChangesAndDisabledControlsHoldThem) {
  Recorder recorder;
  acts_->AddListener(&recorder);
  acts_->AddListener(&recorder);  // once is enough
  acts_->Close();
  acts_->Open(/*exclusive=*/true);
  EXPECT_EQ(recorder.Take(), (Log{"reset", "moved -1", "reset", "moved 0"}));

  ASSERT_TRUE(acts_->Next());
  acts_->Edit();
  acts_->SetString("Titlu", "nou");
  acts_->Post();
  EXPECT_EQ(recorder.Take(), (Log{"moved 1", "changed 1"}));

  // An edit that takes the row out of the accepted rows changes the rows.
  acts_->SetFiltered(true);
  EXPECT_EQ(recorder.Take(), (Log{"reset", "moved 0"}));  // act 3
  acts_->Edit();
  acts_->SetInteger("Anul", 1990);
  acts_->Post();
  EXPECT_EQ(recorder.Take(), (Log{"reset", "moved -1"}));
  EXPECT_EQ(acts_->RecordCount(), 1);
  acts_->SetFiltered(false);
  recorder.Take();

  // Suspended: nothing is heard, then each kind of change once.
  acts_->DisableControls();
  acts_->DisableControls();  // nested
  ASSERT_TRUE(acts_->First());
  ASSERT_TRUE(acts_->Next());
  acts_->Edit();
  acts_->SetString("Titlu", "iar");
  acts_->Post();
  ASSERT_TRUE(acts_->Next());
  acts_->EnableControls();
  EXPECT_TRUE(recorder.log.empty());
  acts_->EnableControls();
  EXPECT_EQ(recorder.Take(), (Log{"changed 1", "moved 2"}));
  acts_->EnableControls();  // one too many does nothing
  EXPECT_FALSE(acts_->controls_disabled());

  // A reset while suspended stands for every change it covers.
  acts_->DisableControls();
  acts_->Edit();
  acts_->SetString("Titlu", "din nou");
  acts_->Post();
  acts_->Refilter();
  acts_->EnableControls();
  EXPECT_EQ(recorder.Take(), (Log{"reset", "moved 0"}));

  acts_.reset();  // closed, then destroyed
  EXPECT_EQ(recorder.Take(), (Log{"reset", "moved -1", "destroyed"}));
}

// Acts 1 to 5, each with several parts but act 2; each part of act 1 with
// several modifications.
TEST_F(DatasetTest, DetailsFollowEveryMasterAndADestroyedMasterLeavesThemEmpty) {
  AddParts({{1, false}, {3, true}, {1, true}, {4, false}, {3, false}, {1, false},
            {5, true}, {4, true}, {5, false}, {3, true}});  // IdParte 1 to 10
  const std::vector<std::vector<int64_t>> parts_of = {{1, 3, 6}, {}, {2, 5, 10}, {4, 8}, {7, 9}};
  {
    Table modif(*db_, "tblModif");
    modif.Open(true);
    for (auto [from, to] : std::vector<std::pair<int, int>>{
             {1, 2}, {1, 4}, {3, 5}, {1, 7}, {6, 8}, {6, 9}, {3, 10}}) {
      modif.Append();
      modif.SetInteger("IdModificant", from);
      modif.SetInteger("IdModificat", to);
      modif.Post();
    }
  }
  auto parts = std::make_unique<Table>(*db_, "tblParti");
  parts->SetIndexName("indactul");
  parts->SetMaster(acts_.get(), "IdAct", "Actul");
  parts->Open();
  Table brought(*db_, "tblModif");
  brought.SetIndexName("indmodificant");
  brought.SetMaster(parts.get(), "IdParte", "IdModificant");
  brought.Open();

  std::vector<std::vector<int64_t>> seen;
  for (bool on = acts_->First(); on; on = acts_->Next()) seen.push_back(Walk(*parts, "IdParte"));
  EXPECT_EQ(seen, parts_of);
  ASSERT_TRUE(acts_->First());
  std::vector<std::vector<int64_t>> modified;
  for (bool on = parts->First(); on; on = parts->Next()) {
    modified.push_back(Walk(brought, "IdModificat"));
  }
  EXPECT_EQ(modified, (std::vector<std::vector<int64_t>>{{2, 4, 7}, {5, 10}, {8, 9}}));

  // With the master's controls disabled its details stay where they are.
  acts_->DisableControls();
  ASSERT_TRUE(acts_->Locate("IdAct", 4));
  EXPECT_EQ(Walk(*parts, "IdParte"), (std::vector<int64_t>{1, 3, 6}));
  acts_->EnableControls();
  EXPECT_EQ(Walk(*parts, "IdParte"), (std::vector<int64_t>{4, 8}));

  // A closed or destroyed master leaves its detail with no rows, and the
  // detail's own detail too.
  ASSERT_TRUE(acts_->First());
  acts_->Close();
  EXPECT_TRUE(parts->IsEmpty());
  acts_->Open();
  EXPECT_EQ(Walk(*parts, "IdParte"), (std::vector<int64_t>{1, 3, 6}));
  acts_.reset();
  EXPECT_TRUE(parts->IsEmpty());
  EXPECT_FALSE(parts->First());
  EXPECT_TRUE(brought.IsEmpty());
  parts->ClearRange();
  EXPECT_EQ(parts->RecordCount(), 10);

  // A destroyed detail leaves its master alone.
  parts.reset();
  EXPECT_TRUE(brought.IsEmpty());
}

TEST_F(DatasetTest, CalculatedColumnsReadLikeStoredOnesAndKeepTheirDefinitions) {
  Query q(*db_);
  q.sql() = {"SELECT IdAct, Anul, Titlu FROM tblActe ORDER BY IdAct ASCENDING"};
  int calculations = 0;
  const ColumnInfo title("Scurt", FieldType::kText, 6);
  const ColumnInfo looked_up("Tip", FieldType::kText, 0, FieldKind::kLookup, "IdTipAct");
  q.SetCalculatedColumns({title, looked_up}, [&](const Dataset& row, std::vector<std::string>& v) {
    ++calculations;
    EXPECT_TRUE(row.IsNull("Scurt"));  // not known inside the calculation
    v[0] = row.AsString("Titlu");
    v[1] = "tip " + row.AsString("Anul");
  });
  q.SetColumnLabel("Scurt", "Titlu scurt");
  q.SetDisplayText("Anul", [](const Dataset& row) { return "anul " + row.AsString("Anul"); });
  q.Open();

  EXPECT_EQ(q.ColumnNames(), (std::vector<std::string>{"IdAct", "Anul", "Titlu", "Scurt", "Tip"}));
  const std::vector<ColumnInfo>& columns = q.Columns();
  EXPECT_EQ(columns[3].label, "Titlu scurt");
  EXPECT_EQ(columns[3].kind, FieldKind::kCalculated);
  EXPECT_EQ(columns[4].kind, FieldKind::kLookup);
  EXPECT_EQ(columns[4].lookup_key, "IdTipAct");
  EXPECT_EQ(columns[2].label, "Titlu");
  EXPECT_EQ(columns[2].type, FieldType::kText);
  EXPECT_EQ(columns[2].width, 255);

  EXPECT_EQ(q.AsString("Scurt"), "Lege p");  // cut to its width
  EXPECT_EQ(q.AsString("Tip"), "tip 2001");
  EXPECT_FALSE(q.IsNull("Tip"));
  EXPECT_EQ(calculations, 1);  // once for the row
  EXPECT_EQ(q.DisplayText("Anul"), "anul 2001");
  EXPECT_EQ(q.DisplayText("Scurt"), "Lege p");
  EXPECT_EQ(q.DisplayTextAt(2, 4), "tip 2005");
  EXPECT_EQ(q.AsString("Tip"), "tip 2001");  // the cursor's row again
  ASSERT_TRUE(q.Next());
  EXPECT_EQ(q.AsString("Scurt"), W("HOTĂRÂ"));

  // A record filter may read calculated columns.
  q.SetRecordFilter([](const Dataset& row) { return row.AsString("Tip") == "tip 2005"; });
  q.SetFiltered(true);
  EXPECT_EQ(Walk(q, "IdAct"), (std::vector<int64_t>{3, 5}));

  // They are not stored: no locate on them, and they stay put while open.
  EXPECT_THROW(q.Locate("Tip", "tip 2005"), StoreError);
  EXPECT_THROW(q.SetCalculatedColumns({}, nullptr), StoreError);

  // Definitions hold for the next opening.
  q.SetFiltered(false);
  q.Close();
  EXPECT_TRUE(q.Columns().empty());
  q.sql() = {"SELECT IdAct, Anul, Titlu FROM tblActe WHERE IdAct = 4"};
  q.Open();
  EXPECT_EQ(q.Columns()[3].label, "Titlu scurt");
  EXPECT_EQ(q.DisplayText("Anul"), "anul 2000");
  EXPECT_EQ(q.AsString("Scurt"), "Ordin ");
}

TEST_F(DatasetTest, CalculatedColumnsOfATableCannotBeSetAndFollowTheRecordBeingEdited) {
  acts_->Close();
  acts_->SetCalculatedColumns({ColumnInfo("An", FieldType::kText, 0)},
                              [](const Dataset& row, std::vector<std::string>& v) {
                                v[0] = "an " + row.AsString("Anul");
                              });
  acts_->Open(/*exclusive=*/true);
  EXPECT_EQ(acts_->AsString("An"), "an 2001");
  acts_->Edit();
  EXPECT_THROW(acts_->SetString("An", "x"), StoreError);
  acts_->SetInteger("Anul", 1999);
  EXPECT_EQ(acts_->AsString("An"), "an 1999");
  acts_->Post();
  EXPECT_EQ(acts_->AsString("An"), "an 1999");
}

}  // namespace
}  // namespace actsdb
