#include "viewer/viewing/act_source.h"

namespace viewing {

std::optional<std::string> FindPicture(actsdb::Dataset& imagini, const std::string& key) {
  if (!imagini.Locate("IndCod", key)) return std::nullopt;
  return imagini.AsBlob("Imagine");
}

}  // namespace viewing
