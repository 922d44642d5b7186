// The structure of GBK text, which bytes form one character, and the ASCII case fold that
// respects it. Every scanner, comparison and case change of the system walks text by these
// rules, so that no delimiter or letter is ever found inside a two-byte character.
//
// A byte 0x81..0xFE followed by a byte 0x40..0xFE other than 0x7F is one two-byte character;
// every other byte is a character of its own. A lead byte at the very end, or before a byte
// that cannot end a character (a blank, a line break, a quote, ',', ';', '='...), therefore
// stands alone, so broken text never swallows a delimiter. Bytes below 0x40 are never part of
// a two-byte character; '@', '[', '\', ']', '^', '{', '|', '}', '~' and the letters can be.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qnexp {

// True when byte c starts a two-byte character (when a possible second byte follows it).
constexpr bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// True when byte c can be the second byte of a two-byte character.
constexpr bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// The bytes of the character that starts at index i of text (i < text.size()): 2 or 1.
inline size_t CharSize(std::string_view text, size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
                 IsTrailByte(static_cast<unsigned char>(text[i + 1]))
             ? 2
             : 1;
}

// The index of the first character c at or after from, which must be a character start;
// std::string_view::npos when there is none. A second byte never matches.
size_t FindChar(std::string_view text, char c, size_t from = 0);

// The ASCII case fold of one single-byte character: a to z and A to Z, nothing else.
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// text with the ASCII letters changed to upper (lower) case. Bytes of two-byte characters are
// never changed, even where a second byte happens to look like a letter.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Orders a and b byte by byte with ASCII letters folded to upper case (two-byte characters
// compare unfolded): negative when a sorts first, 0 when equal, positive otherwise.
int CompareText(std::string_view a, std::string_view b);

// Equality ignoring the case of ASCII letters; two-byte characters must match exactly.
bool SameText(std::string_view a, std::string_view b);

}  // namespace qnexp
