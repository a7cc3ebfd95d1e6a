// pkgrun: the update program. Imports act files into an installation's
// database through idxcore's processing session, links the modifications
// between acts, and brings the compressed texts and the acts list that the
// viewer reads up to date.
//
//   pkgrun [--install-dir DIR] [--codes FILE] [--modif FILE] [--modart FILE]
//          [--wmod] [--reorganise auto|always|never] [--wait-for PID]
//          [ACT_FILE_OR_DIR ...]
//
// Without act arguments it takes the installation's update folder: every
// act file there ("*.txt" but modif.txt and modart.txt, in name order),
// then modif.txt and modart.txt, and moves what it processed to
// update/done (an act that failed stays where it was). Without
// --install-dir the installation is the one the install-directory lookup
// names, else the working directory. A missing database is created with
// the code tables of --codes (default DIR/update/codes.tsv). --wmod also
// collects the modification lines of the acts' headers into DIR/modif.txt.
// --reorganise says whether the run ends by reorganising the word index,
// as reorgdb does: by default (auto) once the records appended since it was
// last reorganised make up more than 2% of "word.dat".
// --wait-for makes it wait (at most a minute) for the process PID, the
// viewer that started it, to end and let the database go.
//
// Exit status: 0 when every act was imported, 1 when any failed or the
// index could not be reorganised, 2 when the run could not be made at all.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/installation.h"
#include "idxcore/session/session.h"
#include "tools/pkgrun/update.h"
#include "tools/wait_for_viewer.h"

namespace {

constexpr char kUsage[] =
    "usage: pkgrun [--install-dir DIR] [--codes FILE] [--modif FILE] [--modart FILE] [--wmod]"
    " [--reorganise auto|always|never] [--wait-for PID] [ACT_FILE_OR_DIR ...]\n";

std::optional<pkgrun::Reorganise> ParseReorganise(const std::string& value) {
  if (value == "auto") return pkgrun::Reorganise::kAuto;
  if (value == "always") return pkgrun::Reorganise::kAlways;
  if (value == "never") return pkgrun::Reorganise::kNever;
  return std::nullopt;
}

std::optional<pkgrun::UpdateOptions> ParseArguments(int argc, char** argv) {
  pkgrun::UpdateOptions options;
  bool install_dir_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string* value = nullptr;
    if (arg == "--install-dir") {
      value = &options.install_dir;
      install_dir_given = true;
    } else if (arg == "--codes") {
      value = &options.codes;
    } else if (arg == "--modif") {
      value = &options.modif;
    } else if (arg == "--modart") {
      value = &options.modart;
    } else if (arg == "--wmod") {
      options.with_modifications = true;
      continue;
    } else if (arg == "--reorganise") {
      if (i + 1 >= argc) return std::nullopt;
      const std::optional<pkgrun::Reorganise> mode = ParseReorganise(argv[++i]);
      if (!mode) return std::nullopt;
      options.reorganise = *mode;
      continue;
    } else if (arg.starts_with("--")) {
      return std::nullopt;
    } else {
      options.acts.push_back(arg);
      continue;
    }
    if (i + 1 >= argc) return std::nullopt;
    *value = argv[++i];
  }

  const actsdb::InstallationPlaces places =
      actsdb::ResolveInstallation(install_dir_given ? options.install_dir : "",
                                  actsdb::AliasConfig(), std::filesystem::current_path().string());
  options.install_dir = places.install_dir;
  options.database_dir = places.database_dir;
  if (options.codes.empty()) options.codes = options.install_dir + "/update/codes.tsv";
  return options;
}

// "\r[ 12/135]  34.5 acts/s" on a terminal; nothing otherwise.
class Progress {
 public:
  Progress() : on_(::isatty(STDERR_FILENO) != 0), start_(std::chrono::steady_clock::now()) {}

  void Show(int done, int total) {
    if (!on_) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(stderr, "\r[%5d/%d] %7.1f acts/s", done, total,
                 seconds > 0 ? done / seconds : 0.0);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
  }

 private:
  bool on_;
  std::chrono::steady_clock::time_point start_;
};

// "\rreorganising the index:  45%" on a terminal; nothing otherwise.
class ReorganiseProgress {
 public:
  ReorganiseProgress() : on_(::isatty(STDERR_FILENO) != 0) {}

  void Show(int64_t done, int64_t total) {
    const int percent = total > 0 ? static_cast<int>(100 * done / total) : 100;
    if (!on_ || percent == shown_) return;
    shown_ = percent;
    std::fprintf(stderr, "\rreorganising the index: %3d%%", percent);
    if (percent == 100) std::fputc('\n', stderr);
    std::fflush(stderr);
  }

 private:
  bool on_;
  int shown_ = -1;
};

void PrintSummary(const pkgrun::UpdateSummary& s) {
  std::printf("pkgrun: %d of %d acts imported (%llu KB) in %.2f s", s.acts_imported,
              s.acts_total, static_cast<unsigned long long>(s.bytes_imported / 1024), s.seconds);
  if (s.seconds > 0) std::printf(", %.1f acts/s", s.acts_imported / s.seconds);
  std::printf("; %d acts compressed\n", s.acts_compressed);
  if (s.index_reorganised) {
    std::printf("pkgrun: index reorganised in %.2f s\n", s.reorganise_seconds);
  }
  std::fflush(stdout);
  if (!s.reorganise_error.empty()) {
    std::cout << "pkgrun: the index could not be reorganised: " << s.reorganise_error << "\n";
  }
  for (const std::string& report : s.modification_reports) {
    std::cout << "pkgrun: " << report << "\n";
  }
  if (!s.failures.empty()) {
    std::cout << "pkgrun: " << s.failures.size() << " acts failed:\n";
    for (const pkgrun::ActFailure& f : s.failures) {
      std::cout << "  " << f.file << ": " << f.reason << "\n";
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Started by the viewer: first wait for it to let the database go.
  std::vector<std::string> args(argv + 1, argv + argc);
  if (const std::string error = tools::WaitForViewer(&args, "pkgrun"); !error.empty()) {
    std::cerr << "pkgrun: " << error << "\n";
    return 2;
  }
  std::vector<char*> rest = {argv[0]};
  for (std::string& arg : args) rest.push_back(arg.data());
  const std::optional<pkgrun::UpdateOptions> options =
      ParseArguments(static_cast<int>(rest.size()), rest.data());
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    Progress progress;
    ReorganiseProgress reorganise_progress;
    const pkgrun::UpdateSummary summary = pkgrun::RunUpdate(
        *options, [&progress](int done, int total) { progress.Show(done, total); },
        [&reorganise_progress](int64_t done, int64_t total) {
          reorganise_progress.Show(done, total);
        });
    PrintSummary(summary);
    return summary.failures.empty() && summary.reorganise_error.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "pkgrun: " << e.what() << "\n";
    return 2;
  }
}
