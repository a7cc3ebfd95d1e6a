#include "viewer/shell/run_program.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace shell {

QString RunProgram(const QString& file, const QStringList& arguments, const QString& directory) {
  const QFileInfo info(file);
  if (info.isFile() && info.isExecutable()) {
    QProcess process;
    process.setProgram(file);
    process.setArguments(arguments);
    if (!directory.isEmpty()) process.setWorkingDirectory(directory);
    if (process.startDetached()) return {};
    return QStringLiteral("Programul %1 nu a putut fi pornit: %2").arg(file, process.errorString());
  }
  const QUrl url = info.exists() || QDir::isAbsolutePath(file) ? QUrl::fromLocalFile(file)
                                                                 : QUrl(file);
  if (url.isLocalFile() && !info.exists()) {
    return QStringLiteral("Fisierul %1 nu exista.").arg(file);
  }
  if (QDesktopServices::openUrl(url)) return {};
  return QStringLiteral("Nu exista niciun program care sa deschida %1.").arg(file);
}

QString FindOutsideProgram(const QString& install_dir, const QString& name) {
  for (const QString& dir : {install_dir, QCoreApplication::applicationDirPath()}) {
    if (dir.isEmpty()) continue;
    const QFileInfo candidate(QDir(dir).filePath(name));
    if (candidate.isFile() && candidate.isExecutable()) return candidate.absoluteFilePath();
  }
  return {};
}

QString StartOutsideProgram(const QString& install_dir, const QString& name) {
  const QString program = FindOutsideProgram(install_dir, name);
  if (program.isEmpty()) {
    return QStringLiteral("Programul %1 nu se afla in %2 si nici langa Corvanex.").arg(name, install_dir);
  }
  return RunProgram(program,
                    {QStringLiteral("--install-dir"), install_dir, QStringLiteral("--wait-for"),
                     QString::number(QCoreApplication::applicationPid())},
                    install_dir);
}

}  // namespace shell
