// The process-wide boolean words and letters that texts are read as and written with.
// Single-threaded: set at start-up or by the application, read everywhere.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace qnexp {

// The false word (index 0, "No" at start) and the true word (index 1, "Yes" at start).
const std::array<std::string, 2>& BoolStrs();

// The false letter (index 0, 'N' at start) and the true letter (index 1, 'Y' at start).
const std::array<char, 2>& BoolChars();

// Replaces both words. Each is cut to at most 10 bytes, never inside a two-byte character
// (a first byte that would be left without its second is dropped as well).
void SetBoolStrs(std::string_view falseWord, std::string_view trueWord);

// Replaces both letters.
void SetBoolChars(char falseLetter, char trueLetter);

}  // namespace qnexp
