#include "actsdb/installation.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "actsdb/schema.h"
#include "actsdb/transaction.h"

namespace actsdb {

namespace fs = std::filesystem;

// The update lock is one byte of the database's lock file, past the bytes
// the table locks use (the store puts those below 2^30).
constexpr off_t kUpdateLockByte = off_t{1} << 30;

std::string DatabasePath(const std::string& install_dir) {
  return install_dir + "/" + kDatabaseDirName + "/" + kDatabaseFileName;
}

UpdateLock::UpdateLock(const std::string& database_dir) {
  fs::create_directories(database_dir);
  const std::string path = database_dir + "/" + kDatabaseFileName + ".lck";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    throw StoreError("cannot open the lock file " + path + ": " + std::strerror(errno));
  }
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kUpdateLockByte;
  lock.l_len = 1;
  if (::fcntl(fd_, F_OFD_SETLK, &lock) != 0) {
    const int error = errno;
    ::close(fd_);
    if (error == EAGAIN || error == EACCES) {
      throw StoreError("the database in " + database_dir +
                       " is in use by another program that updates it");
    }
    throw StoreError("cannot lock " + path + ": " + std::strerror(error));
  }
}

UpdateLock::~UpdateLock() { ::close(fd_); }  // closing drops the lock

InstallationPlaces ResolveInstallation(const std::string& named, const AliasConfig& aliases,
                                       const std::string& otherwise) {
  const auto own = [](std::string dir) {
    dir = WithoutTrailingSeparator(std::move(dir));
    return InstallationPlaces{dir, dir + "/" + kDatabaseDirName};
  };
  if (!named.empty()) return own(named);
  std::string looked_up = LookupInstallDir();
  if (looked_up.empty()) {
    if (otherwise.empty()) {
      throw std::runtime_error(
          "no installation directory: give --install-dir or set CORVANA_HOME");
    }
    looked_up = otherwise;
  }
  InstallationPlaces places = own(looked_up);
  if (aliases.Has("Zazi1")) {
    places.database_dir = WithoutTrailingSeparator(aliases.Directory("Zazi1"));
  }
  return places;
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
    Transaction transaction(*db);
    CreateSchema(*db);
    SeedCodeTables(*db, codes_tsv);
    transaction.Commit();
  }
  for (const char* suffix : {"-wal", "-shm", ".lck"}) fs::remove(temp + suffix);
  fs::rename(temp, path);
  return Database::Open(path);
}

void CreateInstallation(const std::string& template_dir, const std::string& install_dir) {
  const UpdateLock lock(install_dir + "/" + kDatabaseDirName);
  for (const char* sub : {"zazi1", "update", "htm/right"}) {
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
