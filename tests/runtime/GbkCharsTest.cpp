// The one rule for GBK characters and the ASCII case fold that respects it, with characters
// from the whole lead-byte range: traditional and extension-area characters (first byte
// 0x81..0xA0) as much as GB2312 ones.
#include <gtest/gtest.h>

#include <string>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"

using namespace qnexp;

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

}  // namespace

TEST(GbkChars, CharacterSizesFollowTheLeadAndSecondByteRanges) {
  struct TRow {
    std::string Text;
    size_t Size;
  };
  const TRow rows[] = {
      {G("丂"), 2},        // 81 40: the first character of the code page
      {G("們"), 2},        // 82 83
      {G("這"), 2},        // DF 40
      {G("乤"), 2},        // 81 61: the second byte looks like 'a'
      {"\xFE\xFE", 2},     // the last lead and second byte
      {"\x80\x40", 1},     // 0x80 leads nothing
      {"\xFF\x40", 1},     // nor does 0xFF
      {"\x81\x7F", 1},     // 0x7F ends no character
      {"\x81\x3F", 1},     // nor does anything below 0x40
      {"\x81'", 1},        // so a quote after a stray lead byte stays a quote
      {"\x81,", 1},
      {"\x81", 1},         // a lead byte that ends the text
      {"a", 1},
  };
  for (const TRow& row : rows) EXPECT_EQ(CharSize(row.Text, 0), row.Size) << row.Text;
}

TEST(GbkChars, FindCharSkipsSecondBytes) {
  // 竇 is B8 5D, 乚 is 81 5D: both end in the byte of ']'.
  const std::string text = G("竇乚") + "]";
  EXPECT_EQ(FindChar(text, ']'), 4u);
  EXPECT_EQ(FindChar(G("竇乚"), ']'), std::string::npos);
  EXPECT_EQ(FindChar("a]b]", ']', 2), 3u);
  EXPECT_EQ(FindChar("\x81]", ']'), std::string::npos);  // 81 5D is one character
  EXPECT_EQ(FindChar("\x81=", '='), 1u);                 // '=' never ends a character
}

TEST(GbkChars, CaseChangesLeaveTwoByteCharactersAlone) {
  // 乤 (81 61) and 丄 (81 41) differ only in a second byte that looks like a letter.
  struct TRow {
    std::string Text, Upper, Lower;
  };
  const TRow rows[] = {
      {G("乤"), G("乤"), G("乤")},
      {G("丄"), G("丄"), G("丄")},
      {G("a乤b丄c"), G("A乤B丄C"), G("a乤b丄c")},
      {G("們這"), G("們這"), G("們這")},
      {"\x81" "a", "\x81" "a", "\x81" "a"},  // 81 61 is 乤 whatever the context
      {"\x81 a", "\x81 A", "\x81 a"},         // a stray lead byte before a blank
  };
  for (const TRow& row : rows) {
    EXPECT_EQ(UpperCase(row.Text), row.Upper) << row.Text;
    EXPECT_EQ(LowerCase(row.Text), row.Lower) << row.Text;
  }
  EXPECT_EQ(AsciiUpper('q'), 'Q');
  EXPECT_EQ(AsciiLower('Q'), 'q');
  EXPECT_EQ(AsciiUpper('\xE1'), '\xE1');
}

TEST(GbkChars, ComparisonFoldsOnlySingleByteLetters) {
  struct TRow {
    std::string A, B;
    int Order;
  };
  const TRow rows[] = {
      {G("乤"), G("丄"), 1},              // 0x61 > 0x41, compared unfolded
      {G("x乤"), G("X乤"), 0},
      {G("乤x"), G("乤X"), 0},
      {G("們"), G("們"), 0},
      {"\x81 a", "\x81 A", 0},            // the letter after a stray lead byte is a letter
      {"\x81" "a", "\x81 ", 1},
      {"ab", "abc", -1},
      {"", "", 0},
  };
  for (const TRow& row : rows) {
    int order = CompareText(row.A, row.B);
    EXPECT_EQ((order > 0) - (order < 0), row.Order) << row.A << " <> " << row.B;
    EXPECT_EQ(SameText(row.A, row.B), row.Order == 0) << row.A << " <> " << row.B;
  }
}

TEST(GbkChars, ConversionMessagesTellBrokenTextFromMissingCharacters) {
  struct TRow {
    std::string Utf8;
    const char* Message;
  };
  const TRow rows[] = {
      {"ab\xF0\x9F\x98\x80", "No GBK form for the character at byte 2"},  // an emoji
      {"ab\xC3\x28", "Invalid UTF-8 text at byte 2"},
      {"ab\xE4\xB8", "Invalid UTF-8 text at byte 2"},                     // truncated
      {"\xED\xA0\x80", "Invalid UTF-8 text at byte 0"},                   // a surrogate
  };
  for (const TRow& row : rows) {
    try {
      Utf8ToGbk(row.Utf8);
      ADD_FAILURE() << "no error for " << row.Message;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, row.Message);
    }
  }
}

TEST(GbkChars, LenientReadingPutsQuestionMarksForWhatDoesNotConvert) {
  EXPECT_EQ(Utf8ToGbkLenient("a\xF0\x9F\x98\x80" "b"), "a?b");
  EXPECT_EQ(Utf8ToGbkLenient("\xF0\x9F\x98\x80\xE4\xB8\xAD"), "?" + G("中"));
  EXPECT_EQ(Utf8ToGbkLenient("a\xFF\xFE" "b"), "a??b");
  EXPECT_EQ(Utf8ToGbkLenient("a\xE4\xB8"), "a??");
  EXPECT_EQ(Utf8ToGbkLenient(""), "");
  // Many replacements in one text do not make the conversion's buffer run away.
  std::string emojis;
  for (int i = 0; i < 1000; ++i) emojis += "\xF0\x9F\x98\x80";
  EXPECT_EQ(Utf8ToGbkLenient(emojis), std::string(1000, '?'));
}
