// An act's page as a file a web browser shows by itself: UTF-8 with its
// charset declared, and its pictures as files beside it.
#ifndef CORVANA_TOOLS_CORVANA_EXPORT_STANDALONE_PAGE_H_
#define CORVANA_TOOLS_CORVANA_EXPORT_STANDALONE_PAGE_H_

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvana_export {

struct PictureFile {
  std::string name;  // beside the page
  std::string bytes;
};

struct StandalonePage {
  std::string html;  // UTF-8
  std::vector<PictureFile> pictures;
};

// Answers a picture key (IndCod) with the picture's bytes, or nothing.
using PictureLookup = std::function<std::optional<std::string>(const std::string& key)>;

// Converts `page` (Windows-1250, as the act window shows it). Each picture
// whose key `lookup` knows gets a file named `stem` + "_" + its number +
// the extension its bytes call for, and its tags take that name as their
// source; pictures it does not know keep their source (and show as missing).
StandalonePage MakeStandalone(std::string_view page, const PictureLookup& lookup,
                              const std::string& stem);

}  // namespace corvana_export

#endif  // CORVANA_TOOLS_CORVANA_EXPORT_STANDALONE_PAGE_H_
