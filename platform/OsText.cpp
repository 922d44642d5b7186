// Conversions of text and paths between the system's GBK and the operating system's UTF-8.
#include "platform/OsText.h"

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"

namespace qnexp {

std::string ToOsText(std::string_view gbk) {
  try {
    return GbkToUtf8(gbk);
  } catch (const EConvertError&) {
    return std::string(gbk);
  }
}

std::string FromOsText(std::string_view utf8) { return Utf8ToGbkOrSame(utf8); }

std::string ForwardSlashes(std::string_view gbk) {
  std::string path(gbk);
  for (size_t i = 0; i < path.size(); i += CharSize(path, i))
    if (path[i] == '\\') path[i] = '/';
  return path;
}

std::string ToOsPath(std::string_view gbk) { return ToOsText(ForwardSlashes(gbk)); }

bool IsAddress(std::string_view gbk) {
  size_t colon = gbk.find(':');
  return colon != std::string_view::npos && colon >= 2 &&
         ForwardSlashes(gbk.substr(0, colon)).find('/') == std::string::npos;
}

}  // namespace qnexp
