// The act window (`TFormMDI`): one act's page in the hypertext component,
// the dock at its left where the act's structure window stands, a pop-up
// menu to copy a paragraph or search the text, the reading position for the
// status line, and the act's printout with its own header and footer.
//
// The window is made for one act and never refreshed: its page is produced
// once, when it is made. A page that cannot be produced (a damaged
// compressed text) fails the making with the error's own text, so that no
// window opens. The main window puts the act window into its MDI frame.
#ifndef CORVANA_VIEWER_VIEWING_ACT_WINDOW_H_
#define CORVANA_VIEWER_VIEWING_ACT_WINDOW_H_

#include <QAction>
#include <QColor>
#include <QDockWidget>
#include <QFont>
#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "viewer/hypertext/hypertext_view.h"
#include "viewer/viewing/act_page.h"
#include "viewer/viewing/hit_navigator.h"

class QPrinter;

namespace viewing {

// Selections shorter than these are copied: from the window's pop-up menu
// and from the main menu's copy command.
inline constexpr int kParagraphCopyLimit = 4000;
inline constexpr int kMenuCopyLimit = 400;

// Answers a picture key (IndCod of tblImagini) with the picture's bytes.
using PictureLookup = std::function<std::optional<std::string>(const std::string& key)>;

struct ActWindowSetup {
  int64_t act_id = 0;
  ActPageRow row;
  QString install_dir;  // absolute, no trailing "/"
  QString anchor;       // "#" + IdParte to scroll to once shown, or empty
  QFont font;           // the act font of the options
  QColor font_color;
  PictureLookup pictures;
  // The stems of the text search the act was found by: its page then shows
  // their hits, and opens at the first one unless `anchor` says where.
  // Empty for a page without marks.
  std::vector<std::string> search_stems;
};

class ActWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Produces the act's page and loads it. Throws std::runtime_error when
  // the page cannot be produced.
  explicit ActWindow(const ActWindowSetup& setup, QWidget* parent = nullptr);
  ~ActWindow() override;

  int64_t act_id() const { return act_id_; }
  // The first letter of the act's language, or a blank.
  char act_language() const { return act_language_; }
  const QString& act_anchor() const { return act_anchor_; }
  // Sets the anchor and scrolls to it; an empty anchor scrolls to the top.
  void ShowAnchor(const QString& anchor);

  hypertext::HypertextView* viewer() const { return viewer_; }
  // The steps through the search hits of a marked page; nullptr when the
  // page is not marked.
  HitNavigator* hits() const { return hits_; }

  // The dock of the structure window, at the left, 190 pixels wide. It is
  // hidden when the structure window is dragged out or closed;
  // DockStructure brings it back.
  QDockWidget* structure_dock() const { return structure_dock_; }
  void DockStructure();

  // The pop-up menu's "&Cauta in text": disabled until given what it does.
  void SetFindInText(std::function<void()> show_find_window);

  // Copies the selection when it is shorter than `limit` characters.
  // Returns whether it did.
  bool CopySelection(int limit);

  // The act's printout: the print dialog over the act's pages, then the
  // chosen range; and the print preview. Each page has the act's header
  // and footer ("Pagina N din M", M the pages of that printout).
  void Print(QPrinter& printer);
  void PrintPreview(QPrinter& printer);

 signals:
  // Every 200 ms while this is the active act window of its frame: how far
  // down the page the view stands, "NN%".
  void readingPosition(const QString& text);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowContextMenu(const QPoint& position);
  void ReportReadingPosition();
  bool IsActiveChild() const;

  int64_t act_id_;
  char act_language_ = ' ';
  QString act_anchor_;
  QString install_dir_;
  hypertext::HypertextView* viewer_;
  HitNavigator* hits_ = nullptr;
  QDockWidget* structure_dock_;
  QAction* find_in_text_;
  QAction* copy_paragraph_;
  QTimer position_timer_;
};

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_ACT_WINDOW_H_
