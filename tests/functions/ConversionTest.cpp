// The conversion functions: fixed result types, the argument's own format in ToStr, the widths
// and byte form of Hex, and the reading of keyboard shortcut texts.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "HandTree.h"
#include "functions/Conversion.h"
#include "runtime/Gbk.h"
#include "support/ShortCut.h"

using namespace qnexp;
using namespace handtree;

TEST(ConversionTyping, EachFunctionFixesItsOwnType) {
  EXPECT_EQ(Make<TExp_ToInt>(Str("1"))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_ToReal>(Bool(true))->DataType, etReal);
  EXPECT_EQ(Make<TExp_ToBool>(Int64(1))->DataType, etBoolean);
  EXPECT_EQ(Make<TExp_ToChar>(Real(65))->DataType, etChar);
  EXPECT_EQ(Make<TExp_ToStr>(Date(1))->DataType, etString);
  EXPECT_EQ(Make<TExp_ToTime>(Int(1))->DataType, etDateTime);
  EXPECT_EQ(Make<TExp_ToShortCut>(Str("F1"))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_Hex>(Int(1))->DataType, etString);
}

TEST(ConversionValues, ToStrUsesTheArgumentsFormat) {
  auto value = Real(1.5);
  value->SetFormatExp(Str("%.3f").release());
  EXPECT_EQ(Text(*Make<TExp_ToStr>(std::move(value))), "1.500");
  EXPECT_EQ(Text(*Make<TExp_ToInt>(Str("0x1F"))), "31");
  EXPECT_EQ(Text(*Make<TExp_ToInt>(Real(3.5))), "4");
  EXPECT_EQ(Text(*Make<TExp_ToChar>(Str("xyz"))), "x");
}

TEST(ConversionHex, IntegerWidths) {
  struct TRow {
    int32_t Value;
    int Width;  // -100 stands for no second argument
    const char* Expected;
  };
  const TRow rows[] = {
      {255, -100, "FF"},     {255, 4, "00FF"},       {0, -100, "0"},        {0, 0, "0"},
      {-1, -100, "FFFFFFFF"}, {255, 10, "00000000FF"}, {255, -3, "FF"},      {255, 8, "000000FF"},
      {INT_MIN, 1, "80000000"}, {0x12345678, 2, "12345678"}, {10, INT_MIN, "A"},
  };
  for (const TRow& row : rows) {
    auto node = row.Width == -100 ? Make<TExp_Hex>(Int(row.Value))
                                  : Make<TExp_Hex>(Int(row.Value), Int(row.Width));
    EXPECT_EQ(Text(*node), row.Expected) << row.Value << " / " << row.Width;
  }
  // An absurd width is cut, instead of asking for gigabytes.
  EXPECT_EQ(Text(*Make<TExp_Hex>(Int(1), Int(INT_MAX))).size(), size_t(kMaxHexWidth));
}

TEST(ConversionHex, TextBytes) {
  EXPECT_EQ(Text(*Make<TExp_Hex>(Str("AB"))), "4142");
  EXPECT_EQ(Text(*Make<TExp_Hex>(Str("AB"), Str("-"))), "41-42");
  EXPECT_EQ(Text(*Make<TExp_Hex>(Str(""), Str("-"))), "");
  EXPECT_EQ(Text(*Make<TExp_Hex>(Str(Res("中")), Int(0))), "D60D0");
  EXPECT_EQ(Text(*Make<TExp_Hex>(Str(std::string("\0\xFF", 2)))), "00FF");
  // A character is not a text: it takes the integer form.
  EXPECT_EQ(Text(*Make<TExp_Hex>(Chr('A'))), "41");
}

TEST(ShortCutText, Accepted) {
  struct TRow {
    const char* Text;
    int32_t Code;
  };
  const TRow rows[] = {
      {"Ctrl+S", 0x4053},          {"ctrl+s", 0x4053},        {"CTRL+SHIFT+s", 0x6053},
      {"Shift+F5", 0x2074},        {"Alt+Enter", 0x800D},     {"Alt+Return", 0x800D},
      {"Ctrl+Shift+Alt+Del", 0xE02E}, {"F1", 0x70},           {"F24", 0x87},
      {"Esc", 0x1B},               {"escape", 0x1B},          {"Tab", 0x09},
      {"Backspace", 0x08},         {"Space", 0x20},           {"Ins", 0x2D},
      {"Insert", 0x2D},            {"Home", 0x24},            {"End", 0x23},
      {"PgUp", 0x21},              {"PageDown", 0x22},        {"Left", 0x25},
      {"Up", 0x26},                {"Right", 0x27},           {"Down", 0x28},
      {"Ctrl+0", 0x4030},          {"Ctrl++", 0x40BB},        {"+", 0xBB},
      {"Ctrl+-", 0x40BD},          {"Ctrl+/", 0x40BF},        {"Alt+\\", 0x80DC},
      {" Ctrl + S ", 0x4053},      {"Ctrl+Ctrl+S", 0x4053},
  };
  for (const TRow& row : rows) EXPECT_EQ(TextToShortCut(row.Text), row.Code) << row.Text;
}

TEST(ShortCutText, RejectedTextsGiveZero) {
  const char* const rows[] = {
      "",       "   ",        "Ctrl",      "Ctrl+",      "+Ctrl",   "Ctrl++S", "S+Ctrl",
      "Meta+S", "Ctrl+Foo",   "F0",        "F25",        "F01",     "F1x",     "Ctrl+K, Ctrl+C",
      "++",     "Ctrl+ +S",   "Hyper+S",   "Ctrl+\xD6\xD0",
  };
  for (const char* text : rows) EXPECT_EQ(TextToShortCut(text), 0) << text;
  EXPECT_EQ(Text(*Make<TExp_ToShortCut>(Str("Meta+S"))), "0");
  EXPECT_EQ(Text(*Make<TExp_ToShortCut>(Str("Ctrl+S"))), "16467");
}
