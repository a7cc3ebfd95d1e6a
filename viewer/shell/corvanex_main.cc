// Corvanex: the viewer.
//
//   Corvanex [--install-dir DIR]
//
// Without --install-dir the installation is the one the install-directory
// lookup finds (CORVANA_HOME, then the configuration files).
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>

#include "actsdb/install_dir.h"
#include "viewer/shell/corvanex.h"
#include "viewer/shell/splash.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  shell::Splash splash;
  splash.show();
  app.processEvents();
  QApplication::setApplicationName(QStringLiteral("Corvana"));
  QApplication::setApplicationDisplayName(QStringLiteral("Corvana"));

  QString install_dir;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--install-dir") && i + 1 < arguments.size()) {
      install_dir = QString::fromStdString(actsdb::WithoutTrailingSeparator(arguments[++i].toStdString()));
    } else {
      std::fprintf(stderr, "usage: Corvanex [--install-dir DIR]\n");
      return 2;
    }
  }
  const bool named = !install_dir.isEmpty();
  if (!named) install_dir = QString::fromStdString(actsdb::LookupInstallDir());
  if (install_dir.isEmpty()) {
    QMessageBox::critical(nullptr, QStringLiteral("Corvana"),
                          QStringLiteral("Nu se stie unde este instalat Corvana: porniti programul cu "
                                         "--install-dir DIR sau setati CORVANA_HOME."));
    return 2;
  }

  shell::Corvanex corvanex(install_dir, named);
  shell::MainWindow& main = corvanex.main_window();
  // Maximised also where no window manager maximises it.
  if (const QScreen* screen = main.screen()) main.setGeometry(screen->availableGeometry());
  main.showMaximized();
  splash.finish(&main);
  return app.exec();
}
