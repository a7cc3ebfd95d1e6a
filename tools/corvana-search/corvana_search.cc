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
// the IdAct alone. Without --install-dir the installation is the one the
// install-directory lookup names, its database that of the alias Zazi1
// when it is registered. Exit status: 0 when acts were found, 1 when none,
// 2 on an error.
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

// Prints the acts the search accepts, in IdAct order; returns how many.
int PrintActs(actsdb::ActsViews& views, bool ids_only) {
  actsdb::Query& acts = views.QueActe();
  acts.sql() = {actsdb::kActsListSelect, "ORDER BY IdAct ASCENDING"};
  acts.SetFiltered(true);
  acts.Open();
  actsdb::Table& act = views.tblActeNef();
  int found = 0;
  for (bool more = acts.First(); more; more = acts.Next()) {
    ++found;
    const int64_t id = acts.AsInteger("IdAct");
    if (ids_only) {
      std::cout << id << "\n";
      continue;
    }
    // The display title as an act window shows it.
    const std::string title = act.Locate("IdAct", id) ? act.AsString("DispTitlu") : "";
    std::cout << id << "\t" << actsdb::Cp1250ToUtf8(acts.AsString("IndNum")) << "\t"
              << actsdb::Cp1250ToUtf8(title) << "\n";
  }
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

  const actsdb::InstallationPlaces places =
      actsdb::ResolveInstallation(options.install_dir, actsdb::AliasConfig());
  std::unique_ptr<finding::TextSearch> search;
  actsdb::ActsViews views([&search](int64_t id_act) { return search->Accepts(id_act); });
  views.Open(places, actsdb::LoadMode::kNone);
  finding::TableDictionary dictionary(views.database());
  for (size_t i = 0; i < words.size(); ++i) {
    if (!dictionary.Find(actsdb::UpperCase(stems[i]), /*exact=*/false)) {
      std::cerr << "corvana-search: \"" << actsdb::Cp1250ToUtf8(words[i])
                << "\" is not in the word index; no act contains it\n";
    }
  }
  search = std::make_unique<finding::TextSearch>(dictionary, views.database().directory());
  search->Run(stems, options.mode, finding::LargestActId(views.database()));
  const int found = PrintActs(views, options.ids_only);
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
  try {
    return Search(*options);
  } catch (const std::exception& e) {
    std::cerr << "corvana-search: " << e.what() << "\n";
    return 2;
  }
}
