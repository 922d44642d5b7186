// The string functions: result types, the two forms of SubS and how the form is chosen, cutting
// at the ends of the text, two-byte characters kept whole, and the limits that keep odd input
// harmless.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "HandTree.h"
#include "functions/Strings.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"

using namespace qnexp;
using namespace handtree;

namespace {

// A GBK character whose second byte is the ASCII letter 'b' (0xB0 0x62), and one whose second
// byte is 'a'.
const std::string kLeadB = "\xB0\x62";
const std::string kLeadA = "\xB0\x61";

}  // namespace

TEST(StringTyping, ResultTypesDoNotDependOnArguments) {
  EXPECT_EQ(Make<TExp_Length>(Real(1.5))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_ASC>(Date(1))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_Pos>(Int(1), Bool(true))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_RPos>(Chr('a'), Str("a"))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_SubStrCount>(Str("a"), Chr(','))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_ChrS>(Chr('-'), Real(2))->DataType, etString);
  EXPECT_EQ(Make<TExp_SubS>(Int(123), Int(1), Int(1))->DataType, etString);
  EXPECT_EQ(Make<TExp_SubSValid>(Str("a"), Str(","), Int(0))->DataType, etString);
  EXPECT_EQ(Make<TExp_Upper>(Int(5))->DataType, etString);
  EXPECT_EQ(Make<TExp_Trim>(Bool(false))->DataType, etString);
}

TEST(StringSubS, PositionFormClampsStartAndCount) {
  struct TRow {
    int Start, Count;
    const char* Expected;
  };
  const TRow rows[] = {
      {2, 3, "bcd"},       {0, 2, "ab"},          {INT_MIN, 2, "ab"}, {9, 2, ""},
      {7, 1, ""},          {6, 1, "f"},           {4, INT_MAX, "def"}, {INT_MAX, INT_MAX, ""},
      {3, 0, ""},          {3, INT_MIN, ""},      {1, 6, "abcdef"},
  };
  for (const TRow& row : rows) {
    auto node = Make<TExp_SubS>(Str("abcdef"), Int(row.Start), Int(row.Count));
    EXPECT_EQ(Text(*node), row.Expected) << row.Start << ", " << row.Count;
  }
}

TEST(StringSubS, FieldFormSplitsOutsideQuotes) {
  struct TRow {
    const char* Text;
    const char* Separator;
    int Field;
    const char* Expected;
  };
  const TRow rows[] = {
      {"a,b,c", ",", 1, "b"},     {"a,b,c", ",", 3, ""},    {"a,b,c", ",", -1, ""},
      {"\"x,y\",z", ",", 0, "\"x,y\""}, {"'p;q';r", ";", 1, "r"}, {"abc", "", 0, "abc"},
      {"abc", "", 1, ""},         {"a--b", "--", 1, "b"},   {"", ",", 0, ""},
  };
  for (const TRow& row : rows) {
    auto node = Make<TExp_SubS>(Str(row.Text), Str(row.Separator), Int(row.Field));
    EXPECT_EQ(Text(*node), row.Expected) << row.Text << " / " << row.Field;
  }
}

TEST(StringSubS, FormFollowsTheTypeTheSecondArgumentHasWhenEvaluated) {
  // A variable is etAny when the call is translated and takes its type later.
  auto node = Make<TExp_SubS>(Str("a1b1c"), Any(), Int(2));
  TExpression* second = node->GetSubExp(1);
  second->DataType = etInteger;
  second->PutInteger(1);
  EXPECT_EQ(Text(*node), "a1");
  second->DataType = etString;
  second->PutString("1");
  EXPECT_EQ(Text(*node), "c");
  // Only etInteger selects positions: a real separator is its text.
  auto real = Make<TExp_SubS>(Str("a1b1c"), Real(1), Int(1));
  EXPECT_EQ(Text(*real), "b");
}

TEST(StringSubS, ValidFormNeverSplitsACharacter) {
  const std::string text = Res("中文字");  // three two-byte characters
  struct TRow {
    int Start, Count;
    std::string Plain, Valid;
  };
  const TRow rows[] = {
      {2, 3, text.substr(1, 3), Res("中")}, {1, 3, text.substr(0, 3), Res("中")},
      {3, 2, Res("文"), Res("文")},         {4, 2, text.substr(3, 2), Res("文")},
      {6, 1, text.substr(5, 1), ""},        {0, 100, text, text},
  };
  for (const TRow& row : rows) {
    auto plain = Make<TExp_SubS>(Str(text), Int(row.Start), Int(row.Count));
    auto valid = Make<TExp_SubSValid>(Str(text), Int(row.Start), Int(row.Count));
    EXPECT_EQ(Text(*plain), row.Plain) << row.Start << ", " << row.Count;
    EXPECT_EQ(Text(*valid), row.Valid) << row.Start << ", " << row.Count;
  }
  auto field = Make<TExp_SubSValid>(Str("x" + text + ",y"), Str(","), Int(0));
  EXPECT_EQ(Text(*field), "x" + text);
}

TEST(StringSearch, MatchesStartOnCharacterBoundaries) {
  EXPECT_EQ(Integer(*Make<TExp_Pos>(Str("b"), Str("abcb"))), 2);
  EXPECT_EQ(Integer(*Make<TExp_Pos>(Str(""), Str("abc"))), 0);
  EXPECT_EQ(Integer(*Make<TExp_Pos>(Str("b"), Str(kLeadB + "b"))), 3);
  EXPECT_EQ(Integer(*Make<TExp_RPos>(Str("b"), Str("abcb"))), 4);
  EXPECT_EQ(Integer(*Make<TExp_RPos>(Str("b"), Str("b" + kLeadB))), 1);
  EXPECT_EQ(Integer(*Make<TExp_RPos>(Str("x"), Str("abc"))), 0);
  // Only the first character of the wanted text counts.
  EXPECT_EQ(Integer(*Make<TExp_RPos>(Str("cz"), Str("abcabc"))), 6);
  EXPECT_EQ(Integer(*Make<TExp_RPos>(Chr('c'), Str("abcabc"))), 6);
}

TEST(StringSearch, EmptyWantedTextIsNeverFound) {
  std::string withNul("a\0b", 3);
  EXPECT_EQ(Integer(*Make<TExp_RPos>(Str(""), Str(withNul))), 0);
  EXPECT_EQ(Integer(*Make<TExp_RPos>(Chr('\0'), Str(withNul))), 2);
  EXPECT_EQ(Integer(*Make<TExp_ASC>(Str(""))), 0);
  EXPECT_EQ(Integer(*Make<TExp_ASC>(Str("\xD6\xD0"))), 0xD6);
}

TEST(StringSearch, FieldCounts) {
  struct TRow {
    const char* Text;
    const char* Separator;
    int Count;
  };
  const TRow rows[] = {
      {"a,b,c", ",", 3}, {"", ",", 0},        {"a,b,", ",", 2}, {",a", ",", 2},
      {"a,,b", ",", 3},  {"\"x,y\",z", ",", 2}, {"abc", "", 1},  {"", "", 0},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(Integer(*Make<TExp_SubStrCount>(Str(row.Text), Str(row.Separator))), row.Count)
        << row.Text;
}

TEST(StringCase, TwoByteCharactersAreLeftAlone) {
  EXPECT_EQ(Text(*Make<TExp_Upper>(Str("ab" + kLeadA + "cd"))), "AB" + kLeadA + "CD");
  EXPECT_EQ(Text(*Make<TExp_Lower>(Str("AB\xB0\x41" "CD"))), "ab\xB0\x41" "cd");
  EXPECT_EQ(Text(*Make<TExp_UpLower>(Str("hELLO"))), "Hello");
  EXPECT_EQ(Text(*Make<TExp_UpLower>(Str(kLeadA + "B"))), kLeadA + "b");
}

// Traditional and extension-area characters (first byte 0x81..0xA0, second byte often an
// ASCII letter or delimiter) through every string function that looks at characters.
TEST(StringCase, ExtensionAreaCharactersStayWhole) {
  const std::string x = Utf8ToGbk("乤");   // 81 61: the second byte looks like 'a'
  const std::string y = Utf8ToGbk("丄");   // 81 41: the second byte looks like 'A'
  const std::string m = Utf8ToGbk("們");   // 82 83
  const std::string z = Utf8ToGbk("這");   // DF 40
  const std::string bar = Utf8ToGbk("亅");  // 81 7C: the second byte is '|'
  struct TRow {
    const char* Function;
    TNode Node;
    std::string Expected;
  };
  TRow rows[] = {
      {"Upper", Make<TExp_Upper>(Str("a" + x + m + z + "b")), "A" + x + m + z + "B"},
      {"Lower", Make<TExp_Lower>(Str("A" + y + "B")), "a" + y + "b"},
      {"UpLower", Make<TExp_UpLower>(Str(x + "AB")), x + "ab"},
      {"Length", Make<TExp_Length>(Str(x + m)), "4"},
      {"Pos", Make<TExp_Pos>(Str("a"), Str(x + "a")), "3"},
      {"Pos of a second byte", Make<TExp_Pos>(Str("A"), Str(y)), "0"},
      {"RPos", Make<TExp_RPos>(Chr('|'), Str("|" + bar)), "1"},
      {"SubStrCount", Make<TExp_SubStrCount>(Str(bar + "|" + x), Str("|")), "2"},
      {"SubS field", Make<TExp_SubS>(Str(bar + "|" + x), Str("|"), Int(1)), x},
      {"SubSValid", Make<TExp_SubSValid>(Str(x + m + z), Int(2), Int(3)), x},  // from 1, not 2
      {"SubSValid end", Make<TExp_SubSValid>(Str("a" + z), Int(1), Int(2)), "a"},
      {"Trim", Make<TExp_Trim>(Str(" " + z + " ")), z},
  };
  for (TRow& row : rows) EXPECT_EQ(Text(*row.Node), row.Expected) << row.Function;
}

TEST(StringTrim, BlanksAreExactlyFiveBytes) {
  const std::string padded = std::string("\0\t\n\r x \x0B", 8) + std::string(" \0", 2);
  EXPECT_EQ(Text(*Make<TExp_Trim>(Str(padded))), "x \x0B");
  EXPECT_EQ(Text(*Make<TExp_RTrim>(Str(padded))), std::string("\0\t\n\r x \x0B", 8));
  EXPECT_EQ(Text(*Make<TExp_LTrim>(Str(padded))), "x \x0B" + std::string(" \0", 2));
  EXPECT_EQ(Text(*Make<TExp_Trim>(Str("   "))), "");
}

TEST(StringBuild, ChrSRepeatsOneCharacterWithinALimit) {
  EXPECT_EQ(Text(*Make<TExp_ChrS>(Str("xyz"), Int(3))), "xxx");
  EXPECT_EQ(Text(*Make<TExp_ChrS>(Str("-"), Int(INT_MIN))), "");
  auto huge = Make<TExp_ChrS>(Str("-"), Int(kMaxChrSCount + 1));
  try {
    huge->Evaluate(kForceStamp);
    ADD_FAILURE() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message, Utf8ToGbk("表达式(TExp_ChrS)计算错误：重复次数太大"));
  }
}

TEST(StringRobustness, MissingArgumentIsAnErrorNotACrash) {
  TExp_SubS sub;
  sub.PutSubExp(0, Str("abc").release());
  try {
    sub.Evaluate(kForceStamp);
    ADD_FAILURE() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message, Utf8ToGbk("表达式(TExp_SubS)计算错误：参数不够"));
  }
  TExp_Length length;
  EXPECT_THROW(length.Evaluate(kForceStamp), Exception);
}
