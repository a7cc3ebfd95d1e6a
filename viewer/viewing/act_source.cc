#include "viewer/viewing/act_source.h"

namespace viewing {

ActPageRow ReadActPageRow(const actsdb::Dataset& act) {
  ActPageRow row;
  if (!act.IsNull("Numar")) row.numar = act.AsInteger("Numar");
  row.data = act.AsDate("Data");
  row.data_pub = act.AsDate("DataPub");
  row.limba = act.AsString("Limba");
  row.comp_text = act.AsBlob("CompText");
  row.text_size = act.AsInteger("TextSize");
  return row;
}

std::optional<std::string> FindPicture(actsdb::Dataset& imagini, const std::string& key) {
  if (!imagini.Locate("IndCod", key)) return std::nullopt;
  return imagini.AsBlob("Imagine");
}

}  // namespace viewing
