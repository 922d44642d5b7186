// GBK and UTF-8 conversion at the system's edges, and the converted source literals.
#include <gtest/gtest.h>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"

using namespace qnexp;

TEST(Gbk, ConvertsBothWays) {
  const std::string gbk = "\xD6\xD0\xCE\xC4 abc";  // two Chinese characters and ASCII
  EXPECT_EQ(GbkToUtf8(gbk), "中文 abc");
  EXPECT_EQ(Utf8ToGbk("中文 abc"), gbk);
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(Utf8ToGbk("\xEF\xBF\xA5"), "\xA3\xA4");  // the fullwidth yen sign
}

TEST(Gbk, InvalidInputIsAClearError) {
  EXPECT_THROW(GbkToUtf8("ab\xD6"), EConvertError);        // ends inside a character
  EXPECT_THROW(Utf8ToGbk("\xC3\x28"), EConvertError);      // broken UTF-8
  EXPECT_THROW(Utf8ToGbk("\xF0\x9F\x98\x80"), EConvertError);  // no GBK form
  EXPECT_EQ(Utf8ToGbkOrSame("\xC3\x28"), "\xC3\x28");
}

TEST(Gbk, LenientOutputReplacesStrayBytes) {
  EXPECT_EQ(GbkToUtf8Lenient("a\xD6\xD0"), "a中");
  EXPECT_EQ(GbkToUtf8Lenient("a\xFF"), "a\xEF\xBF\xBD");
  EXPECT_EQ(GbkToUtf8Lenient("\xD6"), "\xEF\xBF\xBD");
}

TEST(Gbk, SourceLiteralsAreConvertedOnceAndKept) {
  const char* literal = "表达式";
  const std::string& first = Res(literal);
  EXPECT_EQ(first, "\xB1\xED\xB4\xEF\xCA\xBD");
  EXPECT_EQ(&Res(literal), &first);
}
