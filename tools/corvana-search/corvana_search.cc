// corvana-search: the acts whose text holds some words, found as the
// viewer's text search finds them.
//
//   corvana-search [--install-dir DIR] [--mode MODE] [--ids] WORD...
//
// MODE is "oriunde in text" (the default: every word somewhere in the act),
// "apropiate" (all the words within 20 positions) or "expresie" (all the
// words within as many positions as there are words). The words are cut and
// stemmed as the filter window does: letters only, words of more than three
// letters, diacritics optional. Prints one act per line, in ascending IdAct:
// IdAct, the act key and the display title separated by tabs, or with --ids
// the IdAct alone. Exit status: 0 when acts were found, 1 when none, 2 on
// an error.
#include <cstdio>
#include <exception>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/display_title.h"
#include "actsdb/install_dir.h"
#include "actsdb/installation.h"
#include "actsdb/store.h"
#include "idxcore/index/cursor.h"
#include "viewer/finding/text_search.h"
#include "viewer/finding/text_words.h"

namespace {

constexpr char kUsage[] =
    "usage: corvana-search [--install-dir DIR] [--mode \"oriunde in text\"|apropiate|expresie]"
    " [--ids] WORD...\n";

struct Options {
  std::string install_dir;
  std::string mode{finding::kModeAnywhere};
  bool ids_only = false;
  std::string text;  // the words, Windows-1250
};

std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--install-dir" || arg == "--mode") && i + 1 < argc) {
      (arg == "--mode" ? options.mode : options.install_dir) = argv[++i];
    } else if (arg == "--ids") {
      options.ids_only = true;
    } else if (arg.starts_with("--")) {
      return std::nullopt;
    } else {
      // Arguments arrive as UTF-8; bytes that are not are taken as
      // Windows-1250 already. Comma-below letters become cedilla ones.
      options.text += actsdb::Utf8ToCp1250(arg) + " ";
    }
  }
  if (options.mode != finding::kModeAnywhere && options.mode != finding::kModeNear &&
      options.mode != finding::kModePhrase) {
    return std::nullopt;
  }
  return options;
}

std::optional<int64_t> Column(const actsdb::Dataset& row, const char* column) {
  if (row.IsNull(column)) return std::nullopt;
  return row.AsInteger(column);
}

// Prints the acts the search accepts; returns how many.
int PrintActs(actsdb::Database& db, const finding::TextSearch& search, bool ids_only) {
  actsdb::Table types(db, "tblTipAct");
  types.Open();
  std::map<int64_t, std::string> type_names;
  auto type_name = [&](int64_t id) -> const std::string& {
    auto [it, added] = type_names.try_emplace(id);
    if (added && types.Locate("IdTipAct", id)) it->second = types.AsString("TipAct");
    return it->second;
  };

  actsdb::Query acts(db);
  acts.sql() = {"SELECT IdAct, IdTipAct, NrOficial, Anul, Titlu2, Rep, IndNum FROM tblActe",
                "ORDER BY IdAct ASCENDING"};
  acts.SetRecordFilter(
      [&](const actsdb::Dataset& row) { return search.Accepts(row.AsInteger("IdAct")); });
  acts.SetFiltered(true);
  acts.Open();
  int found = 0;
  for (bool more = acts.First(); more; more = acts.Next()) {
    ++found;
    const int64_t id = acts.AsInteger("IdAct");
    if (ids_only) {
      std::cout << id << "\n";
      continue;
    }
    const actsdb::TitleColumns title{type_name(acts.AsInteger("IdTipAct")),
                                     Column(acts, "NrOficial"), Column(acts, "Anul"),
                                     acts.AsString("Titlu2"), Column(acts, "Rep")};
    std::string disp = actsdb::DispTitlu(title);
    if (disp.size() > actsdb::kDispTitluWidth) disp.resize(actsdb::kDispTitluWidth);
    std::cout << id << "\t" << actsdb::Cp1250ToUtf8(acts.AsString("IndNum")) << "\t"
              << actsdb::Cp1250ToUtf8(disp) << "\n";
  }
  acts.Close();
  return found;
}

int Search(const Options& options) {
  const std::vector<std::string> words = finding::SplitTextWords(options.text);
  if (words.empty()) {
    std::cerr << "corvana-search: no word of more than three letters to search for\n";
    return 2;
  }
  std::vector<std::string> stems;
  for (const std::string& word : words) stems.push_back(finding::SearchStem(word));

  std::unique_ptr<actsdb::Database> db =
      actsdb::Database::Open(actsdb::DatabasePath(options.install_dir));
  finding::TableDictionary dictionary(*db);
  for (size_t i = 0; i < words.size(); ++i) {
    if (!dictionary.Find(actsdb::UpperCase(stems[i]), /*exact=*/false)) {
      std::cerr << "corvana-search: \"" << actsdb::Cp1250ToUtf8(words[i])
                << "\" is not in the word index; no act contains it\n";
    }
  }

  _cautstr(db->directory().c_str());
  finding::TextSearch search(dictionary, db->directory());
  int found = 0;
  try {
    search.Run(stems, options.mode, finding::LargestActId(*db));
    found = PrintActs(*db, search, options.ids_only);
  } catch (...) {
    _cautstp();
    throw;
  }
  _cautstp();
  std::cerr << found << (found == 1 ? " act\n" : " acts\n");
  return found > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  if (options->install_dir.empty()) options->install_dir = actsdb::LookupInstallDir();
  if (options->install_dir.empty()) {
    std::cerr << "corvana-search: no installation directory: give --install-dir or set "
                 "CORVANA_HOME\n";
    return 2;
  }
  try {
    return Search(*options);
  } catch (const std::exception& e) {
    std::cerr << "corvana-search: " << e.what() << "\n";
    return 2;
  }
}
