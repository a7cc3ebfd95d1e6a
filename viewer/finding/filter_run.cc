#include "viewer/finding/filter_run.h"

#include "actsdb/store.h"
#include "viewer/finding/text_words.h"

namespace finding {
namespace {

// Holds back the views bound to `dataset` while the run changes it.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(actsdb::Dataset& dataset) : dataset_(dataset) {
    dataset_.DisableControls();
  }
  ~ControlsDisabled() { dataset_.EnableControls(); }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  actsdb::Dataset& dataset_;
};

std::vector<std::string> Sorted(std::vector<std::string> lines, const std::string& order_by) {
  if (!order_by.empty()) lines.push_back("ORDER BY " + order_by);
  return lines;
}

}  // namespace

actsdb::Dataset& ActsLists::data_acte() const {
  switch (shown) {
    case Shown::kQueActe:
      return *que_acte;
    case Shown::kQueActeMic:
      return *que_acte_mic;
    case Shown::kClientActe:
      break;
  }
  return *client_acte;
}

int RunFilter(const FilterCriteria& criteria, std::string_view mode, const std::string& order_by,
              int32_t largest_act_id, TextSearch& search, ActsLists& lists) {
  std::vector<std::string> stems;
  for (const std::string& word : criteria.TextWords()) stems.push_back(SearchStem(word));
  search.Run(stems, mode, largest_act_id);
  const std::vector<std::string> lines = criteria.SqlLines();

  if (lists.shown == ActsLists::Shown::kQueActeMic) {
    lists.shown = ActsLists::Shown::kQueActe;
    lists.que_acte_mic->Close();
  }
  if (lists.shown == ActsLists::Shown::kQueActe) {
    actsdb::Query& query = *lists.que_acte;
    ControlsDisabled held(query);
    std::vector<std::string> sorted = Sorted(lines, order_by);
    if (sorted != query.sql()) {
      query.Close();
      query.sql() = std::move(sorted);
    }
    query.Open();
    query.SetFiltered(true);
    query.Refilter();
  } else {
    actsdb::ClientDataset& client = *lists.client_acte;
    ControlsDisabled held(client);
    const std::optional<std::string> expression = ClientFilterExpression(SqlText(lines));
    client.SetFilterText(expression.value_or(""));
    client.SetFiltered(expression.has_value() || !stems.empty());
    client.Refilter();
  }
  return lists.data_acte().RecordCount();
}

int RunFindAct(const std::vector<std::string>& lines, const std::string& order_by,
               TextSearch& search, ActsLists& lists) {
  search.Reset();
  if (lists.shown == ActsLists::Shown::kQueActe) lists.shown = ActsLists::Shown::kQueActeMic;
  if (lists.shown == ActsLists::Shown::kQueActeMic) {
    actsdb::Query& query = *lists.que_acte_mic;
    ControlsDisabled held(query);
    query.Close();
    query.sql() = Sorted(lines, order_by);
    query.Open();
  } else {
    actsdb::ClientDataset& client = *lists.client_acte;
    ControlsDisabled held(client);
    // The line breaks stay in the expression; the filter reads them as blanks.
    const std::string text = SqlText(lines);
    const size_t where = text.find("WHERE");
    client.SetFilterText(where == std::string::npos ? "" : text.substr(where + 5));
    client.SetFiltered(where != std::string::npos);
    client.Refilter();
  }
  return lists.data_acte().RecordCount();
}

}  // namespace finding
