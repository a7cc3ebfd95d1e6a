#include "viewer/shell/options_window.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "viewer/hypertext/hypertext_view.h"
#include "viewer/shell/run_program.h"

namespace shell {
namespace {

QColor FromWindowsColor(int64_t value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

int64_t ToWindowsColor(const QColor& color) {
  return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QGroupBox* Group(const QString& title, QLayout* layout) {
  auto* group = new QGroupBox(title);
  group->setLayout(layout);
  return group;
}

}  // namespace

OptionsWindow::OptionsWindow(QString install_dir, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      install_dir_(std::move(install_dir)) {
  setWindowTitle(QStringLiteral("Optiuni"));
  setModal(false);
  tabs_ = new QTabWidget;

  // Vizualizare
  auto* view = new QWidget;
  auto* view_layout = new QVBoxLayout(view);
  view_layout->addWidget(new QLabel(QStringLiteral("Alegeti fontul implict pentru vizulizare")));
  auto* fonts = new QPushButton(QStringLiteral("Fonturi..."));
  connect(fonts, &QPushButton::clicked, this, &OptionsWindow::ChooseFont);
  // Qt's font dialog has no colour among its effects; the colour has a
  // dialog of its own beside it.
  auto* color = new QPushButton(QStringLiteral("Culoare..."));
  connect(color, &QPushButton::clicked, this, &OptionsWindow::ChooseColor);
  auto* font_buttons = new QHBoxLayout;
  font_buttons->addWidget(fonts);
  font_buttons->addWidget(color);
  font_buttons->addStretch();
  view_layout->addLayout(font_buttons);
  sample_ = new QLabel(QStringLiteral("AaBbCcDdEeFfGgHh"));
  sample_->setMinimumHeight(60);
  view_layout->addWidget(sample_);
  mark_hits_ = new QCheckBox(QStringLiteral("Evidentiaza in act cuvintele cautate in text"));
  view_layout->addWidget(mark_hits_);
  view_layout->addStretch();
  tabs_->addTab(view, QStringLiteral("Vizualizare"));

  // Grila: the column chooser is docked here while the tab is shown.
  grid_panel_ = new QWidget;
  grid_panel_->setLayout(new QVBoxLayout);
  grid_panel_->layout()->setContentsMargins(0, 0, 0, 0);
  grid_tab_ = tabs_->addTab(grid_panel_, QStringLiteral("Grila"));

  // Conexiune Internet
  auto* connection = new QWidget;
  auto* conn_layout = new QVBoxLayout(connection);
  conn_none_ = new QRadioButton(QStringLiteral("Nici o conexiune"));
  conn_local_ = new QRadioButton(QStringLiteral("Conexiune prin retea locala"));
  conn_dial_ = new QRadioButton(QStringLiteral("Conexiune dialup - introduceti detaliile"));
  conn_group_ = new QButtonGroup(this);
  for (QRadioButton* b : {conn_none_, conn_local_, conn_dial_}) {
    conn_group_->addButton(b);
    conn_layout->addWidget(b);
  }
  dial_user_ = new QLineEdit;
  dial_pass_ = new QLineEdit;
  dial_pass_->setEchoMode(QLineEdit::Password);
  dial_phon_ = new QLineEdit;
  auto* dial_layout = new QVBoxLayout;
  for (auto [label, edit] : {std::pair{"Utilizator", dial_user_}, std::pair{"Parola", dial_pass_},
                             std::pair{"Telefon", dial_phon_}}) {
    dial_layout->addWidget(new QLabel(QString::fromLatin1(label)));
    dial_layout->addWidget(edit);
  }
  QGroupBox* dialup = Group(QStringLiteral("Dialup"), dial_layout);
  dialup->hide();  // kept in the file for the update program; never shown
  conn_layout->addWidget(dialup);
  conn_layout->addStretch();
  tabs_->addTab(connection, QStringLiteral("Conexiune Internet"));

  // Update
  auto* update = new QWidget;
  auto* update_layout = new QVBoxLayout(update);
  update_layout->addWidget(new QLabel(QStringLiteral("Cum doriti sa se realizeze operatia de Update ?")));
  mail_account_ = new QLineEdit;
  mail_user_ = new QLineEdit;
  mail_password_ = new QLineEdit;
  mail_password_->setEchoMode(QLineEdit::Password);
  update_mail_ = new QCheckBox(QStringLiteral("Verifica contul de e-mail"));
  auto* mail_layout = new QVBoxLayout;
  for (auto [label, edit] :
       {std::pair{"Server de mail (POP3)", mail_account_}, std::pair{"Numele de utilizator:", mail_user_},
        std::pair{"Parola:", mail_password_}}) {
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(QString::fromLatin1(label));
    caption->setMinimumWidth(150);
    row->addWidget(caption);
    row->addWidget(edit);
    mail_layout->addLayout(row);
  }
  mail_layout->addWidget(update_mail_);
  update_layout->addWidget(Group(QStringLiteral("Fisierele se afla in casuta postala"), mail_layout));
  auto* disk_layout = new QVBoxLayout;
  disk_layout->addWidget(new QLabel(QStringLiteral("Deschide foderul:")));
  disk_layout->addWidget(new QLabel(QStringLiteral("La executarea Updateului automat vor fi prelucarate")));
  disk_layout->addWidget(new QLabel(QStringLiteral("Deschideti foderul Update si copiati in el fisierele.")));
  auto* open_folder = new QPushButton(QStringLiteral("Update"));
  connect(open_folder, &QPushButton::clicked, this, &OptionsWindow::OpenUpdateFolder);
  disk_layout->addWidget(open_folder, 0, Qt::AlignLeft);
  update_layout->addWidget(Group(QStringLiteral("Fisierele se afla pe disc"), disk_layout));
  update_web_ = new QCheckBox(QStringLiteral("Verifica site-ul Corvana"));
  auto* web_layout = new QVBoxLayout;
  web_layout->addWidget(update_web_);
  update_layout->addWidget(Group(QStringLiteral("Fisierele se afla pe site-ul Corvana"), web_layout));
  update_layout->addStretch();
  tabs_->addTab(update, QStringLiteral("Update"));

  // Performanta
  auto* performance = new QWidget;
  auto* perf_layout = new QVBoxLayout(performance);
  under32mb_ = new QRadioButton(QStringLiteral("Incarca partial baza de date in memorie(16-32MB RAM)"));
  over32mb_ = new QRadioButton(QStringLiteral("Incarca complet baza de date in memorie (32MB RAM)"));
  load_group_ = new QButtonGroup(this);
  auto* load_layout = new QVBoxLayout;
  for (QRadioButton* b : {under32mb_, over32mb_}) {
    load_group_->addButton(b);
    load_layout->addWidget(b);
  }
  perf_layout->addWidget(Group(QStringLiteral("Incarcare memorie"), load_layout));
  auto* reindex = new QPushButton(QStringLiteral("Reindexeaza baza de date"));
  connect(reindex, &QPushButton::clicked, this, &OptionsWindow::Reindex);
  perf_layout->addWidget(reindex, 0, Qt::AlignLeft);
  perf_layout->addStretch();
  tabs_->addTab(performance, QStringLiteral("Performanta"));

  auto* close = new QPushButton(QStringLiteral("Inchide"));
  connect(close, &QPushButton::clicked, this, &OptionsWindow::Close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(close, 0, Qt::AlignRight);
  connect(tabs_, &QTabWidget::currentChanged, this, &OptionsWindow::TabChanged);
  resize(520, 420);
  setFixedSize(sizeHint().expandedTo(QSize(520, 420)));

  SetOptions(ReadOptions(path().toStdString()));
}

OptionsWindow::~OptionsWindow() { Save(); }

QString OptionsWindow::path() const { return QDir(install_dir_).filePath(kOptionsFile); }

void OptionsWindow::SetOptions(const Options& options) {
  font_ = QFont(hypertext::FromCp1250(options.font_name));
  font_.setPointSize(options.font_size);
  font_color_ = options.font_color;
  // Radio groups may hold no choice at all ("neither" load mode).
  for (QButtonGroup* group : {conn_group_, load_group_}) group->setExclusive(false);
  conn_none_->setChecked(options.conn_none);
  conn_local_->setChecked(options.conn_local);
  conn_dial_->setChecked(options.conn_dial);
  under32mb_->setChecked(options.under32mb);
  over32mb_->setChecked(options.over32mb);
  for (QButtonGroup* group : {conn_group_, load_group_}) group->setExclusive(true);
  update_mail_->setChecked(options.update_mail);
  update_web_->setChecked(options.update_web);
  mail_account_->setText(hypertext::FromCp1250(options.mail_account));
  mail_user_->setText(hypertext::FromCp1250(options.mail_user));
  mail_password_->setText(hypertext::FromCp1250(options.mail_password));
  dial_user_->setText(hypertext::FromCp1250(options.dial_user));
  dial_pass_->setText(hypertext::FromCp1250(options.dial_pass));
  dial_phon_->setText(hypertext::FromCp1250(options.dial_phon));
  mark_hits_->setChecked(options.mark_hits);
  ShowSample();
}

Options OptionsWindow::options() const {
  Options options;
  options.font_name = hypertext::ToCp1250(font_.family());
  options.font_color = font_color_;
  options.font_size = font_.pointSize() > 0 ? font_.pointSize() : options.font_size;
  options.conn_none = conn_none_->isChecked();
  options.conn_local = conn_local_->isChecked();
  options.conn_dial = conn_dial_->isChecked();
  options.update_mail = update_mail_->isChecked();
  options.update_web = update_web_->isChecked();
  options.mail_account = hypertext::ToCp1250(mail_account_->text());
  options.mail_user = hypertext::ToCp1250(mail_user_->text());
  options.mail_password = hypertext::ToCp1250(mail_password_->text());
  options.under32mb = under32mb_->isChecked();
  options.over32mb = over32mb_->isChecked();
  options.dial_user = hypertext::ToCp1250(dial_user_->text());
  options.dial_pass = hypertext::ToCp1250(dial_pass_->text());
  options.dial_phon = hypertext::ToCp1250(dial_phon_->text());
  options.mark_hits = mark_hits_->isChecked();
  return options;
}

QFont OptionsWindow::act_font() const { return font_; }
QColor OptionsWindow::act_font_color() const { return FromWindowsColor(font_color_); }

void OptionsWindow::ShowSample() {
  sample_->setFont(font_);
  QPalette palette = sample_->palette();
  palette.setColor(QPalette::WindowText, act_font_color());
  sample_->setPalette(palette);
}

void OptionsWindow::ChooseFont() {
  charset_ = kCentralEuropeanCharset;
  QFontDialog dialog(font_, this);
  dialog.setOption(QFontDialog::ScalableFonts);
  if (dialog.exec() != QDialog::Accepted) return;
  font_ = dialog.selectedFont();
  ShowSample();
}

void OptionsWindow::ChooseColor() {
  const QColor color = QColorDialog::getColor(act_font_color(), this);
  if (!color.isValid()) return;
  font_color_ = ToWindowsColor(color);
  ShowSample();
}

void OptionsWindow::OpenUpdateFolder() {
  const QString error = RunProgram(QDir(install_dir_).filePath(QStringLiteral("update")));
  if (!error.isEmpty()) QMessageBox::warning(this, QStringLiteral("Optiuni"), error);
}

void OptionsWindow::Reindex() {
  const QString error = StartOutsideProgram(install_dir_, QStringLiteral("reorgdb"));
  if (!error.isEmpty()) {
    QMessageBox::warning(this, QStringLiteral("Optiuni"), error);
    return;
  }
  if (terminate_) terminate_();
}

void OptionsWindow::TabChanged(int index) {
  if (grid_docked_ && chooser_.undock) chooser_.undock();
  grid_docked_ = false;
  if (index == grid_tab_ && chooser_.dock) {
    chooser_.dock(grid_panel_);
    grid_docked_ = true;
  }
}

void OptionsWindow::Close() {
  if (grid_docked_ && chooser_.apply) {
    try {
      chooser_.apply();
    } catch (const std::exception& e) {
      QMessageBox::warning(this, QStringLiteral("Optiuni"), QString::fromUtf8(e.what()));
      return;
    }
  }
  tabs_->setCurrentIndex(0);
  close();
}

void OptionsWindow::closeEvent(QCloseEvent* event) {
  Save();
  QDialog::closeEvent(event);
}

void OptionsWindow::Save() { WriteOptions(path().toStdString(), options()); }

}  // namespace shell
