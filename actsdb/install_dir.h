// Where Corvana is installed, and the database aliases.
//
// The installation directory holds the viewer's files ("optiuni.ini",
// "dump.dst", "htm/right/index.htm", ...), the heading definitions
// "adn2.txt", the update folder "update" and the database directory
// "zazi1". The aliases name the directories the programs open by name:
// `Zazi1` (the tables and the word index), `NormBase` (the installation
// directory) and "Update" (the folder the update program reads).
#ifndef CORVANA_ACTSDB_INSTALL_DIR_H_
#define CORVANA_ACTSDB_INSTALL_DIR_H_

#include <map>
#include <string>

namespace actsdb {

// The installation directory, without a trailing "/" (one trailing "/" is
// removed; "/" alone stays). Looked up in this order:
//   1. the environment variable CORVANA_HOME;
//   2. the line "Path=DIR" of $XDG_CONFIG_HOME/corvana/corvana.conf
//      (default ~/.config/corvana/corvana.conf);
//   3. the line "Path=DIR" of /etc/corvana/corvana.conf.
// Empty when none is set, as a missing registry value is.
std::string LookupInstallDir();

// Removes one trailing "/" (the rule every caller of the lookup relies on).
std::string WithoutTrailingSeparator(std::string path);

// Reduces the first doubled "//" of a path to one "/".
std::string ReduceFirstDoubledSeparator(std::string path);

// The alias configuration: a text file of "name=directory" lines. Its path
// is $CORVANA_ALIASES when set, otherwise
// $XDG_CONFIG_HOME/corvana/aliases.conf (default ~/.config/...).
class AliasConfig {
 public:
  static std::string DefaultPath();

  // Reads `path`; a missing file is an empty configuration.
  explicit AliasConfig(std::string path = DefaultPath());

  bool Has(const std::string& name) const;
  // The directory of an alias; throws std::runtime_error naming the alias
  // when it is not registered.
  const std::string& Directory(const std::string& name) const;
  // Registers (or re-points) an alias. Nothing is written until Save().
  void Add(const std::string& name, const std::string& directory);
  // Writes the file, creating its directory; throws on a write failure.
  void Save() const;

  const std::map<std::string, std::string>& aliases() const { return aliases_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::map<std::string, std::string> aliases_;
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_INSTALL_DIR_H_
