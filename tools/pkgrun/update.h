// The update run of pkgrun: act files and modification files fed into an
// installation through one processing session, then the stored forms the
// viewer reads (compressed text and structure, the acts list) brought up
// to date.
#ifndef CORVANA_TOOLS_PKGRUN_UPDATE_H_
#define CORVANA_TOOLS_PKGRUN_UPDATE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pkgrun {

// Whether the run ends by reorganising the word index (see RunUpdate).
enum class Reorganise { kAuto, kAlways, kNever };

struct UpdateOptions {
  std::string install_dir;
  std::string database_dir;  // usually install_dir + "/zazi1"
  std::string codes;         // seeds a database that does not exist yet
  std::string modif;         // act-level modification lines ("" = none)
  std::string modart;        // part-level modification lines ("" = none)
  bool with_modifications = false;  // collect the acts' header lines too
  Reorganise reorganise = Reorganise::kAuto;
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
  // The reorganisation that ended the run, if any: its wall-clock and
  // processor seconds (part of `seconds`), or why it failed (UTF-8; the
  // index is then left as the imports left it).
  bool index_reorganised = false;
  double reorganise_seconds = 0;
  double reorganise_cpu_seconds = 0;
  std::string reorganise_error;
};

// Called after each act with the number done and the total.
using ProgressFn = std::function<void(int done, int total)>;

// Called while the index is reorganised with the records copied so far and
// the records of the index.
using ReorganiseProgressFn = std::function<void(int64_t done, int64_t total)>;

// Over this share of "word.dat" appended since the index was last
// reorganised, a run in the automatic mode reorganises it.
//
// Measured on 100,000 synthetic acts of 4 KB (bench/search_bench, its
// tail-N layouts): with 2% of the records appended after a reorganisation,
// the two searches that read positions take 8-10% longer than on the
// organised index; with 5% about 45% longer, with 10% about 85%. Against
// that, reorganising an index of 100,000 acts takes about 0.65 s of
// processor time, what importing some 1,000 of them takes. At 2%, runs
// that each bring just over the share spend at most about half as much
// again on reorganising as on importing, and larger runs far less.
inline constexpr double kReorganiseShare = 0.02;

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
//
// The imports append every act's records at the end of "word.dat", so a
// word's records lie scattered over the file and a search reads them one
// by one. After the acts and modifications the run therefore reorganises
// the index, as the re-indexing program does: always, never, or (kAuto)
// when the records appended since the last reorganisation make up more
// than kReorganiseShare of the file. A reorganisation that fails changes
// nothing and does not stop the run.
UpdateSummary RunUpdate(const UpdateOptions& options, const ProgressFn& progress,
                        const ReorganiseProgressFn& reorganise_progress = nullptr);

}  // namespace pkgrun

#endif  // CORVANA_TOOLS_PKGRUN_UPDATE_H_
