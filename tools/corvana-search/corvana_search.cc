// corvana-search: the acts the viewer's filter window finds, from the
// command line: by the words of their text, found as the viewer's text
// search finds them, and by the window's other criteria.
//
//   corvana-search [--install-dir DIR] [--mode MODE] [CRITERION...]
//                  [--order "FIELD ASCENDING|DESCENDING"] [--ids] [--sql] [WORD...]
//
// MODE is "oriunde in text" (the default: every word somewhere in the act),
// "apropiate" (all the words within 20 positions) or "expresie" (all the
// words within as many positions as there are words). The words are cut and
// stemmed as the filter window does: letters only, words of more than three
// letters, diacritics optional.
//
// The criteria are the filter window's boxes:
//   --title WORDS        words of the title, any of them (split as the box
//                        splits them: words of more than three letters)
//   --type T, --domain D, --issuer E, --publication P
//                        the code of the code table (such as HOT) or the name
//   --number N, --year N, --pub-number N
//   --language any|ro|hu
//   --issued-from D, --issued-to D, --published-from D, --published-to D
//                        dates as d/m/yyyy
// A value the window's box would quietly ignore (an unknown code or name, a
// number or date that does not parse) is refused here, naming the option.
// --order sorts by a field of tblActe, as a click on the grid's column
// title does; without it the acts come in ascending IdAct.
//
// --sql prints the SQL text of the acts query the filter window builds for
// the criteria in the partial-load mode (its lines ended by CR LF) and
// exits. Otherwise prints one act per line: IdAct, the act key and the
// display title separated by tabs, or with --ids the IdAct alone. Without
// --install-dir the installation is the one the install-directory lookup
// names, its database that of the alias Zazi1 when it is registered. Exit
// status: 0 when acts were found (or the SQL printed), 1 when none, 2 on an
// error.
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actsdb/acts_views.h"
#include "actsdb/codepage.h"
#include "actsdb/schema.h"
#include "tools/corvana-search/search_options.h"
#include "viewer/finding/filter_run.h"
#include "viewer/finding/text_search.h"
#include "viewer/finding/text_words.h"

namespace {

using corvana_search::SearchOptions;

// Prints the acts `list` shows, in its order; returns how many.
int PrintActs(actsdb::Dataset& list, actsdb::Table& act, bool ids_only) {
  int found = 0;
  for (bool more = list.First(); more; more = list.Next()) {
    ++found;
    const int64_t id = list.AsInteger("IdAct");
    if (ids_only) {
      std::cout << id << "\n";
      continue;
    }
    // The display title as an act window shows it.
    const std::string title = act.Locate("IdAct", id) ? act.AsString("DispTitlu") : "";
    std::cout << id << "\t" << actsdb::Cp1250ToUtf8(list.AsString("IndNum")) << "\t"
              << actsdb::Cp1250ToUtf8(title) << "\n";
  }
  return found;
}

int Search(const SearchOptions& options) {
  const std::vector<std::string> words = finding::SplitTextWords(options.text);
  if (options.has_text && words.empty()) {
    std::cerr << "corvana-search: no word of more than three letters to search for\n";
    return 2;
  }
  if (words.empty() && options.boxes.empty() && !options.print_sql) {
    std::cerr << "corvana-search: nothing to search for: give words or criteria\n";
    return 2;
  }

  const actsdb::InstallationPlaces places =
      actsdb::ResolveInstallation(options.install_dir, actsdb::AliasConfig());
  std::unique_ptr<finding::TextSearch> search;
  actsdb::ActsViews views([&search](int64_t id_act) { return search->Accepts(id_act); });
  views.Open(places, actsdb::LoadMode::kNone);

  finding::CodeTables tables(views.database());
  finding::FilterCriteria criteria(tables);
  if (const std::string refused = corvana_search::EnterCriteria(options, tables, criteria);
      !refused.empty()) {
    std::cerr << "corvana-search: " << refused << "\n";
    return 2;
  }
  criteria.Enter(finding::Criterion::kInText, options.text);
  if (!options.order_by.empty()) {
    actsdb::Table acts(views.database(), "tblActe");
    acts.Open();
    if (const std::string wrong =
            corvana_search::CheckOrderBy(options.order_by, acts.ColumnNames());
        !wrong.empty()) {
      std::cerr << "corvana-search: " << wrong << "\n";
      return 2;
    }
  }
  if (options.print_sql) {
    std::vector<std::string> lines = criteria.SqlLines();
    if (!options.order_by.empty()) lines.push_back("ORDER BY " + options.order_by);
    std::cout << actsdb::Cp1250ToUtf8(finding::SqlText(lines));
    return 0;
  }

  finding::TableDictionary dictionary(views.database());
  for (const std::string& word : words) {
    if (!dictionary.Find(actsdb::UpperCase(finding::SearchStem(word)), /*exact=*/false)) {
      std::cerr << "corvana-search: \"" << actsdb::Cp1250ToUtf8(word)
                << "\" is not in the word index; no act contains it\n";
    }
  }
  search = std::make_unique<finding::TextSearch>(dictionary, views.database().directory());
  finding::RunFilter(criteria, options.mode,
                     options.order_by.empty() ? "IdAct ASCENDING" : options.order_by,
                     finding::LargestActId(views.database()), *search, views);
  const int found = PrintActs(views.DataActe(), views.tblActeNef(), options.ids_only);
  std::cerr << found << (found == 1 ? " act\n" : " acts\n");
  return found > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const std::optional<SearchOptions> options =
      corvana_search::ParseSearchOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
  if (!options) {
    std::cerr << "corvana-search: " << error << "\n" << corvana_search::kUsage;
    return 2;
  }
  try {
    return Search(*options);
  } catch (const std::exception& e) {
    std::cerr << "corvana-search: " << e.what() << "\n";
    return 2;
  }
}
