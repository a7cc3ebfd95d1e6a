#include "idxcore/import/header.h"

#include <charconv>

#include "idxcore/import/text_parsing.h"

namespace idxcore {

namespace {

std::string LineName(size_t index) { return "header line " + std::to_string(index + 1); }

int ToInt(const std::string& word, const char* what, size_t line) {
  int value = 0;
  const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || ec != std::errc() || ptr != word.data() + word.size()) {
    throw ImportError(LineName(line) + ": " + what + " " + Quoted(word) + " is not an integer");
  }
  return value;
}

bool ReadsAsInt(const std::string& word, int& value) {
  const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  return !word.empty() && ec == std::errc() && ptr == word.data() + word.size();
}

// A year written with two digits is of the 1900s: "19" is put before the
// last two characters unless the two before them are "19", "20" or "18".
std::string WithCentury(std::string text) {
  if (text.size() >= 4) {
    const std::string century = text.substr(text.size() - 4, 2);
    if (century != "19" && century != "20" && century != "18") text.insert(text.size() - 2, "19");
  }
  return text;
}

actsdb::Date ToDate(const std::string& text, const char* what, size_t line) {
  const std::optional<actsdb::Date> date = actsdb::ParseImportDate(WithCentury(text));
  if (!date) throw ImportError(LineName(line) + ": " + what + " " + Quoted(text) + " is not a d/m/y date");
  return *date;
}

const std::string& Line(const std::vector<std::string>& lines, size_t i, const char* what) {
  if (i >= lines.size()) {
    throw ImportError("the act ends before its " + std::string(what) + " (" + LineName(i) + ")");
  }
  return lines[i];
}

bool StartsWith(const std::string& s, char c) { return !s.empty() && s[0] == c; }

}  // namespace

ActHeader ParseHeader(std::vector<std::string>& lines) {
  ActHeader h;
  std::vector<std::string> w = ParseLine(Line(lines, 0, "code line"), CharSet::kCode, 0);
  if (w.size() < 4) {
    throw ImportError(LineName(0) +
                      ": the code line needs type, issuer, year and official number");
  }
  h.type_code = w[0];
  h.issuer_code = w[1];
  h.year = ToInt(w[2], "year", 0);
  h.official_number = ToInt(w[3], "official number", 0);
  lines[0] += " 0";
  w.push_back("0");
  std::string language_suffix;
  // w: type, issuer, year, number, then the republication or "M", "0".
  if (w.size() > 4) {
    if (w[4] == "M") {
      h.hungarian = true;
      language_suffix = " M";
      w[4] = "0";
      w.push_back("M");
    } else {
      // A republication that does not read as a number stays 0 and its
      // word still goes into the key.
      ReadsAsInt(w[4], h.republication);
    }
  }
  if (w.size() > 5 && w[5] == "M") {
    h.hungarian = true;
    language_suffix = " M";
    w[5] = "0";
    w.push_back("M");
  }
  h.key = w[0] + " " + w[1] + " " + w[3] + " " + w[2] + " " + w[4] + language_suffix;

  h.domain_codes = ParseLine(Line(lines, 1, "domain line"), CharSet::kCode, 0);
  if (!h.domain_codes.empty()) h.main_domain = h.domain_codes.front();

  const std::string& date_line = Line(lines, 2, "date line");
  // The date as written after its four characters; ToDate adds the century.
  h.date = ToDate(date_line.size() > 4 ? date_line.substr(4) : std::string(), "act date", 2);

  const std::string& publication = Line(lines, 3, "publication line");
  const std::vector<std::string> p = ParseLine(publication, CharSet::kCode, 0);
  if (publication.compare(0, 10, "#M.Of. nr.") == 0) {
    h.publication_code = "MOF";
    if (p.size() < 4) throw ImportError(LineName(3) + ": the gazette number is missing");
    h.publication_number = ToInt(p[3], "gazette number", 3);
    if (p.size() >= 6) h.publication_date = ToDate(p[5], "publication date", 3);
  } else {
    if (p.empty()) throw ImportError(LineName(3) + ": the publication line has no code");
    h.publication_code = p[0];
    if (p.size() > 2) h.publication_number = ToInt(p[2], "publication number", 3);
    if (p.size() >= 5) h.publication_date = ToDate(p[4], "publication date", 3);
  }

  size_t i = 4;
  while (StartsWith(Line(lines, i, "title"), '#')) ++i;
  std::string t1;
  std::string t2;
  while (!StartsWith(Line(lines, i, "header end line \"#\""), '#')) {
    if (StartsWith(lines[i], '-')) {
      t2 += lines[i];
    } else {
      t1 += lines[i] + " ";
    }
    ++i;
  }
  try {
    h.title = ParseTitlu(t1);
    h.title2 = ParseTitlu(t2);
  } catch (const ImportError& e) {
    throw ImportError(std::string("title: ") + e.what());
  }
  return h;
}

std::vector<std::string> ModificationEntries(const std::vector<std::string>& lines,
                                             bool hungarian) {
  std::vector<std::string> entries;
  if (hungarian || lines.empty()) return entries;
  const std::string code_text = lines[0].substr(std::min<size_t>(1, lines[0].size()));
  for (size_t i = 4; i < lines.size() && StartsWith(lines[i], '#'); ++i) {
    // "#K" + blank + code words; a line too short to name a kind names nothing.
    if (lines[i].size() < 2) continue;
    std::string named = lines[i].size() > 3 ? lines[i].substr(3) : std::string();
    if (ParseLine(named, CharSet::kCode, 0).size() < 5) named += " 0";
    entries.push_back(std::string(1, lines[i][1]) + " " + code_text + "##" + named);
  }
  return entries;
}

}  // namespace idxcore
