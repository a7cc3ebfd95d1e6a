// The about window ("Despre Corvana") and the picture window of "&Bonus".
#ifndef CORVANA_VIEWER_SHELL_ABOUT_BOX_H_
#define CORVANA_VIEWER_SHELL_ABOUT_BOX_H_

#include <QDialog>
#include <QLabel>
#include <QString>
#include <QWidget>

namespace shell {

// The maker's addresses, opened from the about window.
inline constexpr char kSupportMail[] = "suport@corvana.example";
inline constexpr char kWebSite[] = "https://www.corvana.example";

// The picture, the version, the support block and "Ultimul update:"; the
// contact entries open the mail and web addresses; a click on the picture
// or the button closes it.
class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* picture_;
};

// "&Bonus": while shown the main window is hidden; shows one picture
// "poza_N.jpg" (N from 1 to 24 at random) of the folder kBonusFolder of the
// installation, borderless and centred; a click closes it and brings the
// main window back. Without the folder or its "poza_1.jpg" it closes at once.
inline constexpr char kBonusFolder[] = "bonus";

class BonusWindow : public QLabel {
  Q_OBJECT
 public:
  BonusWindow(QString install_dir, QWidget* main_window);

  // Shows a picture; false (and the main window stays) when there is none.
  bool ShowPicture();

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void Finish();

  QString folder_;
  QWidget* main_window_;
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_ABOUT_BOX_H_
