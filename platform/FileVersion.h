// The version text of Windows program files: the "FileVersion" string of a PE file's version
// resource. Linux programs carry no such resource.
#pragma once

#include <string>
#include <string_view>

namespace qnexp {

// The "FileVersion" string of the version resource of the file (a GBK path; backslashes
// separate folders), taken from the string table of the first language and code page that the
// resource's translation list names. Empty when the file cannot be read, is not a PE file,
// has no version resource or no such string. Every offset read from the file is checked, so
// damaged or hostile files give the empty text too.
std::string ReadFileVersion(std::string_view file);

}  // namespace qnexp
