// GBK and UTF-8 conversion on glibc's iconv, and the table of converted source literals.
#include "runtime/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <unordered_map>

#include "runtime/Exception.h"
#include "runtime/GbkChars.h"

namespace qnexp {

namespace {

// Converts with iconv between two code pages; raises EConvertError on any invalid input.
std::string Convert(std::string_view text, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw EConvertError(std::string("No conversion from ") + from + " to " + to);
  std::string out;
  out.resize(text.size() * 2 + 16);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  size_t done = 0;
  while (true) {
    char* dst = out.data() + done;
    size_t outLeft = out.size() - done;
    size_t rc = iconv(cd, inLeft ? &in : nullptr, &inLeft, &dst, &outLeft);
    done = out.size() - outLeft;
    if (rc != static_cast<size_t>(-1)) {
      if (inLeft == 0) break;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    size_t offset = text.size() - inLeft;
    iconv_close(cd);
    throw EConvertError(std::string("Invalid ") + from + " text at byte " + std::to_string(offset));
  }
  iconv_close(cd);
  out.resize(done);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert(gbk, "UTF-8", "GBK"); }

std::string GbkToUtf8Lenient(std::string_view gbk) {
  try {
    return GbkToUtf8(gbk);
  } catch (const EConvertError&) {
  }
  // Convert character by character, replacing what does not convert.
  std::string out;
  size_t i = 0;
  while (i < gbk.size()) {
    size_t width = CharSize(gbk, i);
    try {
      out += GbkToUtf8(gbk.substr(i, width));
    } catch (const EConvertError&) {
      out += "\xEF\xBF\xBD";
      width = 1;
    }
    i += width;
  }
  return out;
}

std::string Utf8ToGbk(std::string_view utf8) { return Convert(utf8, "GBK", "UTF-8"); }

std::string Utf8ToGbkOrSame(std::string_view utf8) {
  try {
    return Utf8ToGbk(utf8);
  } catch (const EConvertError&) {
    return std::string(utf8);
  }
}

const std::string& Res(const char* utf8Literal) {
  static std::unordered_map<const char*, std::string> table;
  auto found = table.find(utf8Literal);
  if (found != table.end()) return found->second;
  return table.emplace(utf8Literal, Utf8ToGbk(utf8Literal)).first->second;
}

}  // namespace qnexp
