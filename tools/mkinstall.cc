// mkinstall: lays out a Corvana installation from a template directory and
// reports what it holds.
//
//   mkinstall TEMPLATE_DIR INSTALL_DIR
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>

#include "actsdb/installation.h"
#include "actsdb/schema.h"
#include "actsdb/store.h"

namespace fs = std::filesystem;

namespace {

void Report(const std::string& install_dir) {
  std::cout << "Installation " << install_dir << "\n";
  for (const auto& entry : fs::recursive_directory_iterator(install_dir)) {
    const std::string rel = fs::relative(entry.path(), install_dir).string();
    if (entry.is_directory()) {
      std::cout << "  " << rel << "/\n";
    } else {
      std::cout << "  " << rel << "  (" << entry.file_size() << " bytes)\n";
    }
  }
  std::unique_ptr<actsdb::Database> db = actsdb::Database::Open(actsdb::DatabasePath(install_dir));
  std::cout << "Database " << db->path() << "\n";
  for (const std::string& name : actsdb::TableNames()) {
    actsdb::Table table(*db, name);
    table.Open();
    std::cout << "  " << name << ": " << table.RecordCount() << " rows\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: mkinstall TEMPLATE_DIR INSTALL_DIR\n";
    return 2;
  }
  try {
    actsdb::CreateInstallation(argv[1], argv[2]);
    Report(argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "mkinstall: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
