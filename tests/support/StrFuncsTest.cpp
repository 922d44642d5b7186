// Tests of the small text helpers: cutting, trimming, case, character boundaries and tokens.
#include "support/StrFuncs.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "runtime/Gbk.h"
#include "runtime/StringList.h"

namespace qnexp {
namespace {

// Two-byte characters whose second bytes are the ASCII letters 'a' and 'A', and '{'.
const std::string kTrailLowerA = "\xAA" "a";
const std::string kTrailUpperA = "\xAA" "A";
const std::string kTrailBrace = "\xAA{";

TEST(StrFuncs, BuildingTexts) {
  EXPECT_EQ(Chars('-', 3), "---");
  EXPECT_EQ(Chars('-', -2), "");
  EXPECT_EQ(Space(-1), "");
  EXPECT_EQ(Space(300), std::string(300, ' '));
  EXPECT_EQ(DuplicateStr("ab", 3), "ababab");
  EXPECT_EQ(DuplicateStr("ab", -1), "");
}

TEST(StrFuncs, LeftAndRight) {
  struct Row {
    int N;
    std::string Left, Right;
  };
  const std::vector<Row> rows = {
      {-1, "", "abc"}, {0, "", "abc"}, {1, "a", "abc"}, {2, "ab", "bc"},
      {3, "abc", "c"}, {4, "abc", ""}, {INT_MAX, "abc", ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(LeftStr("abc", r.N), r.Left) << r.N;
    EXPECT_EQ(RightStr("abc", r.N), r.Right) << r.N;
  }
  EXPECT_EQ(LeftStr("", 3), "");
  EXPECT_EQ(RightStr("", 1), "");
}

TEST(StrFuncs, Trimming) {
  struct Row {
    std::string S, Left, Right, Both;
  };
  const std::string blanks(std::string("\0\t\n\r ", 5));
  const std::vector<Row> rows = {
      {"", "", "", ""},
      {"  x  ", "x  ", "  x", "x"},
      {blanks + "a b" + blanks, "a b" + blanks, blanks + "a b", "a b"},
      {blanks, "", "", ""},
      {"\vx\f", "\vx\f", "\vx\f", "\vx\f"},  // only the five blanks count
  };
  for (const Row& r : rows) {
    EXPECT_EQ(LTrim(r.S), r.Left);
    EXPECT_EQ(Trim(r.S), r.Right);
    EXPECT_EQ(TrimBoth(r.S), r.Both);
  }
}

TEST(StrFuncs, CaseLeavesTwoByteCharactersAlone) {
  struct Row {
    std::string S, Upper, Lower, UpFirst;
  };
  const std::vector<Row> rows = {
      {"", "", "", ""},
      {"hELLO", "HELLO", "hello", "Hello"},
      {"1aB", "1AB", "1ab", "1ab"},
      {"x" + kTrailLowerA + "y", "X" + kTrailLowerA + "Y", "x" + kTrailLowerA + "y", "X" + kTrailLowerA + "y"},
      {kTrailUpperA + "B", kTrailUpperA + "B", kTrailUpperA + "b", kTrailUpperA + "b"},
      {Res("中A"), Res("中A"), Res("中a"), Res("中a")},
      {"a\xAA", "A\xAA", "a\xAA", "A\xAA"},  // a first byte ending the text
  };
  for (const Row& r : rows) {
    EXPECT_EQ(UpperCase(r.S), r.Upper);
    EXPECT_EQ(LowerCase(r.S), r.Lower);
    EXPECT_EQ(UpcaseFirst(r.S), r.UpFirst);
  }
}

TEST(StrFuncs, SameAndCompareText) {
  struct Row {
    std::string A, B;
    int Order;
  };
  const std::vector<Row> rows = {
      {"", "", 0},
      {"abc", "ABC", 0},
      {"abc", "abd", -1},
      {"abd", "ABC", 1},
      {"ab", "abc", -1},
      {"abc", "ab", 1},
      {"A", "_", -1},  // letters fold to upper case before ordering
      {kTrailLowerA, kTrailUpperA, 1},
      {Res("中a"), Res("中A"), 0},
  };
  for (const Row& r : rows) {
    int order = CompareText(r.A, r.B);
    EXPECT_EQ((order > 0) - (order < 0), r.Order) << r.A << " <> " << r.B;
    EXPECT_EQ(SameText(r.A, r.B), r.Order == 0) << r.A << " <> " << r.B;
  }
}

TEST(StrFuncs, CharacterBoundaries) {
  const std::string s = Res("中文") + "a";  // bytes: lead, second, lead, second, 'a'
  const std::vector<std::pair<int, bool>> rows = {
      {-1, false}, {0, false}, {1, true}, {2, false}, {3, true},
      {4, false},  {5, true},  {6, true}, {7, false},
  };
  for (const auto& [pos, expected] : rows) EXPECT_EQ(StrCanBreak(s, pos), expected) << pos;
  // Second bytes of GB2312 characters are themselves 0xA0 and above: only a walk from the
  // start tells them apart.
  EXPECT_TRUE(StrCanBreak(Res("中中中"), 5));
  EXPECT_FALSE(StrCanBreak(Res("中中中"), 4));
  EXPECT_TRUE(StrCanBreak("a\xAA", 2));
  EXPECT_TRUE(StrCanBreak("a\xAA", 3));
  EXPECT_TRUE(StrCanBreak("", 1));

  EXPECT_EQ(NextCharPos(s, 1), 3);
  EXPECT_EQ(NextCharPos(s, 5), 6);
  EXPECT_EQ(NextCharPos("a\xAA", 2), 3);
  EXPECT_EQ(NextCharPos(s, 0), 1);

  EXPECT_EQ(FindText(kTrailBrace + "{", "{"), 3);
  EXPECT_EQ(FindText("abcabc", "bc", 3), 5);
  EXPECT_EQ(FindText("abc", ""), 0);
  EXPECT_EQ(FindText("abc", "abcd"), 0);
  EXPECT_EQ(FindText("abc", "c", -4), 3);
  EXPECT_EQ(FindText("abc", "c", 9), 0);
}

TEST(StrFuncs, CopyValidNeverSplitsCharacters) {
  const std::string s = Res("中文") + "ab";
  struct Row {
    int Index, Count;
    std::string Expected;
  };
  const std::vector<Row> rows = {
      {1, 2, Res("中")},
      {2, 2, Res("中")},  // starts on a second byte: moves back
      {1, 3, Res("中")},  // would end on a first byte: one shorter
      {1, 4, Res("中文")},
      {4, 3, Res("文") + "a"},
      {3, 1, ""},
      {0, 2, Res("中")},
      {-3, 2, Res("中")},
      {9, 2, ""},
      {7, 1, ""},
      {1, 0, ""},
      {1, -1, ""},
      {1, 100, s},
      {2, INT_MAX, s},
      {6, 1, "b"},
  };
  for (const Row& r : rows) EXPECT_EQ(CopyValid(s, r.Index, r.Count), r.Expected) << r.Index << "," << r.Count;
  EXPECT_EQ(CopyValid("a\xAA", 1, 2), "a\xAA");  // the unmatched first byte is all there is
  EXPECT_EQ(CopyValid("", 1, 1), "");
}

TEST(StrFuncs, ReplaceClampsPositions) {
  struct Row {
    int Index, Count;
    std::string Sub, Expected;
  };
  const std::vector<Row> rows = {
      {2, 3, "X", "aXef"},     {0, 1, "X", "Xbcdef"},  {7, 2, "X", "abcdefX"},
      {99, 2, "X", "abcdefX"}, {3, -1, "X", "abXcdef"}, {5, 10, "", "abcd"},
      {1, 6, "", ""},          {1, INT_MAX, "Y", "Y"},
  };
  for (const Row& r : rows) {
    std::string s = "abcdef";
    Replace(s, r.Index, r.Count, r.Sub);
    EXPECT_EQ(s, r.Expected) << r.Index << "," << r.Count;
  }
}

TEST(StrFuncs, SeparateEnvLine) {
  struct Row {
    std::string Line, Name, Value;
  };
  const std::vector<Row> rows = {
      {" path = /usr/bin=x", "PATH", " /usr/bin=x"},
      {"novalue", "novalue", ""},
      {"=v", "", "v"},
      {"a\t=", "A", ""},
      {"", "", ""},
      {Res("名a=1"), Res("名A"), "1"},
      {std::string(400, 'k') + "=v", std::string(400, 'K'), "v"},
  };
  for (const Row& r : rows) {
    std::string name = "old", value = "old";
    SeparateEnvLine(r.Line, name, value);
    EXPECT_EQ(name, r.Name) << r.Line;
    EXPECT_EQ(value, r.Value) << r.Line;
  }
}

TEST(StrFuncs, StrToWordsCutsTokensThatRebuildTheText) {
  struct Row {
    std::string S;
    std::vector<std::string> Tokens;
  };
  const std::vector<Row> rows = {
      {"", {}},
      {"Hello, world", {"Hello,", " ", "world"}},
      {"a.b c", {"a.b ", "c"}},
      {"3.14+x", {"3.14+", "x"}},
      {"end.", {"end."}},
      {"a..b", {"a.", ".b"}},
      {"a\r\nb", {"a", "\r", "\n", "b"}},
      {"\r\r", {"\r", "\r"}},
      {Res("ab中文.c"), {"ab", Res("中"), Res("文"), ".c"}},
      {"x." + Res("中"), {"x.", Res("中")}},
      {"a\xAA", {"a", "\xAA"}},
      {kTrailLowerA + "b", {kTrailLowerA, "b"}},
  };
  for (const Row& r : rows) {
    TStringList list;
    list.Add("stale");
    StrToWords(r.S, list);
    ASSERT_EQ(list.Count(), static_cast<int>(r.Tokens.size())) << r.S;
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Get(i), r.Tokens[i]) << r.S << " token " << i;
    EXPECT_EQ(WordsToStr(list, 0, 0), r.S);
  }
  TStringList big;
  const std::string longText = DuplicateStr("word ", 8000);
  StrToWords(longText, big);
  EXPECT_EQ(big.Count(), 8000);
  EXPECT_EQ(WordsToStr(big, 0, 0), longText);
}

TEST(StrFuncs, WordsToStrRanges) {
  TStringList list;
  for (const char* item : {"a", "b", "c", "d"}) list.Add(item);
  struct Row {
    int Start, Count;
    std::string Expected;
  };
  const std::vector<Row> rows = {
      {0, 0, "abcd"}, {1, 2, "bc"}, {2, 0, "cd"},  {3, 5, "d"},
      {9, 0, ""},     {-1, 2, "ab"}, {0, -1, ""}, {1, INT_MAX, "bcd"},
  };
  for (const Row& r : rows) EXPECT_EQ(WordsToStr(list, r.Start, r.Count), r.Expected) << r.Start << "," << r.Count;
}

TEST(StrFuncs, CutNoteStr) {
  struct Row {
    std::string S, Rest, Notes;
  };
  const std::vector<Row> rows = {
      {"", "", ""},
      {"plain", "plain", ""},
      {"a(*x*)b", "ab", "x"},
      {"a{x}b", "ab", "x"},
      {"a//x\r\nb", "a\r\nb", "x"},
      {"a//x\nb//y", "a\nb", "xy"},
      {"(*)x*)y", "y", ")x"},  // "(*)" does not close itself
      {"a{}b", "ab", ""},
      {"a(*open", "a", "open"},
      {"a{open", "a", "open"},
      {"a{1}b(*2*)c//3", "abc", "213"},  // all "(* *)" first, then braces, then line comments
      {"{a(*b*)c}", "", "bac"},
      {"'{x}'", "''", "x"},  // quotes are not respected
      {kTrailBrace + "x}", kTrailBrace + "x}", ""},
      {"//", "", ""},
  };
  for (const Row& r : rows) {
    std::string s = r.S;
    std::string notes = "stale";
    CutNoteStr(s, notes);
    EXPECT_EQ(s, r.Rest) << r.S;
    EXPECT_EQ(notes, r.Notes) << r.S;
  }
}

}  // namespace
}  // namespace qnexp
