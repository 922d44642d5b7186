// Small text helpers on GBK byte strings: padding, cutting, trimming, case, token lists.
#include "support/StrFuncs.h"

#include <algorithm>
#include <cstring>

#include "runtime/GbkChars.h"
#include "runtime/StringList.h"

namespace qnexp {

namespace {

bool IsBlank(char c) { return c == 0 || c == '\t' || c == '\n' || c == '\r' || c == ' '; }

bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

int NextCharPos(std::string_view S, int Pos) {
  if (Pos < 1 || static_cast<size_t>(Pos) > S.size()) return Pos + 1;
  return Pos + static_cast<int>(CharSize(S, static_cast<size_t>(Pos) - 1));
}

int FindText(std::string_view S, std::string_view Sub, int From) {
  if (Sub.empty()) return 0;
  int len = static_cast<int>(S.size());
  int last = len - static_cast<int>(Sub.size()) + 1;
  for (int i = std::max(From, 1); i <= last; i = NextCharPos(S, i))
    if (S.compare(i - 1, Sub.size(), Sub) == 0) return i;
  return 0;
}

std::string Chars(char C, int N) { return N > 0 ? std::string(static_cast<size_t>(N), C) : std::string(); }

std::string Space(int N) { return Chars(' ', N); }

std::string DuplicateStr(std::string_view S, int N) {
  std::string out;
  if (N <= 0 || S.empty()) return out;
  out.reserve(S.size() * static_cast<size_t>(N));
  for (int i = 0; i < N; ++i) out.append(S);
  return out;
}

std::string LeftStr(std::string_view S, int N) {
  if (N <= 0) return {};
  return std::string(S.substr(0, static_cast<size_t>(N)));
}

std::string RightStr(std::string_view S, int Pos) {
  if (Pos < 1) Pos = 1;
  if (static_cast<size_t>(Pos) > S.size()) return {};
  return std::string(S.substr(static_cast<size_t>(Pos) - 1));
}

std::string LTrim(std::string_view S) {
  size_t i = 0;
  while (i < S.size() && IsBlank(S[i])) ++i;
  return std::string(S.substr(i));
}

std::string Trim(std::string_view S) {
  size_t n = S.size();
  while (n > 0 && IsBlank(S[n - 1])) --n;
  return std::string(S.substr(0, n));
}

std::string TrimBoth(std::string_view S) { return LTrim(Trim(S)); }

std::string UpcaseFirst(std::string_view S) {
  std::string out = LowerCase(S);
  if (!out.empty()) out[0] = AsciiUpper(out[0]);
  return out;
}

bool StrCanBreak(std::string_view S, int Pos) {
  int len = static_cast<int>(S.size());
  if (Pos < 1 || Pos > len + 1) return false;
  int i = 1;
  while (i < Pos) i = NextCharPos(S, i);
  return i == Pos;
}

std::string CopyValid(std::string_view S, int Index, int Count) {
  int len = static_cast<int>(S.size());
  if (Index < 1) Index = 1;
  if (Count <= 0 || Index > len) return {};
  if (!StrCanBreak(S, Index)) --Index;
  // Computed in 64 bits: Index + Count may pass the int range.
  long long last = std::min<long long>(static_cast<long long>(Index) + Count - 1, len);
  int end = static_cast<int>(last);
  // A first byte whose second byte lies outside the result is dropped; a first byte that ends
  // the whole text has no second byte to lose and stays.
  if (end < len && CharSize(S, static_cast<size_t>(end) - 1) == 2 && StrCanBreak(S, end)) --end;
  if (end < Index) return {};
  return std::string(S.substr(static_cast<size_t>(Index) - 1, static_cast<size_t>(end - Index + 1)));
}

void Replace(std::string& S, int Index, int Count, std::string_view Sub) {
  size_t at = static_cast<size_t>(std::clamp(Index, 1, static_cast<int>(S.size()) + 1)) - 1;
  size_t n = Count > 0 ? std::min(static_cast<size_t>(Count), S.size() - at) : 0;
  S.replace(at, n, Sub);
}

void SeparateEnvLine(std::string_view Line, std::string& Name, std::string& Value) {
  size_t eq = Line.find('=');
  if (eq == std::string_view::npos) {
    Name = std::string(Line);
    Value.clear();
    return;
  }
  Name = UpperCase(TrimBoth(Line.substr(0, eq)));
  Value = std::string(Line.substr(eq + 1));
}

std::string sIF(bool Cond, std::string_view A, std::string_view B) { return std::string(Cond ? A : B); }

int iif(bool Cond, int A, int B) { return Cond ? A : B; }

double iif(bool Cond, double A, double B) { return Cond ? A : B; }

long double iif(bool Cond, long double A, long double B) { return Cond ? A : B; }

std::string iif(bool Cond, const std::string& A, const std::string& B) { return Cond ? A : B; }

int MaxI(int A, int B) { return A > B ? A : B; }

int MinI(int A, int B) { return A < B ? A : B; }

void StrToWords(std::string_view S, TStringList& List) {
  List.Clear();
  size_t n = S.size();
  auto at = [&](size_t i) { return static_cast<unsigned char>(S[i]); };
  auto inRun = [&](size_t i) {
    unsigned char c = at(i);
    if (IsAsciiLetter(c) || IsAsciiDigit(c)) return true;
    if (c != '.' || i + 1 >= n) return false;
    unsigned char next = at(i + 1);
    return IsAsciiLetter(next) || IsAsciiDigit(next) || CharSize(S, i + 1) == 2;
  };
  size_t i = 0;
  while (i < n) {
    size_t start = i;
    unsigned char c = at(i);
    // A lead byte is a token of its own with its second byte, or alone when broken.
    if (IsLeadByte(c)) {
      i += CharSize(S, i);
    } else if (c == '\r') {
      ++i;
    } else {
      while (i < n && inRun(i)) ++i;
      if (i < n && at(i) != '\r' && !IsLeadByte(at(i))) ++i;
    }
    List.Add(std::string(S.substr(start, i - start)));
  }
}

std::string WordsToStr(const TStringList& List, int Start, int Count) {
  std::string out;
  if (Count < 0) return out;
  int first = std::max(Start, 0);
  int stop = List.Count();
  if (Count > 0 && first < stop) stop = static_cast<int>(std::min<long long>(stop, static_cast<long long>(first) + Count));
  for (int i = first; i < stop; ++i) out += List.Get(i);
  return out;
}

namespace {

// Cuts every comment that opens with open and closes at the first close found after it,
// appending the contents to notes. An empty close means the comment ends before the next line
// break, which stays in s.
void CutComments(std::string& s, std::string& notes, std::string_view open, std::string_view close) {
  int from = 1;
  while (true) {
    int p = FindText(s, open, from);
    if (p == 0) return;
    int inner = p + static_cast<int>(open.size());
    int stop;          // first position after the comment's contents
    int resume;        // first position after the removed part
    if (close.empty()) {
      int cr = FindText(s, "\r", inner);
      int lf = FindText(s, "\n", inner);
      stop = (cr == 0) ? lf : (lf == 0 ? cr : std::min(cr, lf));
      if (stop == 0) stop = static_cast<int>(s.size()) + 1;
      resume = stop;
    } else {
      stop = FindText(s, close, inner);
      if (stop == 0) {
        stop = static_cast<int>(s.size()) + 1;
        resume = stop;
      } else {
        resume = stop + static_cast<int>(close.size());
      }
    }
    notes.append(s, static_cast<size_t>(inner) - 1, static_cast<size_t>(std::max(stop - inner, 0)));
    s.erase(static_cast<size_t>(p) - 1, static_cast<size_t>(resume - p));
    from = p;
  }
}

}  // namespace

void CutNoteStr(std::string& S, std::string& Notes) {
  Notes.clear();
  CutComments(S, Notes, "(*", "*)");
  CutComments(S, Notes, "{", "}");
  CutComments(S, Notes, "//", "");
}

int CompareBytes(std::string_view a, std::string_view b) {
  size_t common = a.size() < b.size() ? a.size() : b.size();
  int c = common ? std::memcmp(a.data(), b.data(), common) : 0;
  if (c != 0) return c;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace qnexp
