// Texts between the system's GBK and Qt's QString, where the engine meets Qt objects.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "runtime/Gbk.h"

namespace qnexp {

// GBK to QString; a byte that starts no valid GBK character becomes U+FFFD.
inline QString ToQString(std::string_view gbk) {
  std::string utf8 = GbkToUtf8Lenient(gbk);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// QString to GBK; a character GBK cannot hold becomes "?".
inline std::string FromQString(const QString& text) {
  QByteArray utf8 = text.toUtf8();
  return Utf8ToGbkLenient(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}  // namespace qnexp
