#include "tools/corvana-search/search_options.h"

#include <strings.h>

#include <algorithm>

#include "actsdb/codepage.h"
#include "viewer/finding/text_search.h"

namespace corvana_search {
namespace {

using finding::Criterion;

struct CriterionOption {
  const char* option;
  Criterion criterion;
  const char* what;  // for messages: what the value must be
};
constexpr CriterionOption kCriterionOptions[] = {
    {"--title", Criterion::kInTitlu, ""},
    {"--type", Criterion::kTipul, "an act type"},
    {"--domain", Criterion::kDomeniul, "a domain"},
    {"--issuer", Criterion::kEmitentul, "an issuer"},
    {"--publication", Criterion::kNumele, "a publication"},
    {"--number", Criterion::kNumarul, "a number"},
    {"--year", Criterion::kAnul, "a number"},
    {"--pub-number", Criterion::kNumarulPublicatiei, "a number"},
    {"--language", Criterion::kLimba, "any, ro or hu"},
    {"--issued-from", Criterion::kEmisDeLa, "a date d/m/yyyy"},
    {"--issued-to", Criterion::kEmisPanaLa, "a date d/m/yyyy"},
    {"--published-from", Criterion::kPublicatDeLa, "a date d/m/yyyy"},
    {"--published-to", Criterion::kPublicatPanaLa, "a date d/m/yyyy"},
};

const CriterionOption* FindOption(const std::string& option) {
  for (const CriterionOption& o : kCriterionOptions) {
    if (option == o.option) return &o;
  }
  return nullptr;
}

bool IsCodeTable(Criterion c) {
  return c == Criterion::kTipul || c == Criterion::kDomeniul || c == Criterion::kEmitentul ||
         c == Criterion::kNumele;
}

// The value of --language as the language box's choice.
std::optional<std::string_view> LanguageChoice(const std::string& value) {
  if (value == "any") return finding::kAnyChoice;
  if (value == "ro") return finding::kLanguageRomanian;
  if (value == "hu") return finding::kLanguageHungarian;
  return std::nullopt;
}

std::string Refused(const SearchOptions::Box& box, const std::string& what) {
  return box.option + ": \"" + actsdb::Cp1250ToUtf8(box.value) + "\" is not " + what;
}

}  // namespace

const char kUsage[] =
    "usage: corvana-search [--install-dir DIR] [--mode \"oriunde in text\"|apropiate|expresie]\n"
    "                      [--title WORDS] [--type T] [--domain D] [--issuer E]\n"
    "                      [--publication P] [--number N] [--year N] [--pub-number N]\n"
    "                      [--language any|ro|hu] [--issued-from D] [--issued-to D]\n"
    "                      [--published-from D] [--published-to D]\n"
    "                      [--order \"FIELD ASCENDING|DESCENDING\"] [--ids] [--sql] [WORD...]\n";

std::optional<SearchOptions> ParseSearchOptions(const std::vector<std::string>& args,
                                                std::string* error) {
  SearchOptions options;
  options.mode = finding::kModeAnywhere;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takes_value =
        arg == "--install-dir" || arg == "--mode" || arg == "--order" || FindOption(arg) != nullptr;
    if (takes_value && i + 1 == args.size()) {
      *error = arg + " needs a value";
      return std::nullopt;
    }
    if (arg == "--install-dir") {
      options.install_dir = args[++i];
    } else if (arg == "--mode") {
      options.mode = args[++i];
      if (options.mode != finding::kModeAnywhere && options.mode != finding::kModeNear &&
          options.mode != finding::kModePhrase) {
        *error =
            "--mode: \"" + options.mode + "\" is not \"oriunde in text\", apropiate or expresie";
        return std::nullopt;
      }
    } else if (arg == "--order") {
      options.order_by = actsdb::Utf8ToCp1250(args[++i]);
    } else if (arg == "--ids") {
      options.ids_only = true;
    } else if (arg == "--sql") {
      options.print_sql = true;
    } else if (const CriterionOption* o = FindOption(arg)) {
      // Arguments arrive as UTF-8; bytes that are not are taken as
      // Windows-1250 already. Comma-below letters become cedilla ones.
      options.boxes.push_back({arg, o->criterion, actsdb::Utf8ToCp1250(args[++i])});
    } else if (arg.starts_with("--")) {
      *error = "unknown option " + arg;
      return std::nullopt;
    } else {
      options.text += actsdb::Utf8ToCp1250(arg) + " ";
      options.has_text = true;
    }
  }
  return options;
}

std::string EnterCriteria(const SearchOptions& options, finding::CodeTables& tables,
                          finding::FilterCriteria& criteria) {
  for (const SearchOptions::Box& box : options.boxes) {
    const std::string what = FindOption(box.option)->what;
    bool taken = true;
    if (box.criterion == Criterion::kInTitlu) {
      criteria.Enter(box.criterion, box.value);
    } else if (box.criterion == Criterion::kLimba) {
      const std::optional<std::string_view> choice = LanguageChoice(box.value);
      taken = choice && criteria.Enter(box.criterion, *choice);
    } else if (IsCodeTable(box.criterion)) {
      const std::optional<std::string> name = tables.NameOfCode(box.criterion, box.value);
      taken = !box.value.empty() && criteria.Enter(box.criterion, name.value_or(box.value));
      if (!taken) return Refused(box, "the code or the name of " + what);
    } else {
      // An empty number or date would leave an earlier value in place.
      taken = !box.value.empty() && criteria.Enter(box.criterion, box.value);
    }
    if (!taken) return Refused(box, what);
  }
  return "";
}

std::string CheckOrderBy(const std::string& order_by, const std::vector<std::string>& columns) {
  const size_t blank = order_by.find(' ');
  const std::string field = order_by.substr(0, blank);
  const std::string direction = blank == std::string::npos ? "" : order_by.substr(blank + 1);
  if (direction != "ASCENDING" && direction != "DESCENDING") {
    return "--order: \"" + actsdb::Cp1250ToUtf8(order_by) +
           "\" is not \"FIELD ASCENDING\" or \"FIELD DESCENDING\"";
  }
  const bool known = std::any_of(columns.begin(), columns.end(), [&](const std::string& c) {
    return strcasecmp(c.c_str(), field.c_str()) == 0;
  });
  if (!known) return "--order: \"" + actsdb::Cp1250ToUtf8(field) + "\" is not a field of tblActe";
  return "";
}

}  // namespace corvana_search
