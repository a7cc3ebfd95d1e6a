#include "idxcore/session/modifications.h"

#include <charconv>
#include <optional>

#include "actsdb/codepage.h"
#include "actsdb/transaction.h"
#include "idxcore/import/text_parsing.h"

namespace idxcore {

namespace {

constexpr size_t kModifyingTextLimit = 100;
constexpr size_t kKeyTextWidth = 40;  // ModificantTxt, ModificatTxt

std::vector<std::string> KeyWords(std::string_view text) {
  return ParseLine(text, CharSet::kCode, 0);
}

int DecimalNumber(const std::string& word, const char* what) {
  int value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size()) {
    throw ModificationError(std::string(what) + " " + Quoted(word) + " is not a number");
  }
  return value;
}

// Restricts the parts table to one act for as long as it lives.
class PartsOfAct {
 public:
  PartsOfAct(actsdb::Table& parts, int64_t act_id) : parts_(parts) {
    parts_.SetRange("Actul", act_id);
  }
  ~PartsOfAct() { parts_.ClearRange(); }
  PartsOfAct(const PartsOfAct&) = delete;
  PartsOfAct& operator=(const PartsOfAct&) = delete;

  // The IdParte and label of every part, in the order they were made.
  void List(std::vector<int64_t>& ids, std::vector<std::string>& labels) {
    for (bool on = parts_.First(); on; on = parts_.Next()) {
      ids.push_back(parts_.AsInteger("IdParte"));
      labels.push_back(parts_.AsString("NumParte"));
    }
  }

 private:
  actsdb::Table& parts_;
};

std::optional<int64_t> FindAct(actsdb::Table& acts, const std::string& key) {
  if (!acts.Locate("IndNum", key)) return std::nullopt;
  return acts.AsInteger("IdAct");
}

int64_t TypeId(actsdb::Table& types, const std::string& code) {
  if (!types.Locate("IndCod", code)) {
    throw ModificationError("unknown modification type " + Quoted(code));
  }
  return types.AsInteger("IdTipMod");
}

void MarkModified(actsdb::Table& parts, int64_t part_id) {
  if (!parts.Locate("IdParte", part_id)) {
    throw ModificationError("part " + std::to_string(part_id) + " vanished");
  }
  parts.Edit();
  parts.SetBoolean("Mod", true);
  parts.Post();
}

// Adds the link unless the same one is there already (the same lines fed
// twice, or an act's lines again after it was replaced, add nothing).
void AddLink(actsdb::Table& links, int64_t modifying_part, int64_t modified_part,
             int64_t type_id) {
  links.SetRange("IdModificant", modifying_part);
  bool present = false;
  for (bool on = links.First(); on && !present; on = links.Next()) {
    present = links.AsInteger("IdModificat") == modified_part &&
              links.AsInteger("IdTipMod") == type_id;
  }
  links.ClearRange();
  if (present) return;
  links.Append();
  links.SetInteger("IdModificant", modifying_part);
  links.SetInteger("IdModificat", modified_part);
  links.SetInteger("IdTipMod", type_id);
  links.Post();
}

// The part of `act_id` that `kind` and `number` name (kind 'T', number 0:
// the whole-act part, which every act has first).
int64_t FindPartOfAct(actsdb::Table& parts, int64_t act_id, char kind, int number) {
  std::vector<int64_t> ids;
  std::vector<std::string> labels;
  PartsOfAct(parts, act_id).List(ids, labels);
  if (ids.empty()) throw ModificationError("act " + std::to_string(act_id) + " has no parts");
  return ids[FindPart(labels, kind, number)];
}

// Whether the same line is in the queue already, pending or done.
bool IsQueued(actsdb::Table& queue, const ActModification& m) {
  for (bool on = queue.First(); on; on = queue.Next()) {
    // Compared as stored: the columns cut the texts to their width.
    if (queue.AsString("Modificare") == m.type_code &&
        queue.AsString("ModificatTxt") == m.modified.substr(0, kKeyTextWidth) &&
        queue.AsString("ModificantTxt") == m.modifying.substr(0, kKeyTextWidth)) {
      return true;
    }
  }
  return false;
}

// Resolves one pending queue row (the queue's current row) when both its
// acts exist. Returns whether it was resolved.
bool ResolveQueued(const ModificationTables& t) {
  const std::string modifying_key = ActKeyFromText(t.queue.AsString("ModificantTxt"), false);
  const std::string modified_key = ActKeyFromText(t.queue.AsString("ModificatTxt"), true);
  const std::optional<int64_t> modifying = FindAct(t.acts, modifying_key);
  if (!modifying) return false;
  const std::optional<int64_t> modified = FindAct(t.acts, modified_key);
  if (!modified) return false;
  const int64_t type_id = TypeId(t.types, t.queue.AsString("Modificare"));

  actsdb::Transaction transaction(t.db);
  const int64_t modifying_part = FindPartOfAct(t.parts, *modifying, 'T', 0);
  const int64_t modified_part = FindPartOfAct(t.parts, *modified, 'T', 0);
  MarkModified(t.parts, modified_part);
  AddLink(t.links, modifying_part, modified_part, type_id);
  t.queue.Edit();
  t.queue.SetBoolean("Done", true);
  t.queue.Post();
  transaction.Commit();
  return true;
}

}  // namespace

std::string ActKeyFromText(std::string_view text, bool default_republication) {
  std::vector<std::string> words = KeyWords(text);
  if (words.size() == 4 && default_republication) words.push_back("0");
  if (words.size() < 5) {
    throw ModificationError("act text " + Quoted(text) + " has fewer than " +
                            (default_republication ? "four" : "five") + " words");
  }
  return words[0] + " " + words[1] + " " + words[3] + " " + words[2] + " " + words[4];
}

ActModification ParseActModification(std::string_view line) {
  const size_t hash = line.find('#');
  if (line.size() < 3 || hash == std::string_view::npos || hash < 2) {
    throw ModificationError("no \"#\" after the type and the modified act");
  }
  ActModification m;
  m.type_code = std::string(line.substr(0, 1));
  m.modified = std::string(line.substr(2, hash - 2));
  // The character after the "#" is the second "#" of "##".
  m.modifying = hash + 2 <= line.size()
                    ? std::string(line.substr(hash + 2, kModifyingTextLimit))
                    : std::string();
  ActKeyFromText(m.modified, true);
  ActKeyFromText(m.modifying, false);
  return m;
}

PartModification ParsePartModification(std::string_view line) {
  const std::vector<std::string> w = KeyWords(line);
  if (w.size() < 15) {
    throw ModificationError("has " + std::to_string(w.size()) + " words, fifteen are needed");
  }
  auto key = [&w](size_t first) {
    return w[first] + " " + w[first + 1] + " " + w[first + 3] + " " + w[first + 2] + " " +
           w[first + 4];
  };
  PartModification m;
  m.modifying_key = key(0);
  m.modifying_kind = w[5][0];
  m.modifying_number = DecimalNumber(w[6], "modifying part number");
  m.type_code = w[7];
  m.modified_key = key(8);
  m.modified_kind = w[13][0];
  m.modified_number = DecimalNumber(w[14], "modified part number");
  return m;
}

int PartNumber(std::string_view label, int& annex_counter) {
  while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
  if (actsdb::UpperCase(label) == "ANEXA") return ++annex_counter;
  if (!label.empty() && label.back() == '.') label.remove_suffix(1);

  size_t digits = 0;
  while (digits < label.size() && label[label.size() - 1 - digits] >= '0' &&
         label[label.size() - 1 - digits] <= '9') {
    ++digits;
  }
  if (digits > 0) {
    int value = 0;
    // A run too long for an int names no part; it reads as 0.
    std::from_chars(label.data() + label.size() - digits, label.data() + label.size(), value);
    return value;
  }

  // Later (longer) endings override earlier ones.
  static constexpr struct {
    std::string_view ending;
    int value;
  } kRoman[] = {{"I", 1},  {"X", 10}, {"V", 5},  {"IV", 4},  {"II", 2},
                {"VI", 6}, {"IX", 9}, {"III", 3}, {"VII", 7}, {"VIII", 8}};
  int value = 0;
  for (const auto& r : kRoman) {
    if (label.ends_with(r.ending)) value = r.value;
  }
  return value;
}

size_t FindPart(const std::vector<std::string>& labels, char kind, int number) {
  std::string_view prefix;
  switch (kind) {
    case 'A': prefix = "ART"; break;
    case 'C': prefix = "CAP"; break;
    case 'S': prefix = "SEC"; break;
    case 'T': prefix = "ACT"; break;
    case 'X': prefix = "ANE"; break;
    default: break;
  }
  int annex_counter = 0;
  for (size_t i = 0; i < labels.size(); ++i) {
    const std::string head = actsdb::UpperCase(std::string_view(labels[i]).substr(0, 3));
    if (head == prefix && PartNumber(labels[i], annex_counter) == number) return i;
  }
  return labels.size() - 1;
}

int ProcessActModifications(const ModificationTables& t, std::string_view text,
                            const ReportFn& report) {
  if (text.empty()) return 0;
  for (const std::string& line : SplitLines(text)) {
    if (line.find_first_not_of(' ') == std::string::npos) continue;
    try {
      const ActModification m = ParseActModification(line);
      if (IsQueued(t.queue, m)) continue;
      t.queue.Append();
      t.queue.SetString("ModificatTxt", m.modified);
      t.queue.SetString("ModificantTxt", m.modifying);
      t.queue.SetString("Modificare", m.type_code);
      t.queue.SetBoolean("Done", false);
      t.queue.Post();
    } catch (const ModificationError& e) {
      report("modification line " + Quoted(line) + " skipped: " + e.what());
    }
  }

  int resolved = 0;
  for (bool on = t.queue.First(); on; on = t.queue.Next()) {
    if (t.queue.AsBoolean("Done")) continue;
    try {
      if (ResolveQueued(t)) ++resolved;
    } catch (const ModificationError& e) {
      report("queued modification " + std::to_string(t.queue.AsInteger("IdModTxt")) + " (" +
             Quoted(t.queue.AsString("Modificare") + " " + t.queue.AsString("ModificatTxt") +
                    "##" + t.queue.AsString("ModificantTxt")) +
             ") left pending: " + e.what());
    }
  }
  return resolved;
}

int ProcessPartModifications(const ModificationTables& t, std::string_view text,
                             const ReportFn& report) {
  if (text.empty()) return 0;
  int linked = 0;
  for (const std::string& line : SplitLines(text)) {
    if (line.find_first_not_of(' ') == std::string::npos) continue;
    try {
      const PartModification m = ParsePartModification(line);
      const std::optional<int64_t> modifying = FindAct(t.acts, m.modifying_key);
      if (!modifying) continue;
      const std::optional<int64_t> modified = FindAct(t.acts, m.modified_key);
      if (!modified) continue;
      const int64_t type_id = TypeId(t.types, m.type_code);

      actsdb::Transaction transaction(t.db);
      const int64_t modifying_part =
          FindPartOfAct(t.parts, *modifying, m.modifying_kind, m.modifying_number);
      const int64_t modified_part =
          FindPartOfAct(t.parts, *modified, m.modified_kind, m.modified_number);
      MarkModified(t.parts, modified_part);
      AddLink(t.links, modifying_part, modified_part, type_id);
      transaction.Commit();
      ++linked;
    } catch (const ModificationError& e) {
      report("part modification line " + Quoted(line) + " skipped: " + e.what());
    }
  }
  return linked;
}

}  // namespace idxcore
