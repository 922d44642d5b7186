// GBK and UTF-8 conversion on glibc's iconv, and the table of converted source literals.
#include "runtime/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <unordered_map>
#include <vector>

#include "runtime/Exception.h"

namespace qnexp {

namespace {

constexpr const char* Utf8 = "UTF-8";

// One conversion descriptor per direction, opened on first use and kept for the process:
// opening one costs more than converting a line. Each use starts in the initial state.
iconv_t Converter(const char* to, const char* from) {
  struct TEntry {
    std::string To, From;
    iconv_t Descriptor;
  };
  // Never destroyed, so that the descriptors stay reachable until the process ends.
  static auto& entries = *new std::vector<TEntry>;
  for (const TEntry& entry : entries) {
    if (entry.To == to && entry.From == from) {
      iconv(entry.Descriptor, nullptr, nullptr, nullptr, nullptr);
      return entry.Descriptor;
    }
  }
  iconv_t descriptor = iconv_open(to, from);
  if (descriptor == reinterpret_cast<iconv_t>(-1))
    throw EConvertError(std::string("No conversion from ") + from + " to " + to);
  entries.push_back({to, from, descriptor});
  return descriptor;
}

// Converts with iconv between two code pages. At a sequence that does not convert, raises
// EConvertError, or with a replacement appends it and goes on after the sequence.
std::string Convert(std::string_view text, const char* to, const char* from,
                    const char* replacement = nullptr) {
  iconv_t cd = Converter(to, from);
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
    // iconv reports a valid character without a form in the target like a broken sequence.
    size_t length = std::string_view(from) == Utf8 ? Utf8SequenceLength(text, offset) : 0;
    if (replacement) {
      out.resize(done);
      out += replacement;
      done = out.size();
      size_t skip = length > 0 ? length : 1;
      in += skip;
      inLeft -= skip;
      out.resize(done + inLeft * 2 + 16);
      continue;
    }
    if (length > 0)
      throw EConvertError(std::string("No ") + to + " form for the character at byte " +
                          std::to_string(offset));
    throw EConvertError(std::string("Invalid ") + from + " text at byte " + std::to_string(offset));
  }
  out.resize(done);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert(gbk, Utf8, "GBK"); }

std::string GbkToUtf8Lenient(std::string_view gbk) {
  return Convert(gbk, Utf8, "GBK", "\xEF\xBF\xBD");
}

std::string Utf8ToGbk(std::string_view utf8) { return Convert(utf8, "GBK", Utf8); }

std::string Utf8ToGbkLenient(std::string_view utf8) { return Convert(utf8, "GBK", Utf8, "?"); }

size_t Utf8SequenceLength(std::string_view text, size_t i) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = at(i);
  if (lead < 0x80) return 1;
  size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((at(i + k) & 0xC0) != 0x80) return 0;
  unsigned char second = at(i + 1);
  // Overlong forms, surrogates and code points past U+10FFFF.
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
    return 0;
  return length;
}

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
