// The find-in-text window (`TFCText`, caption "Cauta in text"): a small tool
// window above the main window that finds a text in the act of the active
// act window, one occurrence after the other, with or without matching
// case. It keeps the strings searched since it was last closed, and comes
// back by itself when an act is opened while it holds a text.
#ifndef CORVANA_VIEWER_FINDING_FIND_TEXT_WINDOW_H_
#define CORVANA_VIEWER_FINDING_FIND_TEXT_WINDOW_H_

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <functional>

#include "viewer/hypertext/hypertext_view.h"

namespace finding {

class TFCText : public QWidget {
  Q_OBJECT

 public:
  // `active_act_viewer` gives the viewer of the main window's active act
  // window, or nullptr when the active window is none or not an act
  // window; `help` shows the window's help (none: no help button).
  TFCText(std::function<hypertext::HypertextView*()> active_act_viewer,
          std::function<void()> help, QWidget* parent = nullptr);

  // "Cauta": finds the next occurrence of the search text. A text that is
  // not found hides the window and says so.
  void Search();

  // Shows the window again for a newly opened act when it holds a text.
  void ReappearForNewAct();

  QComboBox* search_box() const { return search_box_; }
  QCheckBox* match_case() const { return match_case_; }
  QPushButton* search_button() const { return search_button_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<hypertext::HypertextView*()> active_act_viewer_;
  QComboBox* search_box_;
  QCheckBox* match_case_;
  QPushButton* search_button_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_FIND_TEXT_WINDOW_H_
