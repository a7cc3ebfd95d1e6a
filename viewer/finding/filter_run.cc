#include "viewer/finding/filter_run.h"

#include "actsdb/acts_views.h"
#include "viewer/finding/text_words.h"

namespace finding {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> lines, const std::string& order_by) {
  if (!order_by.empty()) lines.push_back("ORDER BY " + order_by);
  return lines;
}

}  // namespace

int RunFilter(const FilterCriteria& criteria, std::string_view mode, const std::string& order_by,
              int32_t largest_act_id, TextSearch& search, actsdb::ActsViews& views) {
  std::vector<std::string> stems;
  for (const std::string& word : criteria.TextWords()) stems.push_back(SearchStem(word));
  search.Run(stems, mode, largest_act_id);
  const std::vector<std::string> lines = criteria.SqlLines();

  if (views.data_acte() == actsdb::ActsList::kQueActeMic) {
    views.SetDataActe(actsdb::ActsList::kQueActe);
    views.QueActeMic().Close();
  }
  if (views.data_acte() == actsdb::ActsList::kQueActe) {
    actsdb::Query& query = views.QueActe();
    actsdb::ControlsDisabled held(query);
    std::vector<std::string> sorted = Sorted(lines, order_by);
    if (sorted != query.sql()) {
      query.Close();
      query.sql() = std::move(sorted);
    }
    query.Open();
    query.SetFiltered(true);
    query.Refilter();
  } else {
    actsdb::ClientDataset& client = views.ClientActe();
    actsdb::ControlsDisabled held(client);
    const std::optional<std::string> expression = ClientFilterExpression(SqlText(lines));
    client.SetFilterText(expression.value_or(""));
    client.SetFiltered(expression.has_value() || !stems.empty());
    client.Refilter();
  }
  return views.DataActe().RecordCount();
}

int RunFindAct(const std::vector<std::string>& lines, const std::string& order_by,
               TextSearch& search, actsdb::ActsViews& views) {
  search.Reset();
  if (views.data_acte() != actsdb::ActsList::kClientActe) {
    actsdb::Query& query = views.QueActeMic();
    actsdb::ControlsDisabled held(query);
    query.Close();
    query.sql() = Sorted(lines, order_by);
    query.Open();
    views.SetDataActe(actsdb::ActsList::kQueActeMic);
  } else {
    actsdb::ClientDataset& client = views.ClientActe();
    actsdb::ControlsDisabled held(client);
    // The line breaks stay in the expression; the filter reads them as blanks.
    const std::string text = SqlText(lines);
    const size_t where = text.find("WHERE");
    client.SetFilterText(where == std::string::npos ? "" : text.substr(where + 5));
    client.SetFiltered(where != std::string::npos);
    client.Refilter();
  }
  return views.DataActe().RecordCount();
}

}  // namespace finding
