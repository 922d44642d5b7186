// Quote-aware field splitting, the scanners for numbers, names, string constants and bracketed
// groups, and the reading of string constants.
//
// Positions are 1-based byte positions; "length + 1" (one past the end) means not found, or up
// to the end. No position can make these functions read outside the text: the splitting
// functions take a start below 1 as 1, the scanners recognise nothing at a start outside it. A quoted stretch (from ' or " to
// the same quote, or to the end when unterminated) is skipped as a whole, so separators inside
// quotes do not split. Two-byte characters are stepped over whole: a separator, bracket or name
// never starts or ends on a second byte. Single-threaded.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

namespace qnexp {

class TStringList;

// --- Quote-aware splitting ------------------------------------------------------------------

// The position of the first occurrence of Sep at or after Pos outside quotes; length of S + 1
// when there is none. An empty Sep is never found, so a text then forms one field.
int SeekSplit(std::string_view S, std::string_view Sep, int Pos);

// The number of fields of S separated by Sep: 0 for an empty S; a trailing separator does not
// add an empty last field ("a," has 1 field, ",a" 2, "a,,b" 3).
int SParamCount(std::string_view S, std::string_view Sep);
int SubStrCount(std::string_view S, std::string_view Sep);

// Field N (0-based) of S between separators; empty when N is negative or past the last
// separator.
std::string SParam(std::string_view S, std::string_view Sep, int N);
std::string SubStr(std::string_view S, std::string_view Sep, int N);

// Returns the text before the first separator outside quotes and removes it and the separator
// from S; without a separator returns all of S and leaves S empty.
std::string CutSParam(std::string& S, std::string_view Sep);
std::string CutStr(std::string& S, std::string_view Sep);

// Returns field N and removes it from S together with one separator: the following one for
// field 0, the preceding one otherwise. A field exists where SParam finds one (so the empty
// field after a trailing separator can be deleted); for a negative N, or N past the last
// separator, returns empty and leaves S alone.
std::string DelSubStr(std::string& S, std::string_view Sep, int N);

// Appends every field of S (SParamCount of them) to List.
void StrToList(std::string_view S, std::string_view Sep, TStringList& List);

// The items of List joined with Sep; empty for a null or empty list.
std::string ListToStr(const TStringList* List, std::string_view Sep);
std::string ListToStr(const TStringList& List, std::string_view Sep);

// --- Scanners -------------------------------------------------------------------------------
// Each takes the text and a start position and returns the position just after what it
// recognised, or the start position itself when nothing is there (also for a start outside
// the text).

// A set of byte values, for the characters that may start and continue a name.
using TCharSet = std::bitset<256>;

// The set holding every byte of Chars.
TCharSet MakeCharSet(std::string_view Chars);

// The set holding the bytes First to Last inclusive; empty when First > Last.
TCharSet CharRange(unsigned char First, unsigned char Last);

// True when byte C is in Set.
inline bool InSet(const TCharSet& Set, char C) { return Set.test(static_cast<unsigned char>(C)); }

// An optional sign '+' or '-' (only when Pos is before the last byte), an optional hexadecimal
// prefix "$" or "0x"/"0X", then one or more digits (hexadecimal after a prefix). "0x" not
// followed by a hexadecimal digit reads as the decimal digit 0. No digit: Pos.
int SeekEndOfInt(std::string_view S, int Pos);

// An integer as above; if '.', 'E' or 'e' follows, one more integer after it ("1.5", "1e-5";
// of "1.5e3" only "1.5"). A '.', 'E' or 'e' without an integer after it is not taken.
int SeekEndOfNum(std::string_view S, int Pos);

// One byte of FirstChars, then any run of bytes of OtherChars. When an accepted byte starts a
// two-byte character, its second byte is taken with it whatever the sets say, so a name never
// ends inside a character.
int SeekEndOfID(std::string_view S, int Pos, const TCharSet& FirstChars, const TCharSet& OtherChars);

// A run of string-constant parts: text in ' or " up to the same quote (unterminated: to the
// end), '#' followed by an integer, '^' followed by a letter or '_'. Ends at the first other
// character.
int SeekEndOfStr(std::string_view S, int Pos);

// From the '(' at Pos, counts nesting over '(' and ')' while skipping quoted text, and returns
// the position after the ')' that brings the depth back to zero, with Found true. Without such
// a ')' returns length + 1 with Found false (Pos itself, when Pos is outside the text).
int SeekCloseBracket(std::string_view S, int Pos, bool& Found);

// The position of the last character C in S, 0 when absent. Only whole characters count: a
// second byte of a two-byte character never matches. Texts of any length.
int RPos(char C, std::string_view S);

// --- String constants -----------------------------------------------------------------------

// Reads a string constant from the front of S, removes it and returns its value. Leading
// whitespace (bytes up to 32) is skipped. Parts: quoted text in ' or " (a doubled quote stands
// for one quote; unterminated runs to the end), '#' with an integer (a character code, decimal
// or hexadecimal; the low byte of the value is taken), '^' with a letter or '_' (that
// character's upper-case code minus 64). Parts follow each other directly or are joined by '+'
// with whitespace around it; parts separated by whitespace alone end the constant after the
// first. One character after the constant that is not a part start or '+' (a comma, a bracket,
// a blank) is removed too. When S does not start with a constant, returns empty and S only
// loses its leading whitespace. A '#' code beyond 32 bits raises EConvertError as ConstToInt.
std::string ConstToStr(std::string& S);

// Skips leading whitespace, takes the integer SeekEndOfInt recognises (decimal, or hexadecimal
// after "$" or "0x"), removes it from S and returns its value; 0 when there is none (S then
// only loses its leading whitespace). A value outside 32 bits (hexadecimal up to $FFFFFFFF,
// which reads as -1) raises EConvertError "'%s' is not a valid integer value".
int ConstToInt(std::string& S);

}  // namespace qnexp
