// Quote-aware field splitting, the scanners for numbers, names, string constants and bracketed
// groups, and the reading of string constants.
#include "support/SplitStr.h"

#include <cstdint>

#include "runtime/Exception.h"
#include "runtime/StringList.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

int Len(std::string_view s) { return static_cast<int>(s.size()); }

// The byte at 1-based position pos, or 0 outside the text, so scanners may look ahead freely.
unsigned char At(std::string_view s, int pos) {
  return (pos >= 1 && pos <= Len(s)) ? static_cast<unsigned char>(s[pos - 1]) : 0;
}

bool IsQuote(unsigned char c) { return c == '\'' || c == '"'; }

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(unsigned char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsLetterOrUnderscore(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool MatchesAt(std::string_view s, int pos, std::string_view sub) {
  return s.compare(static_cast<size_t>(pos) - 1, sub.size(), sub) == 0;
}

std::string Slice(std::string_view s, int from, int to) {
  if (to <= from) return {};
  return std::string(s.substr(static_cast<size_t>(from) - 1, static_cast<size_t>(to - from)));
}

[[noreturn]] void RaiseInvalidInteger(std::string_view text) {
  std::string message = Msg::InvalidInteger;
  message.replace(message.find("%s"), 2, text);
  throw EConvertError(message);
}

int HexValue(unsigned char c) {
  if (IsDigit(c)) return c - '0';
  return (c | 0x20) - 'a' + 10;
}

// The value of a token that SeekEndOfInt recognised in full. Decimal magnitudes beyond the
// 32-bit signed range and hexadecimal ones beyond 32 bits raise the conversion error.
int IntegerValue(std::string_view token) {
  size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  bool hex = false;
  if (i < token.size() && token[i] == '$') {
    hex = true;
    i += 1;
  } else if (i + 1 < token.size() && token[i] == '0' && (token[i + 1] == 'x' || token[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  uint64_t value = 0;
  for (; i < token.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(token[i]);
    value = hex ? value * 16 + HexValue(c) : value * 10 + (c - '0');
    if (value > limit) RaiseInvalidInteger(token);
  }
  uint32_t bits = static_cast<uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<int32_t>(bits);
}

int SkipWhitespace(std::string_view s, int pos) {
  while (pos <= Len(s) && At(s, pos) <= ' ') ++pos;
  return pos;
}

// True when a string-constant part can be read at pos.
bool PartStartsAt(std::string_view s, int pos) {
  unsigned char c = At(s, pos);
  if (pos > Len(s)) return false;
  if (IsQuote(c)) return true;
  if (c == '#') return SeekEndOfInt(s, pos + 1) > pos + 1;
  if (c == '^') return IsLetterOrUnderscore(At(s, pos + 1));
  return false;
}

// Reads the part at pos (PartStartsAt must hold), appends its value to out and returns the
// position after it.
int ReadPart(std::string_view s, int pos, std::string& out) {
  unsigned char c = At(s, pos);
  if (IsQuote(c)) {
    int i = pos + 1;
    while (true) {
      size_t close = s.find(static_cast<char>(c), static_cast<size_t>(i) - 1);
      if (close == std::string_view::npos) {
        out += Slice(s, i, Len(s) + 1);
        return Len(s) + 1;
      }
      int closePos = static_cast<int>(close) + 1;
      out += Slice(s, i, closePos);
      if (At(s, closePos + 1) != c) return closePos + 1;
      out += static_cast<char>(c);
      i = closePos + 2;
    }
  }
  if (c == '#') {
    int end = SeekEndOfInt(s, pos + 1);
    out += static_cast<char>(IntegerValue(Slice(s, pos + 1, end)) & 0xFF);
    return end;
  }
  unsigned char letter = At(s, pos + 1);
  if (letter >= 'a' && letter <= 'z') letter -= 32;
  out += static_cast<char>(letter - 64);
  return pos + 2;
}

}  // namespace

int SeekSplit(std::string_view S, std::string_view Sep, int Pos) {
  int len = Len(S);
  if (Sep.empty()) return len + 1;
  int i = Pos < 1 ? 1 : Pos;
  while (i <= len) {
    if (MatchesAt(S, i, Sep)) return i;
    i = IsQuote(At(S, i)) ? SeekEndOfStr(S, i) : NextCharPos(S, i);
  }
  return len + 1;
}

int SParamCount(std::string_view S, std::string_view Sep) {
  int len = Len(S);
  if (len == 0) return 0;
  int count = 1;
  int a = SeekSplit(S, Sep, 1);
  while (a <= len) {
    int b = a + Len(Sep);
    if (b > len) break;
    ++count;
    a = SeekSplit(S, Sep, b);
  }
  return count;
}

int SubStrCount(std::string_view S, std::string_view Sep) { return SParamCount(S, Sep); }

namespace {

// Locates field n as SParam does: true with its bounds [begin, end) when it exists.
bool LocateField(std::string_view s, std::string_view sep, int n, int& begin, int& end) {
  begin = 1;
  end = SeekSplit(s, sep, 1);
  while (n > 0 && end <= Len(s)) {
    begin = end + Len(sep);
    end = SeekSplit(s, sep, begin);
    --n;
  }
  return n == 0;
}

}  // namespace

std::string SParam(std::string_view S, std::string_view Sep, int N) {
  int begin, end;
  if (!LocateField(S, Sep, N, begin, end)) return {};
  return Slice(S, begin, end);
}

std::string SubStr(std::string_view S, std::string_view Sep, int N) { return SParam(S, Sep, N); }

std::string CutSParam(std::string& S, std::string_view Sep) {
  int a = SeekSplit(S, Sep, 1);
  std::string field = Slice(S, 1, a);
  S.erase(0, std::min(S.size(), static_cast<size_t>(a) - 1 + Sep.size()));
  return field;
}

std::string CutStr(std::string& S, std::string_view Sep) { return CutSParam(S, Sep); }

std::string DelSubStr(std::string& S, std::string_view Sep, int N) {
  int begin, end;
  if (!LocateField(S, Sep, N, begin, end)) return {};
  std::string field = Slice(S, begin, end);
  size_t sepLen = Sep.size();
  if (begin == 1) {
    // Field 0 goes with the separator after it, when there is one.
    S.erase(0, std::min(S.size(), static_cast<size_t>(end) - 1 + sepLen));
  } else {
    size_t from = static_cast<size_t>(begin) - 1 - sepLen;
    S.erase(from, static_cast<size_t>(end - begin) + sepLen);
  }
  return field;
}

void StrToList(std::string_view S, std::string_view Sep, TStringList& List) {
  int count = SParamCount(S, Sep);
  int begin = 1;
  for (int k = 0; k < count; ++k) {
    int end = SeekSplit(S, Sep, begin);
    List.Add(Slice(S, begin, end));
    begin = end + Len(Sep);
  }
}

std::string ListToStr(const TStringList* List, std::string_view Sep) {
  return List ? ListToStr(*List, Sep) : std::string();
}

std::string ListToStr(const TStringList& List, std::string_view Sep) {
  std::string out;
  for (int i = 0; i < List.Count(); ++i) {
    if (i > 0) out.append(Sep);
    out += List.Get(i);
  }
  return out;
}

TCharSet MakeCharSet(std::string_view Chars) {
  TCharSet set;
  for (char c : Chars) set.set(static_cast<unsigned char>(c));
  return set;
}

TCharSet CharRange(unsigned char First, unsigned char Last) {
  TCharSet set;
  for (int c = First; c <= Last; ++c) set.set(static_cast<size_t>(c));
  return set;
}

int SeekEndOfInt(std::string_view S, int Pos) {
  int len = Len(S);
  if (Pos < 1 || Pos > len) return Pos;
  int i = Pos;
  if ((At(S, i) == '+' || At(S, i) == '-') && i < len) ++i;
  if (At(S, i) == '$') {
    int j = i + 1;
    while (IsHexDigit(At(S, j))) ++j;
    return j > i + 1 ? j : Pos;
  }
  if (At(S, i) == '0' && (At(S, i + 1) == 'x' || At(S, i + 1) == 'X') && IsHexDigit(At(S, i + 2))) {
    int j = i + 2;
    while (IsHexDigit(At(S, j))) ++j;
    return j;
  }
  int j = i;
  while (IsDigit(At(S, j))) ++j;
  return j > i ? j : Pos;
}

int SeekEndOfNum(std::string_view S, int Pos) {
  int end = SeekEndOfInt(S, Pos);
  if (end == Pos) return Pos;
  unsigned char c = At(S, end);
  if (c == '.' || c == 'E' || c == 'e') {
    int more = SeekEndOfInt(S, end + 1);
    if (more > end + 1) return more;
  }
  return end;
}

int SeekEndOfID(std::string_view S, int Pos, const TCharSet& FirstChars, const TCharSet& OtherChars) {
  int len = Len(S);
  if (Pos < 1 || Pos > len || !InSet(FirstChars, S[Pos - 1])) return Pos;
  int i = NextCharPos(S, Pos);
  while (i <= len && InSet(OtherChars, S[i - 1])) i = NextCharPos(S, i);
  return i;
}

int SeekEndOfStr(std::string_view S, int Pos) {
  int len = Len(S);
  if (Pos < 1) return Pos;
  int p = Pos;
  while (p <= len) {
    unsigned char c = At(S, p);
    if (IsQuote(c)) {
      size_t close = S.find(static_cast<char>(c), static_cast<size_t>(p));
      p = close == std::string_view::npos ? len + 1 : static_cast<int>(close) + 2;
    } else if (c == '#') {
      int end = SeekEndOfInt(S, p + 1);
      if (end == p + 1) break;
      p = end;
    } else if (c == '^' && IsLetterOrUnderscore(At(S, p + 1))) {
      p += 2;
    } else {
      break;
    }
  }
  return p;
}

int SeekCloseBracket(std::string_view S, int Pos, bool& Found) {
  Found = false;
  int len = Len(S);
  if (Pos < 1 || Pos > len) return Pos;
  int depth = 0;
  int i = Pos;
  while (i <= len) {
    unsigned char c = At(S, i);
    if (IsQuote(c)) {
      i = SeekEndOfStr(S, i);
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) {
        Found = true;
        return i + 1;
      }
    }
    i = NextCharPos(S, i);
  }
  return len + 1;
}

int RPos(char C, std::string_view S) {
  int last = 0;
  for (int i = 1; i <= Len(S); i = NextCharPos(S, i))
    if (S[i - 1] == C) last = i;
  return last;
}

std::string ConstToStr(std::string& S) {
  int start = SkipWhitespace(S, 1);
  std::string value;
  if (!PartStartsAt(S, start)) {
    S.erase(0, static_cast<size_t>(start) - 1);
    return value;
  }
  int p = start;
  while (true) {
    p = ReadPart(S, p, value);
    if (PartStartsAt(S, p)) continue;
    int next = SkipWhitespace(S, p);
    if (At(S, next) == '+') {
      next = SkipWhitespace(S, next + 1);
      if (PartStartsAt(S, next)) {
        p = next;
        continue;
      }
    }
    break;
  }
  unsigned char after = At(S, p);
  if (p <= Len(S) && after != '+' && !IsQuote(after) && after != '#' && after != '^') ++p;
  S.erase(0, static_cast<size_t>(p) - 1);
  return value;
}

int ConstToInt(std::string& S) {
  int start = SkipWhitespace(S, 1);
  int end = SeekEndOfInt(S, start);
  int value = end > start ? IntegerValue(Slice(S, start, end)) : 0;
  S.erase(0, static_cast<size_t>(end) - 1);
  return value;
}

}  // namespace qnexp
