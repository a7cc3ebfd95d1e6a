// The acts the user keeps to return to, and the file that keeps them across
// runs, "favorite.dat" in the installation directory (unlike the history,
// which each run starts empty).
//
// An entry names its act by key (IndNum), which an act keeps when a new
// version of it is imported, not by IdAct, which the import then changes.
// Its title is the act's display title when it was added, or the name the
// user gave it.
//
// The file is Windows-1250 text: the line "Corvana favorite 1", then one
// line per entry, key, date added (d/m/yyyy) and title separated by tabs,
// each line ended by CR LF. It is written whole to a new file that then
// replaces the old one, so that a crash leaves one or the other. A file
// that cannot be read, or is not such a file (damaged, cut short), is never
// overwritten: it is moved aside and the list starts empty.
#ifndef CORVANA_VIEWER_VIEWING_FAVORITES_H_
#define CORVANA_VIEWER_VIEWING_FAVORITES_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "actsdb/dates.h"

namespace viewing {

inline constexpr char kFavoritesFile[] = "favorite.dat";

struct Favorite {
  std::string key;  // IndNum of the act
  std::string title;
  actsdb::Date added;

  bool operator==(const Favorite&) const = default;
};

// The file's text for `entries`, and back. Parsing throws
// std::runtime_error naming the line at fault.
std::string SerializeFavorites(const std::vector<Favorite>& entries);
std::vector<Favorite> ParseFavorites(std::string_view text);

class FavoriteList {
 public:
  // The list kept in the file `path`; nothing is read until Load.
  explicit FavoriteList(std::string path) : path_(std::move(path)) {}

  // Reads the file. A missing file gives an empty list. A file that cannot
  // be read or parsed is moved aside, to `path` + ".deteriorat" (numbered
  // ".deteriorat.1", ... when that name is taken), the list starts empty,
  // and the returned text says why and where the file went. Should the
  // file not move either, Save refuses to write over it.
  std::optional<std::string> Load();

  const std::vector<Favorite>& entries() const { return entries_; }
  // The entry of the act `key`, if the list has one.
  std::optional<size_t> Find(const std::string& key) const;

  // Adds an act at the end; false, changing nothing, when it is there
  // already. A key that is empty or holds control characters throws
  // std::invalid_argument.
  bool Add(Favorite favorite);
  void Remove(size_t index);
  // Gives an entry another title; an empty or blank one is refused (false).
  bool Rename(size_t index, const std::string& title);

  // Writes the list to the file, through a new file that replaces it.
  // Throws std::runtime_error saying why it could not; the old file then
  // stays as it was.
  void Save() const;

 private:
  std::string path_;
  std::vector<Favorite> entries_;
  std::string kept_;  // why the file must not be overwritten, if it must not
};

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_FAVORITES_H_
