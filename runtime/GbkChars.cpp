// Character-aware search, case change and comparison of GBK text.
#include "runtime/GbkChars.h"

#include <algorithm>

namespace qnexp {

namespace {

// Applies fold to every single-byte character and copies two-byte characters untouched.
template <typename Fold>
std::string MapSingleBytes(std::string_view text, Fold fold) {
  std::string out(text);
  for (size_t i = 0; i < out.size();) {
    size_t size = CharSize(out, i);
    if (size == 1) out[i] = fold(out[i]);
    i += size;
  }
  return out;
}

}  // namespace

size_t FindChar(std::string_view text, char c, size_t from) {
  for (size_t i = from; i < text.size(); i += CharSize(text, i))
    if (text[i] == c) return i;
  return std::string_view::npos;
}

std::string UpperCase(std::string_view text) { return MapSingleBytes(text, AsciiUpper); }

std::string LowerCase(std::string_view text) { return MapSingleBytes(text, AsciiLower); }

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  // Both texts are walked in step: while they are equal so far, a byte is a second byte in
  // one exactly when it is one in the other, unless the bytes differ anyway.
  bool pairOpen = false;
  for (size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[i]);
    bool secondA = pairOpen && IsTrailByte(ca);
    bool secondB = pairOpen && IsTrailByte(cb);
    if (!secondA) ca = static_cast<unsigned char>(AsciiUpper(static_cast<char>(ca)));
    if (!secondB) cb = static_cast<unsigned char>(AsciiUpper(static_cast<char>(cb)));
    if (ca != cb) return ca < cb ? -1 : 1;
    pairOpen = !secondA && IsLeadByte(ca);
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

}  // namespace qnexp
