#include "viewer/shell/about_box.h"

#include <QDir>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QVBoxLayout>

#include "viewer/shell/run_program.h"
#include "viewer/shell/splash.h"

namespace shell {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Despre Corvana"));
  picture_ = new QLabel;
  picture_->setPixmap(ProductPicture({300, 180}));
  picture_->installEventFilter(this);

  auto* info = new QGridLayout;
  auto link = [](const QString& text, const QString& target) {
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(target, text));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QObject::connect(label, &QLabel::linkActivated, label, [](const QString& url) { RunProgram(url); });
    return label;
  };
  info->addWidget(new QLabel(QStringLiteral("Versiunea 3.0")), 0, 0, 1, 2);
  info->addWidget(new QLabel(QStringLiteral("Suport tehnic:")), 1, 0);
  info->addWidget(link(kSupportMail, QStringLiteral("mailto:") + kSupportMail), 1, 1);
  info->addWidget(new QLabel(QStringLiteral("Site oficial:")), 2, 0);
  info->addWidget(link(kWebSite, kWebSite), 2, 1);
  info->addWidget(new QLabel(QStringLiteral("Ultimul update:")), 3, 0);
  info->addWidget(new QLabel(QStringLiteral("upd")), 3, 1);

  auto* ok = new QPushButton(QStringLiteral("OK"));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture_);
  layout->addLayout(info);
  layout->addWidget(ok, 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == picture_ && event->type() == QEvent::MouseButtonPress) {
    accept();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

BonusWindow::BonusWindow(QString install_dir, QWidget* main_window)
    : QLabel(nullptr, Qt::FramelessWindowHint | Qt::Window),
      folder_(QDir(install_dir).filePath(kBonusFolder)),
      main_window_(main_window) {}

bool BonusWindow::ShowPicture() {
  const QDir folder(folder_);
  QPixmap picture;
  if (folder.exists(QStringLiteral("poza_1.jpg"))) {
    const int n = QRandomGenerator::global()->bounded(1, 25);
    // A missing or unreadable picture of the draw falls back to the first.
    if (!picture.load(folder.filePath(QStringLiteral("poza_%1.jpg").arg(n)))) {
      picture.load(folder.filePath(QStringLiteral("poza_1.jpg")));
    }
  }
  if (picture.isNull()) {
    Finish();
    return false;
  }
  main_window_->hide();
  setPixmap(picture);
  resize(picture.size());
  if (const QScreen* screen = main_window_->screen()) {
    move(screen->geometry().center() - rect().center());
  }
  show();
  return true;
}

void BonusWindow::mousePressEvent(QMouseEvent* event) {
  event->accept();
  Finish();
}

void BonusWindow::Finish() {
  hide();
  main_window_->show();
}

}  // namespace shell
