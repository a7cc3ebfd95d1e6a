// Starting outside programs, documents and addresses from the viewer: the
// update program, the re-indexing program, the update folder in the file
// browser, the maker's mail and web addresses.
#ifndef CORVANA_VIEWER_SHELL_RUN_PROGRAM_H_
#define CORVANA_VIEWER_SHELL_RUN_PROGRAM_H_

#include <QString>
#include <QStringList>

namespace shell {

// Starts `file`: an executable file as a program of its own with
// `arguments` in `directory` (empty: the viewer's), anything else (a
// folder, a document, a "mailto:" or "http:" address) through the desktop's
// handler for it. Names and texts of any length are passed whole. Returns
// an empty text when it started, otherwise why not, in Romanian, naming the
// file.
QString RunProgram(const QString& file, const QStringList& arguments = {},
                   const QString& directory = {});

// Where the outside program `name` ("pkgrun", "reorgdb") is: in the
// installation directory, or else beside the viewer's own program; empty
// when in neither.
QString FindOutsideProgram(const QString& install_dir, const QString& name);

// Starts the outside program `name` (found as above) on the installation,
// in it, telling it to wait for this process to end before it opens the
// database. Returns why it could not start, or an empty text.
QString StartOutsideProgram(const QString& install_dir, const QString& name);

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_RUN_PROGRAM_H_
