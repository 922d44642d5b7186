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

// UTF-8 to GBK. An invalid UTF-8 sequence, or a character GBK cannot hold, raises EConvertError.
std::string Utf8ToGbk(std::string_view utf8);

// UTF-8 text to GBK, or the input unchanged when it is not valid UTF-8 or has no GBK form.
std::string Utf8ToGbkOrSame(std::string_view utf8);

// The GBK form of a UTF-8 literal written in the sources (messages, month names).
// Converted once on first use and kept, like a resource string; the returned reference stays
// valid while the process runs. The literal must be valid UTF-8 that GBK can hold.
const std::string& Res(const char* utf8Literal);

}  // namespace qnexp
