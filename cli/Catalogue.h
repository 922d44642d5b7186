// The function catalogue: one line per function of the language, "prototype=?;description",
// in GBK, in the file <ProgramDir>/../Data/函数简表.DAT that the workbench reads too; and the
// look-ups the console host makes among the registered functions (by name, by wildcard
// pattern, closest names for one it does not know). Texts are GBK. Single-threaded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qnexp::cli {

// Between a catalogue line's prototype and its description.
inline constexpr std::string_view kCatalogueSeparator = "=?;";

// One function as the host shows it.
struct TFunctionEntry {
  std::string Name;         // the prototype's spelling, or the registered name
  std::string Prototype;    // "Name(param, ...)"
  std::string Description;  // one line; may be empty
};

// The lines of a catalogue file's content (GBK, or UTF-8 after a byte-order mark): blank lines
// are skipped, a line without the separator is a prototype without a description. An entry's
// name is the prototype's text before its first "(", trimmed.
std::vector<TFunctionEntry> ParseCatalogue(std::string_view content);

// The catalogue file's path for the operating system: <ProgramDir>/../Data/函数简表.DAT.
std::string CataloguePath();

// The catalogue read from CataloguePath(); empty when the file cannot be read.
std::vector<TFunctionEntry> ReadCatalogue();

// Every name in the translator's registry with its catalogue entry (matched by name without
// regard to letter case), sorted by name without regard to letter case. A name without an
// entry is shown as registered, with "()" as its prototype; a user-defined one is spelled as
// its definition spells it and described as such.
std::vector<TFunctionEntry> RegisteredFunctions(const std::vector<TFunctionEntry>& catalogue);

// True when pattern matches the whole text: '*' stands for any run of characters, '?' for one
// character (a two-byte character is one), ASCII letters match without regard to case.
bool MatchesPattern(std::string_view text, std::string_view pattern);

// The entries a pattern picks: with '*' or '?' in it, those whose name or description it
// matches; without, the one whose name it is (without regard to letter case).
std::vector<const TFunctionEntry*> FindFunctions(const std::vector<TFunctionEntry>& functions,
                                                 std::string_view pattern);

// At most `most` names for a text that picks no function (wildcards ignored): first the names,
// then the descriptions, that contain it; then names a few typing slips away (a wrong, missing,
// extra or swapped letter counts one), nearest first.
std::vector<std::string> ClosestNames(const std::vector<TFunctionEntry>& functions,
                                      std::string_view text, size_t most = 5);

}  // namespace qnexp::cli
