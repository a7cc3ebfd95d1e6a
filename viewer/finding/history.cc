#include "viewer/finding/history.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace finding {

void History::Load(const std::string& path) {
  entries_.clear();
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    int64_t id = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), id);
    if (error == std::errc() && end == line.data() + line.size()) entries_.push_back(id);
  }
}

void History::Save(const std::string& path) const {
  std::string text;
  for (int64_t id : entries_) text += std::to_string(id) + "\r\n";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

void History::Rebuild() {
  if (before_build_) before_build_();
  items_.clear();
  current_.reset();
  for (size_t entry = entries_.size(); entry-- > 0;) {
    if (std::optional<HistoryColumns> columns = lookup_(entries_[entry])) {
      items_.push_back({entry, std::move(*columns)});
    }
  }
}

void History::Select(size_t index) {
  if (index < items_.size()) current_ = index;
}

void History::StepPrevious() {
  if (items_.empty()) Rebuild();
  if (current_) {
    if (*current_ > 0) --*current_;
  } else if (!items_.empty()) {
    current_ = 0;
  }
}

void History::StepNext() {
  if (items_.empty()) Rebuild();
  if (current_) {
    if (*current_ + 1 < items_.size()) ++*current_;
  } else if (items_.size() > 1) {
    current_ = 1;
  }
}

std::optional<int64_t> History::CurrentAct() const {
  if (!current_) return std::nullopt;
  return entries_[items_[*current_].entry];
}

void History::RemoveCurrent() {
  if (!current_) return;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(items_[*current_].entry));
  Rebuild();
}

}  // namespace finding
