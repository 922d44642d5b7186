// Small text helpers on GBK byte strings: padding, cutting, trimming, case, token lists.
//
// Positions are 1-based byte positions, lengths count bytes. Characters are those of
// runtime/GbkChars.h, which also holds the case changes and comparisons of text. Positions and
// counts out of range never fail: they are clamped as each contract says. Single-threaded,
// like the whole library.
#pragma once

#include <string>
#include <string_view>

#include "runtime/GbkChars.h"

namespace qnexp {

class TStringList;

// --- Character structure ------------------------------------------------------------------

// The position after the character at Pos: Pos + 2 where a two-byte character starts, Pos + 1
// otherwise. Pos outside 1..length gives Pos + 1.
int NextCharPos(std::string_view S, int Pos);

// The first position at or after From where Sub occurs starting on a character boundary; the
// scan steps over two-byte characters from From, so a match never begins on a second byte.
// 0 when there is none or Sub is empty; From below 1 counts as 1.
int FindText(std::string_view S, std::string_view Sub, int From = 1);

// --- Building and cutting -----------------------------------------------------------------

// N copies of C; empty for N <= 0.
std::string Chars(char C, int N);

// N spaces; empty for N <= 0. Counts above 255 are allowed.
std::string Space(int N);

// S repeated N times; empty for N <= 0.
std::string DuplicateStr(std::string_view S, int N);

// The first N bytes of S; empty for N <= 0, all of S when N exceeds its length.
std::string LeftStr(std::string_view S, int N);

// The bytes from position Pos to the end (Pos is a position, not a count from the right).
// Pos below 1 gives all of S, Pos past the end gives the empty text.
std::string RightStr(std::string_view S, int Pos);

// S without leading bytes of the blank set {0, tab, line feed, carriage return, space}.
std::string LTrim(std::string_view S);

// S without trailing blanks of that set; the front is left alone (unlike the function
// library's Trim). Use TrimBoth to trim both ends.
std::string Trim(std::string_view S);

// S without leading and trailing blanks of that set.
std::string TrimBoth(std::string_view S);

// Ordinal comparison of two texts, bytes taken as unsigned: negative, 0 or positive.
int CompareBytes(std::string_view a, std::string_view b);

// S in lower case with its first byte upper-cased when it is a to z.
std::string UpcaseFirst(std::string_view S);

// True when Pos is the start of a character, that is, not the second byte of a two-byte
// character (found by walking S from its start). The position just past the end counts as a
// start; positions below 1 or further out give false.
bool StrCanBreak(std::string_view S, int Pos);

// Count bytes from Index without splitting a two-byte character: an Index on a second byte
// moves one back, and a result that would end on the first byte of a two-byte character drops
// that byte. Index below 1 counts as 1; Count <= 0 or Index past the end give the empty text.
std::string CopyValid(std::string_view S, int Index, int Count);

// Removes Count bytes at Index and inserts Sub there. Index is clamped to 1..length + 1 and
// Count to what remains, so out-of-range values insert at an end and remove nothing extra.
void Replace(std::string& S, int Index, int Count, std::string_view Sub);

// Splits Line at its first "=": Value is everything after it, unchanged; Name the part before
// it, trimmed at both ends and upper-cased. Without "=" Name is the whole line unchanged and
// Value is empty. Any length of line is accepted.
void SeparateEnvLine(std::string_view Line, std::string& Name, std::string& Value);

// A when Cond holds, else B.
std::string sIF(bool Cond, std::string_view A, std::string_view B);
int iif(bool Cond, int A, int B);
double iif(bool Cond, double A, double B);
long double iif(bool Cond, long double A, long double B);
std::string iif(bool Cond, const std::string& A, const std::string& B);

// The larger, the smaller of two integers.
int MaxI(int A, int B);
int MinI(int A, int B);

// Clears List and fills it with the tokens of S, whose concatenation is S: a run of ASCII
// letters and digits (a '.' followed by a letter, digit or two-byte character stays in the run)
// together with the one single-byte character that ends it; a two-byte character alone; a
// carriage return alone. Texts of any length are accepted.
void StrToWords(std::string_view S, TStringList& List);

// Items Start, Start + 1, ... of List concatenated, Count of them; Count 0 means all to the end,
// a negative Count gives the empty text. Start below 0 counts as 0; items past the end are
// simply absent.
std::string WordsToStr(const TStringList& List, int Start, int Count);

// Removes the comments from S and sets Notes to their contents concatenated: first every
// "(*" ... "*)", then every "{" ... "}", then every "//" up to the next carriage return or line
// feed (the break stays in S). Each closing marker is sought from just after its opening marker,
// so "(*)" does not close itself and "{}" is an empty comment. An
// unclosed comment runs to the end. Quotes are not respected; markers are only recognised at
// character boundaries.
void CutNoteStr(std::string& S, std::string& Notes);

}  // namespace qnexp
