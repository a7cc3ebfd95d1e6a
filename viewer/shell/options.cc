#include "viewer/shell/options.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <optional>
#include <cstdio>
#include <fstream>
#include <variant>
#include <vector>

namespace shell {
namespace {

// One key of the file: where it lives, which member holds it and, for the
// radio buttons, which group it belongs to (0: none).
struct Key {
  const char* section;
  const char* name;
  std::variant<std::string Options::*, bool Options::*, int Options::*, int64_t Options::*> member;
  int group = 0;
};

// In the order the keys are read and written.
const Key kKeys[] = {
    {"Font", "FontName", &Options::font_name},
    {"Font", "Color", &Options::font_color},
    {"Font", "Size", &Options::font_size},
    {"Conexiune", "none", &Options::conn_none, 1},
    {"Conexiune", "local", &Options::conn_local, 1},
    {"Conexiune", "dial", &Options::conn_dial, 1},
    {"Update", "mail", &Options::update_mail},
    {"Update", "web", &Options::update_web},
    {"Update", "mail_account", &Options::mail_account},
    {"Update", "mail_user", &Options::mail_user},
    {"Update", "mail_password", &Options::mail_password},
    {"Performanta", "under32mb", &Options::under32mb, 2},
    {"Performanta", "over32mb", &Options::over32mb, 2},
    {"Dial", "dial_user", &Options::dial_user},
    {"Dial", "dial_pass", &Options::dial_pass},
    {"Dial", "dial_phon", &Options::dial_phon},
    {"Cautare", "Evidentiere", &Options::mark_hits},
};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

template <typename Int>
std::optional<Int> ParseInteger(std::string_view text) {
  text = Trim(text);
  Int value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

// The file as lines (without their line ends), kept so that a rewrite
// changes only the viewer's keys.
class IniLines {
 public:
  explicit IniLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
    }
  }

  // The value of the first line `key=` in `section`.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const {
    std::optional<size_t> at = Find(section, key);
    if (!at) return std::nullopt;
    const std::string& line = lines_[*at];
    return line.substr(line.find('=') + 1);
  }

  void Set(std::string_view section, std::string_view key, const std::string& value) {
    std::string line = std::string(key) + "=" + value;
    if (std::optional<size_t> at = Find(section, key)) {
      lines_[*at] = std::move(line);
      return;
    }
    // After the last line of the section, or in a new section at the end.
    std::optional<size_t> end = SectionEnd(section);
    if (!end) {
      lines_.push_back("[" + std::string(section) + "]");
      end = lines_.size();
    }
    lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(*end), std::move(line));
  }

  std::string Text() const {
    std::string text;
    for (const std::string& line : lines_) text += line + "\r\n";
    return text;
  }

 private:
  static std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
    return Trim(line.substr(1, line.size() - 2));
  }

  std::optional<size_t> Find(std::string_view section, std::string_view key) const {
    bool inside = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (std::optional<std::string_view> name = SectionName(lines_[i])) {
        inside = SameName(*name, section);
      } else if (inside) {
        const size_t eq = lines_[i].find('=');
        if (eq != std::string::npos && SameName(Trim(std::string_view(lines_[i]).substr(0, eq)), key)) {
          return i;
        }
      }
    }
    return std::nullopt;
  }

  // The index after the last non-blank line of the first `section`.
  std::optional<size_t> SectionEnd(std::string_view section) const {
    std::optional<size_t> end;
    bool inside = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (std::optional<std::string_view> name = SectionName(lines_[i])) {
        if (inside) break;
        inside = SameName(*name, section);
        if (inside) end = i + 1;
      } else if (inside && !Trim(lines_[i]).empty()) {
        end = i + 1;
      }
    }
    return end;
  }

  std::vector<std::string> lines_;
};

}  // namespace

LoadMode Options::load_mode() const {
  if (over32mb) return LoadMode::kFull;
  if (under32mb) return LoadMode::kPartial;
  return LoadMode::kNone;
}

void Options::set_load_mode(LoadMode mode) {
  under32mb = mode == LoadMode::kPartial;
  over32mb = mode == LoadMode::kFull;
}

Options ReadOptions(const std::string& path) {
  const IniLines file(path);
  const Options defaults;
  Options options;
  for (const Key& key : kKeys) {
    const std::optional<std::string> value = file.Get(key.section, key.name);
    if (auto flag = std::get_if<bool Options::*>(&key.member)) {
      // A radio button takes its default as it would a value read, so a
      // missing or bad key still clears the buttons of its group read
      // before it.
      const std::optional<int64_t> parsed = value ? ParseInteger<int64_t>(*value) : std::nullopt;
      const bool on = parsed ? *parsed != 0 : defaults.**flag;
      if (on && key.group != 0) {
        for (const Key& other : kKeys) {
          if (other.group == key.group) options.*std::get<bool Options::*>(other.member) = false;
        }
      }
      options.**flag = on;
    } else if (!value) {
      continue;  // the default stays
    } else if (auto text = std::get_if<std::string Options::*>(&key.member)) {
      // A font needs a name; every other text may be empty.
      if (!value->empty() || *text != &Options::font_name) options.**text = *value;
    } else if (auto number = std::get_if<int Options::*>(&key.member)) {
      const std::optional<int> parsed = ParseInteger<int>(*value);
      if (parsed && *parsed > 0) options.**number = *parsed;  // a font size
    } else if (auto wide = std::get_if<int64_t Options::*>(&key.member)) {
      if (std::optional<int64_t> parsed = ParseInteger<int64_t>(*value)) options.**wide = *parsed;
    }
  }
  return options;
}

bool WriteOptions(const std::string& path, const Options& options) {
  IniLines file(path);
  for (const Key& key : kKeys) {
    std::string value;
    if (auto text = std::get_if<std::string Options::*>(&key.member)) {
      value = options.**text;
    } else if (auto number = std::get_if<int Options::*>(&key.member)) {
      value = std::to_string(options.**number);
    } else if (auto wide = std::get_if<int64_t Options::*>(&key.member)) {
      value = std::to_string(options.**wide);
    } else {
      value = options.*std::get<bool Options::*>(key.member) ? "1" : "0";
    }
    file.Set(key.section, key.name, value);
  }
  const std::string text = file.Text();
  const std::string temp = path + ".new";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // An existing file left by an older run may be readable by others.
  bool ok = ::fchmod(fd, 0600) == 0;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  ok = ::close(fd) == 0 && ok;
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace shell
