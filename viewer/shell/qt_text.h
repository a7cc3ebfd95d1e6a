// Windows-1250 text at the edge with Qt: the system keeps its texts as
// Windows-1250 bytes and hands Qt Unicode strings.
#ifndef CORVANA_VIEWER_SHELL_QT_TEXT_H_
#define CORVANA_VIEWER_SHELL_QT_TEXT_H_

#include <QString>
#include <string>
#include <string_view>

#include "actsdb/codepage.h"

namespace shell {

inline QString FromCp1250(std::string_view text) {
  return QString::fromStdString(actsdb::Cp1250ToUtf8(text));
}

inline std::string ToCp1250(const QString& text) {
  return actsdb::Utf8ToCp1250(text.toStdString());
}

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_QT_TEXT_H_
