// Tests of wildcard matching, pattern lists with exclusions and wildcard renaming.
#include "support/Wildcard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/Gbk.h"

namespace qnexp {
namespace {

// Two-byte characters whose second bytes are the ASCII letters 'A' and 'a'.
const std::string kTrailUpperA = "\xAA" "A";
const std::string kTrailLowerA = "\xAA" "a";

struct LikeRow {
  std::string S, Pattern;
  bool CaseSensitive, Expected;
};

TEST(Like, MatchesWithoutBacktracking) {
  const std::vector<LikeRow> rows = {
      {"Hello", "h*O", false, true},
      {"Hello", "h*O", true, false},
      {"abcbc", "*bc", true, false},  // the first "bc" is taken
      {"", "*", true, true},
      {"", "", true, true},
      {"a", "", true, false},
      {"", "?", true, false},
      {"", "a*", true, false},
      {"", "**", true, false},
      {"abc", "a*", true, true},
      {"abc", "*c", true, true},
      {"abc", "a?c", true, true},
      {"abc", "abc*", true, true},
      {"abc", "*", true, true},
      {"abc", "???", true, true},
      {"abc", "????", true, false},
      {"abc", "?", true, false},
      {"abc", "abd", true, false},
      {"abc", "ab", true, false},
      {"ab", "abc", true, false},
      {"abcd", "a*d", true, true},
      {"abcd", "a*c*", true, true},
      {"xaybzc", "*a*b*c", true, true},
      {"ABC", "a*", true, false},
      {"ABC", "a*", false, true},
      {"a*c", "a**c", true, true},  // the second '*' is searched for literally
      {"abc", "a**c", true, false},
      {"a?c", "*?c", true, true},
      {"abc", "*?c", true, false},
      {"[x]", "[?]", true, true},
      {"@", "`", false, false},  // only letters fold
  };
  for (const LikeRow& r : rows)
    EXPECT_EQ(Like(r.S, r.Pattern, r.CaseSensitive), r.Expected)
        << r.S << " ~ " << r.Pattern << (r.CaseSensitive ? " (case)" : "");
}

TEST(Like, TwoByteCharacters) {
  const std::vector<LikeRow> rows = {
      {Res("中文abc"), Res("中*c"), true, true},
      {Res("中"), "??", true, true},  // '?' stands for one byte
      {Res("中"), "?", true, false},
      {Res("中文"), Res("?文"), true, false},
      {Res("中文"), Res("??文"), true, true},
      {Res("中文"), Res("*文"), true, true},
      {Res("中文"), Res("*中"), true, false},
      {kTrailLowerA, kTrailUpperA, false, false},  // second bytes never fold
      {kTrailLowerA, kTrailLowerA, false, true},
      {kTrailUpperA + "x", "*A*", true, false},  // 'A' inside a character is no match
      {kTrailUpperA + "Ax", "*A*", true, true},
      {Res("表") + kTrailUpperA, "*" + kTrailUpperA, false, true},
      {Res("表") + kTrailUpperA, "*" + kTrailLowerA, false, false},
      // Extension-area characters (first byte 0x81): 乤 is 81 61, 丄 is 81 41.
      {Res("乤"), Res("丄"), false, false},
      {Res("乤") + "x", "*X", false, true},
      {Res("乤") + "x", "*A*", false, false},
      {Res("們這") + "a", Res("們*A"), false, true},
      {Res("丂") + "@", "*@", true, true},  // 81 40 ends in '@'; only the last '@' is one
      {Res("丂"), "*@", true, false},
  };
  for (const LikeRow& r : rows)
    EXPECT_EQ(Like(r.S, r.Pattern, r.CaseSensitive), r.Expected) << GbkToUtf8(r.Pattern);
}

TEST(Like, TextEndingInsideCharacter) {
  const std::string cut = Res("中文").substr(0, 3);
  EXPECT_TRUE(Like(cut, "*", true));
  EXPECT_TRUE(Like(cut, "???", true));
  EXPECT_FALSE(Like(cut, Res("*文"), true));
  EXPECT_TRUE(Like(cut, Res("中*"), false));
}

TEST(LikeAny, AnyFieldMatches) {
  struct Row {
    std::string S, Patterns;
    char Sep;
    bool CaseSensitive, Expected;
  };
  const std::vector<Row> rows = {
      {"abc", "", ';', true, true},
      {"", "", ';', true, true},
      {"abc", "x*;a?c", ';', true, true},
      {"abc", "x*;y*", ';', true, false},
      {"ABC", "x*,a*", ',', false, true},
      {"ABC", "x*,a*", ',', true, false},
      {"'x;y'", "'x;y'", ';', true, true},  // a quoted separator does not split
      {"abc", "x*;", ';', true, false},
      {"", "x*;;", ';', true, true},  // an empty middle field matches the empty text
  };
  for (const Row& r : rows)
    EXPECT_EQ(LikeAny(r.S, r.Patterns, r.Sep, r.CaseSensitive), r.Expected) << r.S << " ~ " << r.Patterns;
}

TEST(LikeExcept, IncludesAndExcludes) {
  struct Row {
    std::string S, Patterns;
    bool Expected;
  };
  const std::vector<Row> rows = {
      {"abc.txt", "*.txt", true},
      {"abc.txt", "*.txt-a*", false},
      {"abc.txt", "*.doc+*.txt", true},
      {"abc.txt", "*.doc+*.bak", false},
      {"abc.txt", "-*.bak", false},  // no include pattern
      {"abc.txt", "", false},
      {"abc.txt", "*.txt/ignored", true},
      {"abc.txt", "*.doc/x+*.txt/y", true},
      {"abc.txt", "*.txt-x*/a*", true},  // the exclude is cut at '/'
      {"b.txt", "*.txt-a*-c*", true},
      {"c.txt", "*.txt-a*-c*", false},
      {"ABC.TXT", "*.txt", true},
  };
  for (const Row& r : rows) EXPECT_EQ(LikeExcept(r.S, r.Patterns, false), r.Expected) << r.S << " ~ " << r.Patterns;
  EXPECT_FALSE(LikeExcept("ABC.TXT", "*.txt", true));
}

TEST(LikeExceptAny, AnyAlternative) {
  EXPECT_TRUE(LikeExceptAny("abc", "", ';', true));
  EXPECT_FALSE(LikeExceptAny("abc", "x*;a*-ab*", ';', true));
  EXPECT_TRUE(LikeExceptAny("abc", "x*;a*-ax*", ';', true));
  EXPECT_TRUE(LikeExceptAny("ABC", "x*|a*-ax*", '|', false));
  EXPECT_FALSE(LikeExceptAny("abc", "-a*;-b*", ';', true));
}

TEST(ReplaceStr, RebuildsFromReplacement) {
  struct Row {
    std::string S, Pattern, Replacement;
    bool CaseSensitive, Matched;
    std::string Result;
  };
  const std::vector<Row> rows = {
      {"abc.txt", "*.txt", "*.bak", true, true, "abc.bak"},
      {"abc.doc", "*.txt", "*.bak", true, false, "abc.doc"},
      {"abc.txt", "???.txt", "x??.txt", true, true, "xab.txt"},
      {"report1.txt", "report?.*", "r?_*", true, true, "r1_txt"},
      {"a-b-c", "*-*-*", "*+*+*", true, true, "a+b+c"},
      {"abc", "a*", "**?", true, true, "bc"},  // wildcards beyond the pattern's copy nothing
      {"abc", "abc", "xyz", true, true, "xyz"},
      {"", "*", "x*y", true, true, "xy"},
      {"ABC.TXT", "*.txt", "*.bak", false, true, "ABC.bak"},
      {"ABC.TXT", "*.txt", "*.bak", true, false, "ABC.TXT"},
      {Res("中文.txt"), "*.txt", "*.bak", true, true, Res("中文.bak")},
      {"abcbc", "*bc", "*", true, false, "abcbc"},
  };
  for (const Row& r : rows) {
    std::string s = r.S;
    EXPECT_EQ(ReplaceStr(s, r.Pattern, r.Replacement, r.CaseSensitive), r.Matched) << r.S;
    EXPECT_EQ(s, r.Result) << r.S;
  }
}

}  // namespace
}  // namespace qnexp
