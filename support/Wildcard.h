// Wildcard matching with '*' and '?', pattern lists with exclusions, and wildcard renaming.
//
// The matcher runs left to right without backtracking: after a '*' the literal segment that
// follows is looked up at its first occurrence and matching goes on from there, so "abcbc" does
// not match "*bc". '?' stands for one byte. Without CaseSensitive only the ASCII letters fold;
// two-byte characters always compare exactly, and a segment searched after '*' is only found
// at a character boundary of the text. Single-threaded.
#pragma once

#include <string>
#include <string_view>

namespace qnexp {

// True when S matches Pattern: '*' matches any run of bytes, '?' exactly one, every other
// pattern byte itself. A '*' at the end of the pattern matches the rest of the text; a '?' or
// '*' directly after a '*' is searched for as a literal character. The empty text matches the
// empty pattern and "*"; a non-empty text never matches the empty pattern.
bool Like(std::string_view S, std::string_view Pattern, bool CaseSensitive);

// True when Patterns is empty, otherwise when S is Like any field of Patterns split at Sep
// (quote-aware, as SParam splits).
bool LikeAny(std::string_view S, std::string_view Patterns, char Sep, bool CaseSensitive);

// Patterns reads "include+include...-exclude-exclude...": the text before the first "-" holds
// the include patterns separated by "+", each further "-" introduces one exclude pattern, and
// each pattern is cut at its first "/". True when S matches an include pattern and no exclude
// pattern; false when there is no include pattern (the text before the first "-" is empty).
bool LikeExcept(std::string_view S, std::string_view Patterns, bool CaseSensitive);

// True when Patterns is empty, otherwise when LikeExcept holds for any field of Patterns split
// at Sep (quote-aware).
bool LikeExceptAny(std::string_view S, std::string_view Patterns, char Sep, bool CaseSensitive);

// When S matches Pattern, rebuilds S from Replacement and returns true; otherwise leaves S alone
// and returns false. Literal bytes of Replacement are copied; its n-th '*' copies what the n-th
// '*' of Pattern matched, and its n-th '?' the byte the n-th '?' of Pattern matched (so a run of
// k '?' copies the k bytes held at that place). Wildcards of Replacement beyond those of the
// same kind in Pattern copy nothing. Example: "abc.txt", "*.txt", "*.bak" gives "abc.bak".
bool ReplaceStr(std::string& S, std::string_view Pattern, std::string_view Replacement, bool CaseSensitive);

}  // namespace qnexp
