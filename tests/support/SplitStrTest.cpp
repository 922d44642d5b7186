// Tests of quote-aware splitting, the scanners and the reading of string constants.
#include "support/SplitStr.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/StringList.h"

namespace qnexp {
namespace {

// A two-byte character whose second byte is '|': byte-wise scanning would see a separator.
const std::string kPipeTrail = "\xAA|";

TEST(SeekSplit, FindsSeparatorsOutsideQuotes) {
  struct Row {
    std::string S, Sep;
    int Pos, Expected;
  };
  const std::vector<Row> rows = {
      {"a,b", ",", 1, 2},
      {"a,b", ",", 3, 4},
      {"'a,b',c", ",", 1, 6},
      {"\"x,y\",z", ",", 1, 6},
      {"'a,b", ",", 1, 5},  // unterminated quote runs to the end
      {"a::b", "::", 1, 2},
      {"a:b::c", "::", 1, 4},
      {"abc", "", 1, 4},  // an empty separator is never found
      {"", ",", 1, 1},
      {"a,b", ",", 0, 2},
      {"a,b", ",", -5, 2},
      {"a,b", ",", 99, 4},
      {kPipeTrail + "x|y", "|", 1, 4},
      {Res("中,文"), ",", 1, 3},
  };
  for (const Row& r : rows)
    EXPECT_EQ(SeekSplit(r.S, r.Sep, r.Pos), r.Expected) << r.S << " / " << r.Sep << " @" << r.Pos;
}

TEST(SParam, CountsAndFieldsAgree) {
  struct Row {
    std::string S, Sep;
    std::vector<std::string> Fields;
  };
  const std::vector<Row> rows = {
      {"", ",", {}},
      {"a", ",", {"a"}},
      {"a,", ",", {"a"}},
      {",a", ",", {"", "a"}},
      {"a,,b", ",", {"a", "", "b"}},
      {"a,b,", ",", {"a", "b"}},
      {",", ",", {""}},
      {"'a,b',c", ",", {"'a,b'", "c"}},
      {"\"x,y\",z", ",", {"\"x,y\"", "z"}},
      {"'It''s',x", ",", {"'It''s'", "x"}},
      {"'a,b", ",", {"'a,b"}},
      {"a=>b=>c", "=>", {"a", "b", "c"}},
      {"abc", "", {"abc"}},
      {Res("中,文"), ",", {Res("中"), Res("文")}},
      {kPipeTrail + "|b", "|", {kPipeTrail, "b"}},
  };
  for (const Row& r : rows) {
    const int count = static_cast<int>(r.Fields.size());
    EXPECT_EQ(SParamCount(r.S, r.Sep), count) << r.S;
    EXPECT_EQ(SubStrCount(r.S, r.Sep), count) << r.S;
    for (int n = 0; n < count; ++n) {
      EXPECT_EQ(SParam(r.S, r.Sep, n), r.Fields[n]) << r.S << " field " << n;
      EXPECT_EQ(SubStr(r.S, r.Sep, n), r.Fields[n]) << r.S << " field " << n;
    }
    EXPECT_EQ(SParam(r.S, r.Sep, count), "") << r.S;
    EXPECT_EQ(SParam(r.S, r.Sep, count + 5), "") << r.S;
    EXPECT_EQ(SParam(r.S, r.Sep, -1), "") << r.S;

    TStringList list;
    list.Add("kept");
    StrToList(r.S, r.Sep, list);
    ASSERT_EQ(list.Count(), count + 1) << r.S;
    EXPECT_EQ(list.Get(0), "kept");
    for (int n = 0; n < count; ++n) EXPECT_EQ(list.Get(n + 1), r.Fields[n]) << r.S;
  }
}

TEST(CutSParam, RemovesFirstFieldAndSeparator) {
  struct Row {
    std::string S, Sep, Returned, Rest;
  };
  const std::vector<Row> rows = {
      {"x", ",", "x", ""},
      {"a,b,c", ",", "a", "b,c"},
      {"'a,b',c", ",", "'a,b'", "c"},
      {",a", ",", "", "a"},
      {"a,", ",", "a", ""},
      {"", ",", "", ""},
      {"a::b", "::", "a", "b"},
      {"'open,", ",", "'open,", ""},
  };
  for (const Row& r : rows) {
    std::string s = r.S;
    EXPECT_EQ(CutSParam(s, r.Sep), r.Returned) << r.S;
    EXPECT_EQ(s, r.Rest) << r.S;
    s = r.S;
    EXPECT_EQ(CutStr(s, r.Sep), r.Returned) << r.S;
    EXPECT_EQ(s, r.Rest) << r.S;
  }
}

TEST(DelSubStr, RemovesFieldWithOneSeparator) {
  struct Row {
    std::string S, Sep;
    int N;
    std::string Returned, Rest;
  };
  const std::vector<Row> rows = {
      {"a,b,c", ",", 0, "a", "b,c"},
      {"a,b,c", ",", 1, "b", "a,c"},
      {"a,b,c", ",", 2, "c", "a,b"},
      {"a,b,c", ",", 3, "", "a,b,c"},
      {"a,b,c", ",", -1, "", "a,b,c"},
      {"a,b,", ",", 2, "", "a,b"},
      {"x", ",", 0, "x", ""},
      {"a::b::c", "::", 1, "b", "a::c"},
      {"'a,b',c", ",", 0, "'a,b'", "c"},
      {"", ",", 0, "", ""},
  };
  for (const Row& r : rows) {
    std::string s = r.S;
    EXPECT_EQ(DelSubStr(s, r.Sep, r.N), r.Returned) << r.S << " #" << r.N;
    EXPECT_EQ(s, r.Rest) << r.S << " #" << r.N;
  }
}

TEST(ListToStr, JoinsItems) {
  EXPECT_EQ(ListToStr(nullptr, ","), "");
  TStringList list;
  EXPECT_EQ(ListToStr(list, ","), "");
  list.Add("a");
  EXPECT_EQ(ListToStr(&list, ", "), "a");
  list.Add("");
  list.Add("c");
  EXPECT_EQ(ListToStr(list, ";"), "a;;c");
}

struct ScanRow {
  std::string S;
  int Pos, Expected;
};

TEST(Scanners, SeekEndOfInt) {
  const std::vector<ScanRow> rows = {
      {"0x1F", 1, 5}, {"-12", 1, 4}, {"abc", 1, 1}, {"$ff", 1, 4},  {"$", 1, 1},
      {"-", 1, 1},    {"+5", 1, 3},  {"0xg", 1, 2}, {"0X", 1, 2},   {"12ab", 1, 3},
      {"x12", 2, 4},  {"-$A", 1, 4}, {"--1", 1, 1}, {"12", 0, 0},   {"12", 3, 3},
      {"12", 9, 9},   {"", 1, 1},    {"0x1fz", 1, 5}, {"$g", 1, 1},
  };
  for (const ScanRow& r : rows) EXPECT_EQ(SeekEndOfInt(r.S, r.Pos), r.Expected) << r.S << " @" << r.Pos;
}

TEST(Scanners, SeekEndOfNum) {
  const std::vector<ScanRow> rows = {
      {"3.14)", 1, 5}, {"1e5", 1, 4}, {"1e-5", 1, 5}, {"1.5e3", 1, 4}, {"1.", 1, 2},
      {"1.x", 1, 2},   {"x", 1, 1},   {"$1F.8", 1, 6}, {"1E", 1, 2},   {"-2.5*", 1, 5},
      {".5", 1, 1},    {"", 1, 1},
  };
  for (const ScanRow& r : rows) EXPECT_EQ(SeekEndOfNum(r.S, r.Pos), r.Expected) << r.S << " @" << r.Pos;
}

TEST(Scanners, SeekEndOfID) {
  const TCharSet first = CharRange('a', 'z') | CharRange('A', 'Z') | MakeCharSet("_") | CharRange(0xA0, 0xFF);
  const TCharSet other = first | CharRange('0', '9');
  const std::vector<ScanRow> rows = {
      {"abc1 x", 1, 5},
      {"1abc", 1, 1},
      {"_a.b", 1, 3},
      {"x.b", 3, 4},
      {Res("中文a+"), 1, 6},
      {kPipeTrail + "b c", 1, 4},  // the second byte '|' stays with its character
      {"a\xAA", 1, 3},              // a first byte ending the text
      {"abc", 0, 0},
      {"abc", 4, 4},
      {"", 1, 1},
  };
  for (const ScanRow& r : rows)
    EXPECT_EQ(SeekEndOfID(r.S, r.Pos, first, other), r.Expected) << r.S << " @" << r.Pos;
  EXPECT_TRUE(InSet(first, '\xB0'));
  EXPECT_FALSE(InSet(first, '1'));
  EXPECT_TRUE(CharRange('z', 'a').none());
}

TEST(Scanners, SeekEndOfStr) {
  const std::vector<ScanRow> rows = {
      {"'abc'x", 1, 6},
      {"'a''b'", 1, 7},
      {"'a'#13#$0A^M'b'x", 1, 16},
      {"#13", 1, 4},
      {"#x", 1, 1},
      {"^M", 1, 3},
      {"^_", 1, 3},
      {"^1", 1, 1},
      {"'abc", 1, 5},
      {"\"a'b\"", 1, 6},
      {"'a'  'b'", 1, 4},
      {"'a'#", 1, 4},
      {"x", 1, 1},
      {"", 1, 1},
      {"'a'", 0, 0},
      {"'a'", 7, 7},
  };
  for (const ScanRow& r : rows) EXPECT_EQ(SeekEndOfStr(r.S, r.Pos), r.Expected) << r.S << " @" << r.Pos;
}

TEST(Scanners, SeekCloseBracket) {
  struct Row {
    std::string S;
    int Pos, Expected;
    bool Found;
  };
  const std::vector<Row> rows = {
      {"(a)", 1, 4, true},
      {"(a(b)c)d", 1, 8, true},
      {"f(x, (y))", 2, 10, true},
      {"(')')", 1, 6, true},
      {"(\")\"+')')", 1, 10, true},
      {"(a", 1, 3, false},
      {"((a)", 1, 5, false},
      {"(')", 1, 4, false},  // the quote runs to the end and hides the ')'
      {"", 1, 1, false},
      {"(a)", 0, 0, false},
      {"(a)", 5, 5, false},
  };
  for (const Row& r : rows) {
    bool found = !r.Found;
    EXPECT_EQ(SeekCloseBracket(r.S, r.Pos, found), r.Expected) << r.S;
    EXPECT_EQ(found, r.Found) << r.S;
  }
}

TEST(Scanners, RPos) {
  struct Row {
    char C;
    std::string S;
    int Expected;
  };
  const std::vector<Row> rows = {
      {'b', "abcb", 4},
      {'x', "abc", 0},
      {'b', "", 0},
      {'|', kPipeTrail, 0},
      {'|', "a|" + kPipeTrail, 2},
      {'\xD0', Res("中"), 0},  // the second byte of the character is not a character
      {'\xD6', Res("中中"), 3},
      {'/', std::string(300, 'a') + "/" + std::string(300, 'b'), 301},
  };
  for (const Row& r : rows) EXPECT_EQ(RPos(r.C, r.S), r.Expected) << r.S;
}

TEST(ConstToStr, ReadsConstantAndRemovesIt) {
  struct Row {
    std::string S, Value, Rest;
  };
  const std::vector<Row> rows = {
      {"'It''s'#13#$0A+'x', rest", "It's\r\nx", " rest"},
      {"'abc'", "abc", ""},
      {"  'a' + 'b'", "ab", ""},
      {"'a'+\t#66", "aB", ""},
      {"'a' 'b'", "a", "'b'"},
      {"'a'+x", "a", "+x"},
      {"'a' + ", "a", "+ "},
      {"#65#$42^A", "AB\x01", ""},
      {"^_^a", "\x1F\x01", ""},
      {"'unterminated", "unterminated", ""},
      {"\"say \"\"hi\"\"\"", "say \"hi\"", ""},
      {"'a'\"b\"", "ab", ""},
      {"'a')rest", "a", "rest"},
      {"'a'#x", "a", "#x"},
      {"#0x41", "A", ""},
      {"#321", "A", ""},  // the low byte of the code
      {"x,y", "", "x,y"},
      {"  x", "", "x"},
      {"   ", "", ""},
      {"", "", ""},
      {"'" + Res("中文") + "'," , Res("中文"), ""},
  };
  for (const Row& r : rows) {
    std::string s = r.S;
    EXPECT_EQ(ConstToStr(s), r.Value) << r.S;
    EXPECT_EQ(s, r.Rest) << r.S;
  }
}

TEST(ConstToStr, CodeBeyond32BitsRaisesAndKeepsText) {
  std::string s = "'a'#99999999999";
  try {
    ConstToStr(s);
    FAIL() << "no error raised";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'99999999999' is not a valid integer value");
  }
  EXPECT_EQ(s, "'a'#99999999999");
}

TEST(ConstToInt, ReadsIntegerAndRemovesIt) {
  struct Row {
    std::string S;
    int Value;
    std::string Rest;
  };
  const std::vector<Row> rows = {
      {"  42 rest", 42, " rest"}, {"$FF", 255, ""},       {"0x10,", 16, ","},
      {"-7", -7, ""},             {"", 0, ""},            {"abc", 0, "abc"},
      {" \t", 0, ""},             {"$FFFFFFFF", -1, ""},  {"-2147483648", INT_MIN, ""},
      {"2147483647", INT_MAX, ""}, {"-$10", -16, ""},     {"+3x", 3, "x"},
  };
  for (const Row& r : rows) {
    std::string s = r.S;
    EXPECT_EQ(ConstToInt(s), r.Value) << r.S;
    EXPECT_EQ(s, r.Rest) << r.S;
  }
}

TEST(ConstToInt, OutOfRangeRaisesConversionError) {
  const std::vector<std::string> texts = {"2147483648", "-2147483649", "$100000000", "0x1FFFFFFFF"};
  for (const std::string& text : texts) {
    std::string s = text;
    try {
      ConstToInt(s);
      FAIL() << text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, "'" + text + "' is not a valid integer value");
    }
    EXPECT_EQ(s, text);
  }
}

}  // namespace
}  // namespace qnexp
