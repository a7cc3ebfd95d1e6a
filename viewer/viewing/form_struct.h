// The structure window of an act window (`TformStruct`, caption
// "Structura"), docked at its left: three trees under the tabs "Structura"
// (the act's outline, modified parts marked), "Modificari" (the modified
// parts with the modifications they suffered and brought) and "Fisa
// Actului" (the modifications of the act as a whole). A click on a part
// shows it in the act window; a click on a modification opens the other
// act at its part. The last two trees are built on their tab's first visit
// and kept.
#ifndef CORVANA_VIEWER_VIEWING_FORM_STRUCT_H_
#define CORVANA_VIEWER_VIEWING_FORM_STRUCT_H_

#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QWidget>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "viewer/finding/act_modifications.h"
#include "viewer/viewing/structure_trees.h"

namespace viewing {

// The act the window shows. Text is Windows-1250.
struct StructuredAct {
  int64_t act_id = 0;
  std::string title;        // its display title
  std::string ind_num;      // its key
  std::string comp_struct;  // the structure text as one zlib stream
  int64_t struct_size = 0;  // its length once inflated
};

// What the window asks of its act window and of the rest of the viewer.
struct StructHost {
  // Shows the act at an anchor ("#" + part id), or from its top when the
  // anchor is empty; the act window keeps it as its anchor.
  std::function<void(const std::string& anchor)> show_anchor;
  // Opens another act at one of its parts (`actopen`, without adding to
  // the history).
  std::function<void(int64_t act_id, const std::string& anchor)> open_act;
  // Scrolls the results panel's modification page to an anchor.
  std::function<void(const std::string& anchor)> scroll_modifications;
};

class TformStruct : public QWidget {
  Q_OBJECT

 public:
  enum Tab { kStructureTab = 0, kModificationsTab = 1, kActSheetTab = 2 };

  // How long the hint of a modified part stays up.
  static constexpr int kHintMilliseconds = 10000;

  TformStruct(const StructuredAct& act, finding::ModificationReader& reader, StructHost host,
              QWidget* parent = nullptr);

  // Fills the structure tree. A damaged structure text throws with its
  // error, the nodes read before it staying in the tree.
  void PrelStruct();

  // Shows tab 0, 1 or 2, building its tree on the first visit.
  void TabSet1Change(int tab);

  QTabBar* tabs() const { return tabs_; }
  QTreeWidget* tree(Tab tab) const { return trees_[tab]; }
  // The tree shown now.
  QTreeWidget* shown_tree() const;

  // The first node of the modifications tree after its root with `target`.
  QTreeWidgetItem* LocateNod(const QString& target) const;

  // Node targets and images, as the trees hold them.
  static QString Target(const QTreeWidgetItem* item);
  static int Image(const QTreeWidgetItem* item);

 private:
  void Fill(QTreeWidget* tree, const Tree& nodes);
  // The act's structure text, inflated on first use; throws when damaged.
  const std::string& StructureText();
  void BuildModifications();
  void BuildActSheet();
  void StructureClicked(QTreeWidgetItem* item);
  void ModificationClicked(QTreeWidgetItem* item);
  void StructureHovered(QTreeWidgetItem* item);
  // An error of a handler, in a message box.
  void ShowError(const std::exception& error);
  // Selects the node with `target` in `tree`, if there is one.
  static void SelectTarget(QTreeWidget* tree, const QString& target, bool after_root);

  StructuredAct act_;
  finding::ModificationReader& reader_;
  StructHost host_;
  std::string structure_text_;
  Tree modifications_;  // what the modifications tree shows
  QTabBar* tabs_;
  QStackedWidget* stack_;
  std::array<QTreeWidget*, 3> trees_;
};

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_FORM_STRUCT_H_
