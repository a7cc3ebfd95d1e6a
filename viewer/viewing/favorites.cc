#include "viewer/viewing/favorites.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace viewing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader = "Corvana favorite 1";
constexpr std::string_view kLineEnd = "\r\n";

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// A title as the list keeps it: control characters (tabs, line ends) are
// blanks, and it has no blanks at its ends.
std::string CleanTitle(std::string title) {
  std::replace_if(title.begin(), title.end(), IsControl, ' ');
  const size_t begin = title.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  return title.substr(begin, title.find_last_not_of(' ') + 1 - begin);
}

std::runtime_error LineError(size_t line, const std::string& what) {
  return std::runtime_error(std::string(kFavoritesFile) + " line " + std::to_string(line) + ": " +
                            what);
}

std::string ErrnoText() { return std::strerror(errno); }

// Writes `text` to `path` through `path` + ".new", flushed to the disk
// before it replaces `path`.
void WriteReplacing(const std::string& path, const std::string& text) {
  const std::string temp = path + ".new";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot write " + temp + ": " + ErrnoText());
  std::string error;
  for (size_t done = 0; error.empty() && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) error = "cannot write " + temp + ": " + ErrnoText();
    else done += static_cast<size_t>(n);
  }
  if (error.empty() && ::fsync(fd) != 0) error = "cannot flush " + temp + ": " + ErrnoText();
  if (::close(fd) != 0 && error.empty()) error = "cannot write " + temp + ": " + ErrnoText();
  if (error.empty() && std::rename(temp.c_str(), path.c_str()) != 0) {
    error = "cannot replace " + path + ": " + ErrnoText();
  }
  if (!error.empty()) {
    std::remove(temp.c_str());
    throw std::runtime_error(error);
  }
  // The rename itself reaches the disk with the directory.
  const std::string dir = fs::path(path).parent_path().string();
  const int dir_fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);
    ::close(dir_fd);
  }
}

}  // namespace

std::string SerializeFavorites(const std::vector<Favorite>& entries) {
  std::string text(kHeader);
  text += kLineEnd;
  for (const Favorite& f : entries) {
    text += f.key + '\t' + actsdb::FormatDmy(f.added) + '\t' + f.title;
    text += kLineEnd;
  }
  return text;
}

std::vector<Favorite> ParseFavorites(std::string_view text) {
  std::vector<Favorite> entries;
  size_t number = 0;
  while (!text.empty()) {
    ++number;
    const size_t end = text.find(kLineEnd);
    if (end == std::string_view::npos) throw LineError(number, "cut short (no line end)");
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + kLineEnd.size());
    if (number == 1) {
      if (line != kHeader) throw LineError(number, "not a list of favourite acts");
      continue;
    }
    const size_t tab1 = line.find('\t');
    const size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos) {
      throw LineError(number, "not an entry (key, date and title separated by tabs)");
    }
    Favorite f;
    f.key = line.substr(0, tab1);
    const std::optional<actsdb::Date> added =
        actsdb::ParseDmy(line.substr(tab1 + 1, tab2 - tab1 - 1));
    f.title = line.substr(tab2 + 1);
    const auto has_control = [](const std::string& s) {
      return std::any_of(s.begin(), s.end(), IsControl);
    };
    if (f.key.empty() || has_control(f.key)) throw LineError(number, "not an act key");
    if (!added) throw LineError(number, "not a date (d/m/yyyy)");
    if (f.title.empty() || has_control(f.title)) throw LineError(number, "not a title");
    f.added = *added;
    entries.push_back(std::move(f));
  }
  if (number == 0) throw LineError(1, "the file is empty");
  return entries;
}

std::optional<std::string> FavoriteList::Load() {
  entries_.clear();
  kept_.clear();
  std::error_code ec;
  if (!fs::exists(path_, ec) && !ec) return std::nullopt;  // none yet
  std::string reason;
  {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    if (in) text << in.rdbuf();
    if (!in || in.bad()) {
      reason = "cannot read " + path_;
    } else {
      try {
        entries_ = ParseFavorites(text.str());
        return std::nullopt;
      } catch (const std::runtime_error& e) {
        reason = e.what();
      }
    }
  }
  // Moved aside under a name no earlier damaged file has taken: a link
  // under the new name fails rather than replace one.
  std::string aside = path_ + ".deteriorat";
  int error = 0;
  for (int n = 1; ::link(path_.c_str(), aside.c_str()) != 0; ++n) {
    error = errno;
    if (error != EEXIST) break;
    aside = path_ + ".deteriorat." + std::to_string(n);
    error = 0;
  }
  if (error == 0 && ::unlink(path_.c_str()) != 0) error = errno;
  if (error != 0) {
    kept_ = reason + "; it could not be moved aside (" + std::strerror(error) +
            ") and is left as it is";
    return kept_;
  }
  return reason + "; it was kept as " + fs::path(aside).filename().string();
}

std::optional<size_t> FavoriteList::Find(const std::string& key) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].key == key) return i;
  }
  return std::nullopt;
}

bool FavoriteList::Add(Favorite favorite) {
  if (favorite.key.empty() || std::any_of(favorite.key.begin(), favorite.key.end(), IsControl)) {
    throw std::invalid_argument("not an act key: \"" + favorite.key + "\"");
  }
  if (Find(favorite.key)) return false;
  favorite.title = CleanTitle(std::move(favorite.title));
  if (favorite.title.empty()) favorite.title = favorite.key;
  entries_.push_back(std::move(favorite));
  return true;
}

void FavoriteList::Remove(size_t index) {
  if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<ptrdiff_t>(index));
}

bool FavoriteList::Rename(size_t index, const std::string& title) {
  std::string clean = CleanTitle(title);
  if (index >= entries_.size() || clean.empty()) return false;
  entries_[index].title = std::move(clean);
  return true;
}

void FavoriteList::Save() const {
  if (!kept_.empty()) throw std::runtime_error(path_ + " is not overwritten: " + kept_);
  WriteReplacing(path_, SerializeFavorites(entries_));
}

}  // namespace viewing
