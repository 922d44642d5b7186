// Text and paths at the boundary to the operating system: GBK inside, UTF-8 and '/' outside.
#pragma once

#include <string>
#include <string_view>

namespace qnexp {

// GBK text in the UTF-8 the operating system expects. Bytes that are not valid GBK are passed
// on unchanged rather than lost, so a name the system cannot decode still reaches the OS as is.
std::string ToOsText(std::string_view gbk);

// UTF-8 text from the operating system (file names, environment values, arguments) in GBK.
// A text that is not valid UTF-8, or holds a character GBK lacks, is kept byte for byte.
std::string FromOsText(std::string_view utf8);

// The GBK path with every backslash that is a character of its own (not the second byte of a
// two-byte character) turned into '/', the folder separator.
std::string ForwardSlashes(std::string_view gbk);

// A GBK path for the operating system: ForwardSlashes, then ToOsText.
std::string ToOsPath(std::string_view gbk);

// True when the GBK text starts with an address scheme such as "https:" or "mailto:": a ':'
// after at least two characters, none of them a folder separator ('/' or '\').
bool IsAddress(std::string_view gbk);

}  // namespace qnexp
