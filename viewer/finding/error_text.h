// The text of an error for the finding windows' message boxes. Errors are
// written in UTF-8, but one may quote Windows-1250 bytes as they stand (a
// query's text); a message that is not UTF-8 is read as Windows-1250.
#ifndef CORVANA_VIEWER_FINDING_ERROR_TEXT_H_
#define CORVANA_VIEWER_FINDING_ERROR_TEXT_H_

#include <QString>

#include "actsdb/codepage.h"
#include "viewer/hypertext/hypertext_view.h"

namespace finding {

inline QString ErrorText(const char* message) {
  return actsdb::LooksLikeUtf8(message) ? QString::fromUtf8(message)
                                        : hypertext::FromCp1250(message);
}

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_ERROR_TEXT_H_
