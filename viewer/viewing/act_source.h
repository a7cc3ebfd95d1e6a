// Where an act window's content comes from in the database: the values of
// the act row its page shows, and the pictures of its text.
#ifndef CORVANA_VIEWER_VIEWING_ACT_SOURCE_H_
#define CORVANA_VIEWER_VIEWING_ACT_SOURCE_H_

#include <optional>
#include <string>

#include "actsdb/store.h"

namespace viewing {

// The bytes of the picture whose key (IndCod, upper case) is `key`, from
// the pictures table `imagini` (tblImagini); nothing when there is none.
std::optional<std::string> FindPicture(actsdb::Dataset& imagini, const std::string& key);

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_ACT_SOURCE_H_
