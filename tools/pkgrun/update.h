// The update run of pkgrun: act files and modification files fed into an
// installation through one processing session, then the stored forms the
// viewer reads (compressed text and structure, the acts list) brought up
// to date.
#ifndef CORVANA_TOOLS_PKGRUN_UPDATE_H_
#define CORVANA_TOOLS_PKGRUN_UPDATE_H_

#include <functional>
#include <string>
#include <vector>

namespace pkgrun {

struct UpdateOptions {
  std::string install_dir;
  std::string database_dir;  // usually install_dir + "/zazi1"
  std::string codes;         // seeds a database that does not exist yet
  std::string modif;         // act-level modification lines ("" = none)
  std::string modart;        // part-level modification lines ("" = none)
  bool with_modifications = false;  // collect the acts' header lines too
  // Act files, or folders whose act files are taken in name order. Empty:
  // the installation's update folder, whose processed files then move to
  // its "done" folder.
  std::vector<std::string> acts;
};

struct ActFailure {
  std::string file;
  std::string reason;  // UTF-8
};

struct UpdateSummary {
  int acts_total = 0;
  int acts_imported = 0;
  std::vector<ActFailure> failures;
  std::vector<std::string> modification_reports;  // UTF-8
  int acts_compressed = 0;
  double seconds = 0;
  uint64_t bytes_imported = 0;
};

// Called after each act with the number done and the total.
using ProgressFn = std::function<void(int done, int total)>;

// The act files of a folder: "*.txt" but the modification files, in name
// order.
std::vector<std::string> ActFilesIn(const std::string& folder);

// An act file's text as the importer takes it: Windows-1250 bytes as they
// are; UTF-8 (recognised by its multi-byte sequences, a leading byte-order
// mark dropped) converted to Windows-1250.
std::string ActText(const std::string& bytes);

// Runs the whole update. Throws for what stops the run as a whole (no
// database and no codes, a session that does not open, a database error
// outside an act); a failed act is listed in the summary and the run goes
// on.
UpdateSummary RunUpdate(const UpdateOptions& options, const ProgressFn& progress);

}  // namespace pkgrun

#endif  // CORVANA_TOOLS_PKGRUN_UPDATE_H_
