// The options window ("Optiuni"): the user's settings on five tabs, kept in
// "optiuni.ini" of the installation directory. It reads the file when it is
// made and writes it every time it closes and once more when it is
// destroyed; writing errors are ignored (the settings stay for the run).
//
// The load mode takes effect at the next start; the act font for act
// windows opened afterwards. "Update" opens the update folder in the file
// browser; "Reindexeaza baza de date" starts the re-indexing program and
// ends the viewer, or, when the program cannot be started, says why and
// keeps the viewer running.
#ifndef CORVANA_VIEWER_SHELL_OPTIONS_WINDOW_H_
#define CORVANA_VIEWER_SHELL_OPTIONS_WINDOW_H_

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <functional>
#include <string>

#include "viewer/shell/options.h"

namespace shell {

class OptionsWindow : public QDialog {
  Q_OBJECT
 public:
  OptionsWindow(QString install_dir, QWidget* parent = nullptr);
  ~OptionsWindow() override;

  // The settings as the controls hold them now.
  Options options() const;
  LoadMode load_mode() const { return options().load_mode(); }
  // The act font: name, colour, size, and the character set (the default
  // one until the font dialog was opened in this run, 238 after).
  QFont act_font() const;
  QColor act_font_color() const;
  int act_font_charset() const { return charset_; }
  // Whether acts opened from the result of a text search show its hits.
  bool mark_hits() const { return mark_hits_->isChecked(); }

  // The tab "Grila" holds the results grid's column chooser while it is
  // shown: `dock` moves it into the given panel, `undock` floats it again,
  // `apply` applies its state to the grid (it may throw).
  struct ChooserHooks {
    std::function<void(QWidget* panel)> dock;
    std::function<void()> undock;
    std::function<void()> apply;
  };
  void SetColumnChooser(ChooserHooks hooks) { chooser_ = std::move(hooks); }

  // What the window does to end the viewer after starting the re-indexing
  // program.
  void SetTerminate(std::function<void()> terminate) { terminate_ = std::move(terminate); }

  QTabWidget* tabs() const { return tabs_; }
  QString path() const;

 public slots:
  void ChooseFont();
  void ChooseColor();
  void OpenUpdateFolder();
  void Reindex();
  // "Inchide".
  void Close();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void SetOptions(const Options& options);
  void ShowSample();
  void Save();
  void TabChanged(int index);

  QString install_dir_;
  QTabWidget* tabs_;
  QWidget* grid_panel_;
  int grid_tab_ = -1;
  bool grid_docked_ = false;
  // Vizualizare
  QFont font_;
  int64_t font_color_ = 0;
  int charset_ = kDefaultCharset;
  QLabel* sample_;
  QCheckBox* mark_hits_;
  // Conexiune Internet
  QRadioButton* conn_none_;
  QRadioButton* conn_local_;
  QRadioButton* conn_dial_;
  QLineEdit* dial_user_;
  QLineEdit* dial_pass_;
  QLineEdit* dial_phon_;
  // Update
  QLineEdit* mail_account_;
  QLineEdit* mail_user_;
  QLineEdit* mail_password_;
  QCheckBox* update_mail_;
  QCheckBox* update_web_;
  // Performanta
  QRadioButton* under32mb_;
  QRadioButton* over32mb_;
  QButtonGroup* load_group_;
  QButtonGroup* conn_group_;

  ChooserHooks chooser_;
  std::function<void()> terminate_;
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_OPTIONS_WINDOW_H_
