// An installation directory: its folders, the database and the files the
// programs expect there.
//
//   DIR/zazi1/corvana.db   the acts database and, beside it, the word index
//   DIR/update/            acts waiting for the update program
//   DIR/htm/right/         the help pages
//   DIR/adn2.txt           the heading definitions of the import
#ifndef CORVANA_ACTSDB_INSTALLATION_H_
#define CORVANA_ACTSDB_INSTALLATION_H_

#include <memory>
#include <string>

#include "actsdb/install_dir.h"
#include "actsdb/store.h"

namespace actsdb {

// Where a program finds an installation.
struct InstallationPlaces {
  std::string install_dir;   // without a trailing "/"
  std::string database_dir;  // holds "corvana.db" and the word index files
};

// The installation a program works on, the one rule every program and the
// processing session follow. A directory the user named (`named`, from
// --install-dir) comes with its own database directory, "zazi1" in it.
// Otherwise the install-directory lookup names the installation, and the
// database directory is that of the alias `Zazi1` in `aliases` when it is
// registered, the installation's own when not. When nothing names an
// installation, `otherwise` is taken as one (a program the viewer starts
// gets the installation as its working directory); an empty `otherwise`
// throws std::runtime_error saying how to name one.
InstallationPlaces ResolveInstallation(const std::string& named, const AliasConfig& aliases,
                                       const std::string& otherwise = "");

// The database file of an installation.
std::string DatabasePath(const std::string& install_dir);

// The update lock of a database directory: a program that creates or
// writes the database (the update program, the re-indexing program) holds
// it from before it looks for the database until it is done, so that a
// second one started meanwhile is refused at once instead of racing it
// (two runs creating one database can leave neither's tables in it). The
// viewer does not take it: the table locks keep it and a writer apart.
class UpdateLock {
 public:
  // Creates `database_dir` when missing and takes the lock. Throws
  // StoreError saying the installation is in use when another process
  // holds it.
  explicit UpdateLock(const std::string& database_dir);
  ~UpdateLock();
  UpdateLock(const UpdateLock&) = delete;
  UpdateLock& operator=(const UpdateLock&) = delete;

 private:
  int fd_ = -1;
};

// Creates the database of `install_dir` with the schema and the code tables
// of `codes_tsv` when it does not exist yet, and opens it. An existing
// database is opened as it is. The caller holds the UpdateLock of the
// database directory.
std::unique_ptr<Database> OpenOrCreateDatabase(const std::string& install_dir,
                                               const std::string& codes_tsv);

// Lays out a new installation in `install_dir` from a template directory
// holding "codes.tsv", "adn2.txt" and "htm/right/index.htm": the folders,
// the copied files and the database. Files already there are kept.
void CreateInstallation(const std::string& template_dir, const std::string& install_dir);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_INSTALLATION_H_
