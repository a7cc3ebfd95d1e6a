#include "tools/corvana-export/standalone_page.h"

#include <map>

#include "actsdb/codepage.h"
#include "viewer/viewing/act_page.h"

namespace corvana_export {
namespace {

constexpr std::string_view kImageSource = "<img src=\"";

// The file name extension of a picture, from its first bytes.
const char* Extension(std::string_view bytes) {
  if (bytes.starts_with("GIF8")) return ".gif";
  if (bytes.starts_with("\xFF\xD8\xFF")) return ".jpg";
  if (bytes.starts_with("\x89PNG")) return ".png";
  if (bytes.starts_with("BM")) return ".bmp";
  return ".bin";
}

}  // namespace

StandalonePage MakeStandalone(std::string_view page, const PictureLookup& lookup,
                              const std::string& stem) {
  StandalonePage result;
  std::map<std::string, std::string> names;  // picture key -> file name ("" unknown)
  std::string html;
  html.reserve(page.size() + 64);
  size_t at = 0;
  for (size_t tag; (tag = page.find(kImageSource, at)) != std::string_view::npos;) {
    const size_t start = tag + kImageSource.size();
    const size_t end = page.find('"', start);
    if (end == std::string_view::npos) break;
    const std::string key = viewing::PictureKey(page.substr(start, end - start));
    auto [it, added] = names.try_emplace(key);
    if (added && !key.empty()) {
      if (std::optional<std::string> bytes = lookup(key)) {
        it->second = stem + "_" + std::to_string(result.pictures.size() + 1) + Extension(*bytes);
        result.pictures.push_back({it->second, std::move(*bytes)});
      }
    }
    html += page.substr(at, start - at);
    html += it->second.empty() ? std::string(page.substr(start, end - start)) : it->second;
    at = end;
  }
  html += page.substr(at);

  // The charset goes right after the opening "<html>" line.
  std::string utf8 = actsdb::Cp1250ToUtf8(html);
  const size_t first_line = utf8.find('\n');
  utf8.insert(first_line == std::string::npos ? 0 : first_line + 1, "<meta charset=\"utf-8\">\r\n");
  result.html = std::move(utf8);
  return result;
}

}  // namespace corvana_export
