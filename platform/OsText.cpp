// Conversions of text and paths between the system's GBK and the operating system's UTF-8.
#include "platform/OsText.h"

#include "runtime/Exception.h"
#include "runtime/Gbk.h"

namespace qnexp {

std::string ToOsText(std::string_view gbk) {
  try {
    return GbkToUtf8(gbk);
  } catch (const EConvertError&) {
    return std::string(gbk);
  }
}

std::string FromOsText(std::string_view utf8) { return Utf8ToGbkOrSame(utf8); }

std::string ToOsPath(std::string_view gbk) {
  std::string path(gbk);
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])))
      ++i;
    else if (path[i] == '\\')
      path[i] = '/';
  }
  return ToOsText(path);
}

}  // namespace qnexp
