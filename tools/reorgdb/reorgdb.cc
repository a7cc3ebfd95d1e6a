// reorgdb: the re-indexing program. Rewrites an installation's word index
// so that every word's records lie together ("word2.dat", "poziti2.dat"),
// then puts the rewritten files in place of "word.dat" and "poziti.dat".
//
//   reorgdb [--install-dir DIR] [--wait-for PID]
//
// --wait-for makes it wait (at most a minute) for the process PID, the
// viewer that started it, to end and let the database go.
// Without --install-dir the installation is the one the install-directory
// lookup names, else the working directory (the viewer starts it there).
// The switch to the new files survives a crash at any moment: the next
// run, or the next update, finishes it (see idxcore/session/reorganise.h).
//
// Exit status: 0 on success, 2 on an error.
#include <chrono>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "actsdb/installation.h"
#include "idxcore/index/word_file.h"
#include "idxcore/session/session.h"
#include "tools/wait_for_viewer.h"

namespace {

constexpr char kUsage[] = "usage: reorgdb [--install-dir DIR] [--wait-for PID]\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (const std::string error = tools::WaitForViewer(&args, "reorgdb"); !error.empty()) {
    std::cerr << "reorgdb: " << error << "\n";
    return 2;
  }
  std::string named;
  if (args.size() == 2 && args[0] == "--install-dir") {
    named = args[1];
  } else if (!args.empty()) {
    std::cerr << kUsage;
    return 2;
  }

  try {
    const idxcore::SessionPlaces places = actsdb::ResolveInstallation(
        named, actsdb::AliasConfig(), std::filesystem::current_path().string());
    const auto start = std::chrono::steady_clock::now();
    const std::string word_file = places.database_dir + "/word.dat";
    const actsdb::UpdateLock lock(places.database_dir);
    idxcore::StartSession(places);
    try {
      _putinorder();
    } catch (...) {
      _frmstp();
      throw;
    }
    _frmstp();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int32_t records = idxcore::diskvec<idxcore::diskhelem<recwrd>>(word_file, 0).getsize();
    std::cout << "reorgdb: " << records << " records of " << places.database_dir
              << " reorganised in " << seconds << " s\n";
  } catch (const std::exception& e) {
    std::cerr << "reorgdb: " << e.what() << "\n";
    return 2;
  }
  return 0;
}
