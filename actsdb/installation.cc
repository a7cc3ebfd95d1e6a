#include "actsdb/installation.h"

#include <filesystem>
#include <stdexcept>

#include "actsdb/schema.h"

namespace actsdb {

namespace fs = std::filesystem;

std::string DatabasePath(const std::string& install_dir) {
  return install_dir + "/" + kDatabaseDirName + "/" + kDatabaseFileName;
}

std::unique_ptr<Database> OpenOrCreateDatabase(const std::string& install_dir,
                                               const std::string& codes_tsv) {
  const std::string path = DatabasePath(install_dir);
  if (fs::exists(path)) return Database::Open(path);
  fs::create_directories(fs::path(path).parent_path());
  // Built under a temporary name and renamed, so that a failure leaves no
  // half-made database for the next run to trust.
  const std::string temp = path + ".new";
  fs::remove(temp);
  {
    std::unique_ptr<Database> db = Database::Open(temp, /*create=*/true);
    db->Begin();
    CreateSchema(*db);
    SeedCodeTables(*db, codes_tsv);
    db->Commit();
  }
  for (const char* suffix : {"-wal", "-shm", ".lck"}) fs::remove(temp + suffix);
  fs::rename(temp, path);
  return Database::Open(path);
}

void CreateInstallation(const std::string& template_dir, const std::string& install_dir) {
  for (const char* sub : {"zazi1", "update", "net", "htm/right"}) {
    fs::create_directories(fs::path(install_dir) / sub);
  }
  for (const char* file : {"adn2.txt", "htm/right/index.htm"}) {
    const fs::path from = fs::path(template_dir) / file;
    if (!fs::exists(from)) throw std::runtime_error("missing template file " + from.string());
    fs::copy_file(from, fs::path(install_dir) / file, fs::copy_options::skip_existing);
  }
  OpenOrCreateDatabase(install_dir, template_dir + "/codes.tsv");
}

}  // namespace actsdb
