// The process-private clipboard: one set of data items, each under its MIME type.
#include "platform/Clipboard.h"

#include <map>

#include "platform/OsText.h"

namespace qnexp {

namespace {

constexpr const char* TextMimeType = "text/plain;charset=utf-8";

std::map<std::string, std::string>& Contents() {
  static std::map<std::string, std::string> contents;
  return contents;
}

}  // namespace

void SetClipboardData(const std::string& mimeType, const std::string& bytes) {
  if (mimeType.empty()) return;
  auto& contents = Contents();
  contents.clear();
  contents[mimeType] = bytes;
}

bool GetClipboardData(const std::string& mimeType, std::string& bytes) {
  const auto& contents = Contents();
  auto found = contents.find(mimeType);
  if (found == contents.end()) return false;
  bytes = found->second;
  return true;
}

void SetClipboardText(const std::string& gbkText) {
  SetClipboardData(TextMimeType, ToOsText(gbkText));
}

std::string GetClipboardText() {
  std::string utf8;
  return GetClipboardData(TextMimeType, utf8) ? FromOsText(utf8) : std::string();
}

}  // namespace qnexp
