#include "viewer/finding/grid_sort.h"

#include <gtest/gtest.h>

#include "actsdb/store.h"

namespace finding {
namespace {

TEST(QuerySortTest, ThreeClicksOnOneColumnGoAscendingDescendingAscending) {
  std::string order_by;
  order_by = ToggleOrderBy(order_by, "Anul");
  EXPECT_EQ(order_by, "Anul ASCENDING");
  order_by = ToggleOrderBy(order_by, "Anul");
  EXPECT_EQ(order_by, "Anul DESCENDING");
  order_by = ToggleOrderBy(order_by, "Anul");
  EXPECT_EQ(order_by, "Anul ASCENDING");
  // Another column starts ascending whatever the order was.
  EXPECT_EQ(ToggleOrderBy("Anul DESCENDING", "Titlu"), "Titlu ASCENDING");
}

TEST(QuerySortTest, SortFieldOfACaption) {
  // The fields of the direct acts view that matter here.
  auto kind = [](const std::string& name) {
    if (name == "Anul" || name == "idEmitent") return FieldKind::kData;
    if (name == "Emitent" || name == "DispTitlu" || name == "Privind") return FieldKind::kDerived;
    return FieldKind::kMissing;
  };
  EXPECT_EQ(QuerySortField("Anul", kind), "Anul");
  EXPECT_EQ(QuerySortField("Emitent", kind), "idEmitent");
  try {
    QuerySortField("DispTitlu", kind);
    FAIL() << "no error";
  } catch (const actsdb::StoreError& e) {
    EXPECT_STREQ(e.what(), "Field 'idDispTitlu' not found");
  }
  EXPECT_THROW(QuerySortField("Nimic", kind), actsdb::StoreError);
}

TEST(ClientSortTest, PlainClicksSortByOneColumnAndToggle) {
  std::optional<SortKeys> index;
  const std::vector<std::string> titlu = {"Titlu"};
  const std::vector<std::string> anul = {"Anul"};
  const struct {
    const std::vector<std::string>* keys;
    const char* fields;
    const char* descending;
    Arrow arrow;
  } clicks[] = {
      {&titlu, "Titlu", "", Arrow::kAscending},
      {&titlu, "Titlu", "Titlu", Arrow::kDescending},
      {&titlu, "Titlu", "", Arrow::kAscending},
      {&anul, "Anul", "", Arrow::kAscending},  // a plain click drops the other column
  };
  for (const auto& click : clicks) {
    index = ClickSortKeys(index, *click.keys, /*shift=*/false);
    EXPECT_EQ(JoinFields(index->fields), click.fields);
    EXPECT_EQ(JoinFields(index->descending), click.descending);
    EXPECT_EQ(ArrowFor(*index, *click.keys), click.arrow);
  }
  EXPECT_EQ(ArrowFor(*index, titlu), Arrow::kNone);
}

TEST(ClientSortTest, ShiftClicksAddAKeyMakeItDescendingThenRemoveIt) {
  std::optional<SortKeys> index = ClickSortKeys(std::nullopt, {"Anul"}, false);
  const std::vector<std::string> emitent = {"IdEmitent"};  // a lookup column's key
  const struct {
    const char* fields;
    const char* descending;
    Arrow arrow;
  } clicks[] = {
      {"Anul;IdEmitent", "", Arrow::kAscending},
      {"Anul;IdEmitent", "IdEmitent", Arrow::kDescending},
      {"Anul", "", Arrow::kNone},
  };
  for (const auto& click : clicks) {
    index = ClickSortKeys(index, emitent, /*shift=*/true);
    EXPECT_EQ(JoinFields(index->fields), click.fields);
    EXPECT_EQ(JoinFields(index->descending), click.descending);
    EXPECT_EQ(ArrowFor(*index, emitent), click.arrow);
    EXPECT_EQ(ArrowFor(*index, {"Anul"}), Arrow::kAscending);  // the first key keeps its arrow
  }
}

TEST(ClientSortTest, ArrowsCompareWholeFieldNames) {
  // "Titlu" is part of "Titlu2" but is not that field.
  const SortKeys index{{"Titlu2", "Titlu"}, {"Titlu2"}};
  EXPECT_EQ(ArrowFor(index, {"Titlu"}), Arrow::kAscending);
  EXPECT_EQ(ArrowFor(index, {"Titlu2"}), Arrow::kDescending);
  EXPECT_EQ(ArrowFor(index, {}), Arrow::kNone);  // a calculated column does not sort
}

TEST(ClientSortTest, FieldListsSplitAndJoin) {
  EXPECT_EQ(SplitFields("Anul;IdEmitent"), (std::vector<std::string>{"Anul", "IdEmitent"}));
  EXPECT_EQ(SplitFields(""), std::vector<std::string>{});
  EXPECT_EQ(SplitFields("Anul;"), std::vector<std::string>{"Anul"});
  EXPECT_EQ(JoinFields({"Anul", "Titlu"}), "Anul;Titlu");
}

}  // namespace
}  // namespace finding
