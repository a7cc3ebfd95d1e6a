#include "viewer/finding/filter_criteria.h"

#include <charconv>
#include <stdexcept>

#include "actsdb/dates.h"
#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "viewer/finding/text_words.h"

namespace finding {
namespace {

constexpr std::array<std::string_view, kGroupCount> kGroupCaptions = {"Cuvinte", "Proprietati",
                                                                      "Publicatia", "Data"};

struct CriterionInfo {
  std::string_view caption;
  CriteriaGroup group;
};
constexpr std::array<CriterionInfo, kCriterionCount> kCriteria = {{
    {"In titlu", CriteriaGroup::kCuvinte},
    {"In text", CriteriaGroup::kCuvinte},
    {"Tipul", CriteriaGroup::kProprietati},
    {"Domeniul", CriteriaGroup::kProprietati},
    {"Emitentul", CriteriaGroup::kProprietati},
    {"Numarul", CriteriaGroup::kProprietati},
    {"Anul", CriteriaGroup::kProprietati},
    {"Numele", CriteriaGroup::kPublicatia},
    {"Numarul Publicatiei", CriteriaGroup::kPublicatia},
    {"Limba", CriteriaGroup::kPublicatia},
    {"Emis de la", CriteriaGroup::kData},
    {"Emis pana la", CriteriaGroup::kData},
    {"Publicat de la", CriteriaGroup::kData},
    {"Publicat pana la", CriteriaGroup::kData},
}};

// The criteria that make up the query, in the order of its groups.
constexpr Criterion kQueryOrder[] = {
    Criterion::kInTitlu,        Criterion::kDomeniul,
    Criterion::kEmitentul,      Criterion::kNumele,
    Criterion::kTipul,          Criterion::kNumarul,
    Criterion::kAnul,           Criterion::kNumarulPublicatiei,
    Criterion::kLimba,          Criterion::kEmisDeLa,
    Criterion::kEmisPanaLa,     Criterion::kPublicatDeLa,
    Criterion::kPublicatPanaLa,
};

// The condition line of one value of `criterion`.
std::string ConditionLine(Criterion criterion, const CriterionValue& value) {
  const std::string& v = value.text;
  const std::string id = std::to_string(value.id);
  switch (criterion) {
    case Criterion::kInTitlu:
      return "(( Titlu LIKE '%" + v + "%' ) OR ( Titlu2 LIKE '%" + v + "%' ))";
    case Criterion::kDomeniul:
      return "( IdDomeniu = " + id + " )";
    case Criterion::kEmitentul:
      return "( IdEmitent = " + id + " )";
    case Criterion::kNumele:
      return "( IdPublicatie = " + id + " )";
    case Criterion::kTipul:
      return "( IdTipAct = " + id + " )";
    case Criterion::kNumarul:
      return "( NrOficial = " + v + " )";
    case Criterion::kAnul:
      return "( Anul = " + v + " )";
    case Criterion::kNumarulPublicatiei:
      return "( Numar = " + v + " )";
    case Criterion::kLimba:
      return "( Limba = '" + v.substr(0, 1) + "' )";
    case Criterion::kEmisDeLa:
      return "( Data >= '" + v + "' )";
    case Criterion::kEmisPanaLa:
      return "( Data <= '" + v + "' )";
    case Criterion::kPublicatDeLa:
      return "( DataPub >= '" + v + "' )";
    case Criterion::kPublicatPanaLa:
      return "( DataPub <= '" + v + "' )";
    case Criterion::kInText:
      break;
  }
  return "";
}

}  // namespace

std::string_view Caption(CriteriaGroup group) { return kGroupCaptions[static_cast<size_t>(group)]; }

std::string_view Caption(Criterion criterion) {
  return kCriteria[static_cast<size_t>(criterion)].caption;
}

CriteriaGroup GroupOf(Criterion criterion) {
  return kCriteria[static_cast<size_t>(criterion)].group;
}

// ---------------------------------------------------------------------------

struct CodeTables::Lookup {
  Lookup(actsdb::Database& db, const char* table_name, const char* name, const char* id)
      : table(db, table_name), name_column(name), id_column(id) {
    table.Open();
  }
  actsdb::Table table;
  std::string name_column;
  std::string id_column;
};

CodeTables::CodeTables(actsdb::Database& db) {
  lookups_[0] = std::make_unique<Lookup>(db, "tblTipAct", "TipAct", "IdTipAct");
  lookups_[1] = std::make_unique<Lookup>(db, "tblDomenii", "Domeniu", "IdDomeniu");
  lookups_[2] = std::make_unique<Lookup>(db, "tblEmitenti", "Emitent", "IDEmitent");
  lookups_[3] = std::make_unique<Lookup>(db, "tblPublicatii", "Publicatia", "IdPublicatie");
}

CodeTables::~CodeTables() = default;

CodeTables::Lookup& CodeTables::For(Criterion criterion) {
  switch (criterion) {
    case Criterion::kTipul:
      return *lookups_[0];
    case Criterion::kDomeniul:
      return *lookups_[1];
    case Criterion::kEmitentul:
      return *lookups_[2];
    case Criterion::kNumele:
      return *lookups_[3];
    default:
      break;
  }
  throw std::invalid_argument("no code table for the criterion \"" +
                              std::string(Caption(criterion)) + "\"");
}

std::optional<int64_t> CodeTables::IdOfName(Criterion criterion, const std::string& name) {
  Lookup& l = For(criterion);
  if (!l.table.Locate(l.name_column, name)) return std::nullopt;
  return l.table.AsInteger(l.id_column);
}

std::optional<std::string> CodeTables::NameOfCode(Criterion criterion, const std::string& code) {
  Lookup& l = For(criterion);
  if (!l.table.Locate("IndCod", code)) return std::nullopt;
  return l.table.AsString(l.name_column);
}

std::vector<std::string> CodeTables::Names(Criterion criterion) {
  Lookup& l = For(criterion);
  std::vector<std::string> names;
  for (bool more = l.table.First(); more; more = l.table.Next()) {
    names.push_back(l.table.AsString(l.name_column));
  }
  return names;
}

// ---------------------------------------------------------------------------

FilterCriteria::FilterCriteria(CodeTables& tables) : tables_(tables) {}

void FilterCriteria::SetValue(Criterion criterion, CriterionValue value) {
  values_[static_cast<size_t>(criterion)] = {std::move(value)};
  expanded_[static_cast<size_t>(GroupOf(criterion))] = true;
}

bool FilterCriteria::Enter(Criterion criterion, std::string_view text) {
  std::vector<CriterionValue>& values = values_[static_cast<size_t>(criterion)];
  switch (criterion) {
    case Criterion::kInTitlu:
    case Criterion::kInText:
      values.clear();
      for (std::string& word : SplitTextWords(text)) values.push_back({std::move(word)});
      if (!values.empty()) expanded_[static_cast<size_t>(GroupOf(criterion))] = true;
      return true;

    case Criterion::kTipul:
    case Criterion::kDomeniul:
    case Criterion::kEmitentul:
    case Criterion::kNumele: {
      values.clear();
      if (text.empty()) return true;
      std::string name(text);
      if (name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
      const std::optional<int64_t> id = tables_.IdOfName(criterion, name);
      if (!id) return false;
      SetValue(criterion, {std::move(name), *id});
      return true;
    }

    case Criterion::kLimba:
      values.clear();
      if (!text.empty() && text != kAnyChoice) SetValue(criterion, {std::string(text)});
      return true;

    case Criterion::kNumarul:
    case Criterion::kAnul:
      values.clear();
      if (text.empty()) return true;
      if (!IsIntegerText(text)) return false;
      SetValue(criterion, {std::string(text)});
      return true;

    case Criterion::kNumarulPublicatiei:
    case Criterion::kEmisDeLa:
    case Criterion::kEmisPanaLa:
    case Criterion::kPublicatDeLa:
    case Criterion::kPublicatPanaLa: {
      if (text.empty()) return true;
      const bool valid = criterion == Criterion::kNumarulPublicatiei
                             ? IsIntegerText(text)
                             : actsdb::ParseDmy(text).has_value();
      if (!valid) return false;
      SetValue(criterion, {std::string(text)});
      return true;
    }
  }
  return false;
}

void FilterCriteria::Clear() {
  for (auto& values : values_) values.clear();
  expanded_.fill(false);
}

std::vector<std::string> FilterCriteria::TextWords() const {
  std::vector<std::string> words;
  for (const CriterionValue& v : values(Criterion::kInText)) words.push_back(v.text);
  return words;
}

std::vector<std::string> FilterCriteria::SqlLines() const {
  std::vector<std::string> lines = {actsdb::kActsListSelect};
  for (const Criterion criterion : kQueryOrder) {
    if (!active(criterion)) continue;
    lines.push_back(lines.size() == 1 ? "" : "AND");
    lines.push_back("(");
    for (const CriterionValue& value : values(criterion)) {
      if (lines.back() != "(") lines.push_back("OR");
      lines.push_back(ConditionLine(criterion, value));
    }
    lines.push_back(")");
  }
  if (lines.size() > 1) lines.insert(lines.begin() + 2, "WHERE");
  return lines;
}

bool IsIntegerText(std::string_view text) {
  if (text.size() > 1 && text[0] == '+' && text[1] >= '0' && text[1] <= '9') text.remove_prefix(1);
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

std::string SqlText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::optional<std::string> ClientFilterExpression(std::string_view sql_text) {
  const size_t where = sql_text.find("WHERE");
  if (where == std::string_view::npos) return std::nullopt;
  std::string expression(sql_text.substr(where + 5));
  for (char& c : expression) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return expression;
}

}  // namespace finding
