#include "actsdb/install_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace actsdb {
namespace {

std::string ConfigHome() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config";
  return "";
}

// The value of the first "Path=" line of a configuration file, or "".
std::string PathFromConfig(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Path=", 0) == 0) return line.substr(5);
  }
  return "";
}

}  // namespace

std::string WithoutTrailingSeparator(std::string path) {
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string ReduceFirstDoubledSeparator(std::string path) {
  if (const size_t at = path.find("//"); at != std::string::npos) path.erase(at, 1);
  return path;
}

std::string LookupInstallDir() {
  if (const char* env = std::getenv("CORVANA_HOME"); env && *env) {
    return WithoutTrailingSeparator(env);
  }
  for (const std::string& file : {ConfigHome() + "/corvana/corvana.conf",
                                  std::string("/etc/corvana/corvana.conf")}) {
    if (std::string path = PathFromConfig(file); !path.empty()) {
      return WithoutTrailingSeparator(std::move(path));
    }
  }
  return "";
}

std::string AliasConfig::DefaultPath() {
  if (const char* env = std::getenv("CORVANA_ALIASES"); env && *env) return env;
  return ConfigHome() + "/corvana/aliases.conf";
}

AliasConfig::AliasConfig(std::string path) : path_(std::move(path)) {
  std::ifstream in(path_);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0 || line[0] == '#') continue;
    aliases_[line.substr(0, eq)] = line.substr(eq + 1);
  }
}

bool AliasConfig::Has(const std::string& name) const { return aliases_.count(name) > 0; }

const std::string& AliasConfig::Directory(const std::string& name) const {
  const auto it = aliases_.find(name);
  if (it == aliases_.end()) {
    throw std::runtime_error("alias " + name + " is not registered in " + path_);
  }
  return it->second;
}

void AliasConfig::Add(const std::string& name, const std::string& directory) {
  aliases_[name] = directory;
}

void AliasConfig::Save() const {
  namespace fs = std::filesystem;
  const fs::path file(path_);
  std::error_code ec;
  if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
  const fs::path temp = file.string() + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    for (const auto& [name, dir] : aliases_) out << name << '=' << dir << '\n';
    out.flush();
    if (!out) throw std::runtime_error("cannot write the alias configuration " + temp.string());
  }
  fs::rename(temp, file, ec);
  if (ec) throw std::runtime_error("cannot write the alias configuration " + path_ + ": " + ec.message());
}

}  // namespace actsdb
