// Conversion between the system's GBK text and the UTF-8 of the outside world.
#pragma once

#include <string>
#include <string_view>

namespace qnexp {

// GBK bytes to UTF-8. An invalid or truncated GBK sequence raises EConvertError.
std::string GbkToUtf8(std::string_view gbk);

// GBK bytes to UTF-8 for display: a byte that starts no valid GBK character becomes U+FFFD,
// so output never fails on stray bytes.
std::string GbkToUtf8Lenient(std::string_view gbk);

// UTF-8 to GBK. An invalid UTF-8 sequence ("Invalid UTF-8 text at byte %d"), or a character GBK
// cannot hold ("No GBK form for the character at byte %d"), raises EConvertError.
std::string Utf8ToGbk(std::string_view utf8);

// UTF-8 to GBK for reading files: a character GBK cannot hold becomes one "?", and so does each
// byte that starts no valid UTF-8 sequence, so reading never fails.
std::string Utf8ToGbkLenient(std::string_view utf8);

// The length (1 to 4) of the valid UTF-8 sequence that starts at index i of text, or 0 when the
// bytes there are not one (a stray continuation byte, an overlong or truncated sequence, a
// surrogate or a code point beyond U+10FFFF).
size_t Utf8SequenceLength(std::string_view text, size_t i);

// UTF-8 text to GBK, or the input unchanged when it is not valid UTF-8 or has no GBK form.
std::string Utf8ToGbkOrSame(std::string_view utf8);

// The GBK form of a UTF-8 literal written in the sources (messages, month names).
// Converted once on first use and kept, like a resource string; the returned reference stays
// valid while the process runs. The literal must be valid UTF-8 that GBK can hold.
const std::string& Res(const char* utf8Literal);

}  // namespace qnexp
