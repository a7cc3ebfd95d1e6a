#include "tools/pkgrun/update.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "actsdb/codepage.h"
#include "actsdb/compress.h"
#include "actsdb/installation.h"
#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "actsdb/transaction.h"
#include "idxcore/session/session.h"

namespace pkgrun {

namespace {

namespace fs = std::filesystem;

constexpr char kModifFile[] = "modif.txt";
constexpr char kModartFile[] = "modart.txt";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whether a line break (CR LF, LF or a lone CR, as the importer splits
// lines) ends at byte `i` of `text`.
bool EndsLine(std::string_view text, size_t i) {
  return text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
}

// The 1-based line, as the importer counts lines, of byte `offset`.
size_t LineOf(std::string_view text, size_t offset) {
  size_t line = 1;
  for (size_t i = 0; i < offset; ++i) line += EndsLine(text, i);
  return line;
}

// The session takes texts as C strings, which a NUL byte would end early,
// silently dropping everything after it.
void RefuseNul(std::string_view act) {
  const size_t nul = act.find('\0');
  if (nul == std::string_view::npos) return;
  throw std::runtime_error("line " + std::to_string(LineOf(act, nul)) +
                           " holds a NUL byte: not a plain-text act; nothing of it was imported");
}

// The lines of a modification file without those that hold a NUL byte,
// each of which is reported and skipped.
std::string WithoutNulLines(const std::string& text, const std::string& file,
                            std::vector<std::string>& reports) {
  if (text.find('\0') == std::string::npos) return text;
  std::string kept;
  size_t line = 1;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !EndsLine(text, i)) continue;
    const std::string_view content(text.data() + start, i - start);
    if (content.find('\0') == std::string_view::npos) {
      kept.append(content).append("\r\n");
    } else {
      reports.push_back(file + " line " + std::to_string(line) +
                        " skipped: it holds a NUL byte");
    }
    ++line;
    start = i + 1;
  }
  return kept;
}

// Messages carry act text (Windows-1250) or system text (UTF-8 already).
std::string ForTerminal(const std::string& message) {
  return actsdb::LooksLikeUtf8(message) ? message : actsdb::Cp1250ToUtf8(message);
}

bool IsActFile(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) {
    return static_cast<char>(std::tolower(c));
  });
  const std::string name = path.filename().string();
  return ext == ".txt" && name != kModifFile && name != kModartFile;
}

// The act files named on the command line, folders expanded.
std::vector<std::string> ExpandActArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> files;
  for (const std::string& argument : arguments) {
    if (fs::is_directory(argument)) {
      const std::vector<std::string> in_folder = ActFilesIn(argument);
      files.insert(files.end(), in_folder.begin(), in_folder.end());
    } else if (fs::exists(argument)) {
      files.push_back(argument);
    } else {
      throw std::runtime_error("no act file or folder " + argument);
    }
  }
  return files;
}

void MoveToDone(const std::string& file, const std::string& done) {
  fs::create_directories(done);
  fs::rename(file, fs::path(done) / fs::path(file).filename());
}

std::string DatabaseFile(const UpdateOptions& options) {
  return options.database_dir + "/" + actsdb::kDatabaseFileName;
}

// Creates the database with its schema and code tables when there is none.
void EnsureDatabase(const UpdateOptions& options) {
  if (fs::exists(DatabaseFile(options))) return;
  if (options.codes.empty() || !fs::exists(options.codes)) {
    throw std::runtime_error("there is no database " + DatabaseFile(options) +
                             " and no code tables to create it from (--codes)");
  }
  if (fs::path(options.database_dir) != fs::path(actsdb::DatabasePath(options.install_dir)).parent_path()) {
    throw std::runtime_error("there is no database " + DatabaseFile(options) +
                             "; only an installation's own database is created");
  }
  actsdb::OpenOrCreateDatabase(options.install_dir, options.codes);
}

// Fills the compressed hypertext and structure text of every act that has
// none yet (new acts, and acts replaced in this run).
int CompressNewActs(actsdb::Database& db) {
  actsdb::Table acts(db, "tblActe");
  acts.Open(/*exclusive=*/true);
  int compressed = 0;
  actsdb::Transaction transaction(db);
  for (bool on = acts.First(); on; on = acts.Next()) {
    if (acts.AsInteger("TextSize") != 0 && acts.AsInteger("StructSize") != 0) continue;
    const std::string text = acts.AsString("Textul");
    const std::string structure = acts.AsString("Struct");
    acts.Edit();
    acts.SetBlob("CompText", actsdb::Deflate(text));
    acts.SetInteger("TextSize", static_cast<int64_t>(text.size()));
    acts.SetBlob("CompStruct", actsdb::Deflate(structure));
    acts.SetInteger("StructSize", static_cast<int64_t>(structure.size()));
    acts.Post();
    ++compressed;
  }
  transaction.Commit();
  return compressed;
}

bool ShouldReorganise(Reorganise mode) {
  switch (mode) {
    case Reorganise::kAlways:
      return true;
    case Reorganise::kNever:
      return false;
    case Reorganise::kAuto:
      break;
  }
  const idxcore::IndexLayout layout = idxcore::SessionIndexLayout();
  return layout.appended > kReorganiseShare * static_cast<double>(layout.records);
}

// Reorganises the open session's index when `options` ask for it.
void ReorganiseIndex(const UpdateOptions& options, const ReorganiseProgressFn& progress,
                     UpdateSummary& summary) {
  if (!ShouldReorganise(options.reorganise)) return;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  try {
    idxcore::PutSessionIndexInOrder(progress);
    summary.index_reorganised = true;
  } catch (const std::exception& e) {
    summary.reorganise_error = ForTerminal(e.what());
  }
  summary.reorganise_cpu_seconds =
      static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  summary.reorganise_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Sends the session's reports to `summary` while it lives.
struct ReportGuard {
  explicit ReportGuard(UpdateSummary& summary) {
    idxcore::SetSessionReport([&summary](const std::string& message) {
      summary.modification_reports.push_back(ForTerminal(message));
    });
  }
  ~ReportGuard() { idxcore::SetSessionReport(nullptr); }
  ReportGuard(const ReportGuard&) = delete;
  ReportGuard& operator=(const ReportGuard&) = delete;
};

// Ends the session however the run leaves.
struct SessionGuard {
  SessionGuard() = default;
  SessionGuard(const SessionGuard&) = delete;
  SessionGuard& operator=(const SessionGuard&) = delete;
  ~SessionGuard() {
    try {
      _frmstp();
    } catch (...) {
      // The run is already failing with its own error.
    }
  }
};

}  // namespace

std::vector<std::string> ActFilesIn(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && IsActFile(entry.path())) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ActText(const std::string& bytes) {
  std::string_view text(bytes);
  if (text.starts_with("\xEF\xBB\xBF")) return actsdb::Utf8ToCp1250(text.substr(3));
  return actsdb::LooksLikeUtf8(text) ? actsdb::Utf8ToCp1250(text) : bytes;
}

UpdateSummary RunUpdate(const UpdateOptions& options, const ProgressFn& progress,
                        const ReorganiseProgressFn& reorganise_progress) {
  const auto start = std::chrono::steady_clock::now();
  const bool from_update_folder = options.acts.empty();
  const std::string update = options.install_dir + "/update";
  const std::string done = update + "/done";

  std::vector<std::string> act_files;
  std::vector<std::string> modif_files, modart_files;
  if (from_update_folder) {
    if (fs::is_directory(update)) act_files = ActFilesIn(update);
    if (fs::exists(update + "/" + kModifFile)) modif_files.push_back(update + "/" + kModifFile);
    if (fs::exists(update + "/" + kModartFile)) modart_files.push_back(update + "/" + kModartFile);
  } else {
    act_files = ExpandActArguments(options.acts);
  }
  if (!options.modif.empty()) modif_files.push_back(options.modif);
  if (!options.modart.empty()) modart_files.push_back(options.modart);

  // Held to the end: a second run must not find the database half made,
  // nor start on it while this one writes.
  const actsdb::UpdateLock lock(options.database_dir);
  EnsureDatabase(options);

  UpdateSummary summary;
  summary.acts_total = static_cast<int>(act_files.size());
  {
    ReportGuard reports(summary);
    idxcore::StartSession({options.install_dir, options.database_dir});
    SessionGuard guard;
    for (const std::string& file : act_files) {
      try {
        const std::string text = ActText(ReadFile(file));
        RefuseNul(text);
        if (options.with_modifications) {
          _prelbufwmod(text.c_str());
        } else {
          _prelbuf(text.c_str());
        }
        ++summary.acts_imported;
        summary.bytes_imported += text.size();
        if (from_update_folder) MoveToDone(file, done);
      } catch (const std::exception& e) {
        summary.failures.push_back({file, ForTerminal(e.what())});
      }
      if (progress) progress(summary.acts_imported + static_cast<int>(summary.failures.size()),
                             summary.acts_total);
    }
    for (const std::string& file : modif_files) {
      _prelmod(WithoutNulLines(ReadFile(file), file, summary.modification_reports).c_str());
    }
    for (const std::string& file : modart_files) {
      _prelmodart(WithoutNulLines(ReadFile(file), file, summary.modification_reports).c_str());
    }
    ReorganiseIndex(options, reorganise_progress, summary);
    _frmstp();  // its errors are the run's; the guard only ends a failed run
  }
  if (from_update_folder) {
    for (const auto* files : {&modif_files, &modart_files}) {
      for (const std::string& file : *files) {
        if (fs::path(file).parent_path() == fs::path(update)) MoveToDone(file, done);
      }
    }
  }

  std::unique_ptr<actsdb::Database> db = actsdb::Database::Open(DatabaseFile(options));
  summary.acts_compressed = CompressNewActs(*db);
  actsdb::ClientDataset::SaveActsList(*db, options.install_dir + "/dump.dst");
  summary.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return summary;
}

}  // namespace pkgrun
