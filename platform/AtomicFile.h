// Reading a whole file, and replacing a file's contents all at once: readers see the old file
// or the new one, never a half-written one.
#pragma once

#include <string>
#include <string_view>

namespace qnexp {

// Writes content to a temporary file beside osPath (a UTF-8 path), flushes it to disk, gives it
// the old file's permissions (or the default ones for a new file) and renames it over osPath.
// Returns 0, or the errno of the step that failed; the old file is then left as it was and the
// temporary file is removed.
int ReplaceFileContents(const std::string& osPath, std::string_view content);

// Reads the whole file at osPath (a UTF-8 path) into bytes. Returns 0, or the errno of the open
// or read that failed (bytes then holds what was read before the failure).
int ReadFileContents(const std::string& osPath, std::string& bytes);

}  // namespace qnexp
