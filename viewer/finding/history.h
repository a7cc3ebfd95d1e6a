// The history of viewed acts: every act the user opened, in order, and the
// list the history window shows of it, newest first, with a current item
// that "Inapoi" and "Inainte" step through.
//
// The list is not rebuilt when an act is appended: it shows the history as
// it was when it was last built, and each item keeps the entry it was built
// from, so stepping and opening reach the act the item shows even after
// later appends, and entries whose act is gone are skipped without
// shifting the others.
#ifndef CORVANA_VIEWER_FINDING_HISTORY_H_
#define CORVANA_VIEWER_FINDING_HISTORY_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace finding {

// The columns an item shows of its act: "TipAct" (the display title),
// "Nr", "Anul" and "Titlu".
struct HistoryColumns {
  std::string disp_titlu;
  std::string nr_oficial;
  std::string anul;
  std::string titlu;
};

struct HistoryItem {
  size_t entry = 0;  // the index in entries() the item was built from
  HistoryColumns columns;
};

class History {
 public:
  // The columns of an act of the acts list; nullopt when it is not there.
  using ActLookup = std::function<std::optional<HistoryColumns>(int64_t id_act)>;

  // `before_build`, when given, runs before every build of the list: the
  // acts list then shows every act, so that the lookup finds them.
  explicit History(ActLookup lookup, std::function<void()> before_build = {})
      : lookup_(std::move(lookup)), before_build_(std::move(before_build)) {}

  // Adds an opened act as the newest entry; the list is not rebuilt.
  void Append(int64_t id_act) { entries_.push_back(id_act); }
  // The acts opened, oldest first; the same act may stand several times.
  const std::vector<int64_t>& entries() const { return entries_; }

  // Replaces the entries with those of "his.dat" at `path`: one decimal
  // IdAct per line, oldest first. A missing file gives no entry; a line
  // that is not a number is skipped.
  void Load(const std::string& path);
  // Writes the entries to `path`, one per line ended by CR LF; throws
  // std::runtime_error when the file cannot be written.
  void Save(const std::string& path) const;

  // Builds the list from the entries, newest first, leaving out the entries
  // whose act the lookup does not find; forgets the current item.
  void Rebuild();
  const std::vector<HistoryItem>& items() const { return items_; }
  // The index in items() of the current item.
  std::optional<size_t> current() const { return current_; }
  // The user selected an item.
  void Select(size_t index);

  // "Anterior" (towards newer acts) and "Urmator" (towards older acts),
  // each building the list first when it is empty. Without a current item,
  // "Anterior" takes the newest item and "Urmator" the one after it, so
  // that right after a build "Urmator" reaches the act viewed before the
  // newest.
  void StepPrevious();
  void StepNext();

  // The act of the current item ("Deschide"); nullopt without one.
  std::optional<int64_t> CurrentAct() const;
  // "Sterge din lista": removes the current item's entry, forgets the
  // current item and rebuilds the list. Does nothing without a current item.
  void RemoveCurrent();

 private:
  ActLookup lookup_;
  std::function<void()> before_build_;
  std::vector<int64_t> entries_;
  std::vector<HistoryItem> items_;
  std::optional<size_t> current_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_HISTORY_H_
