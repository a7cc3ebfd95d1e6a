// Where an act window's content comes from in the database: the values of
// the act row its page shows, and the pictures of its text.
#ifndef CORVANA_VIEWER_VIEWING_ACT_SOURCE_H_
#define CORVANA_VIEWER_VIEWING_ACT_SOURCE_H_

#include <optional>
#include <string>

#include "actsdb/store.h"
#include "viewer/viewing/act_page.h"

namespace viewing {

// The stored values of the act row `act` stands on (the issue number, the
// dates, the language, the compressed text and its size). The looked-up
// names and the display title are the caller's to fill in.
ActPageRow ReadActPageRow(const actsdb::Dataset& act);

// The bytes of the picture whose key (IndCod, upper case) is `key`, from
// the pictures table `imagini` (tblImagini); nothing when there is none.
std::optional<std::string> FindPicture(actsdb::Dataset& imagini, const std::string& key);

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_ACT_SOURCE_H_
