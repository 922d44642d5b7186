// The process clipboard: one copy replaces everything, texts travel as UTF-8 and come back as
// GBK, data of other types by their MIME type.
#include <gtest/gtest.h>

#include "platform/Clipboard.h"
#include "runtime/Gbk.h"

using namespace qnexp;

TEST(Clipboard, TextsRoundTripThroughUtf8) {
  SetClipboardText(Res("中文 text"));
  EXPECT_EQ(GetClipboardText(), Res("中文 text"));
  std::string bytes;
  ASSERT_TRUE(GetClipboardData("text/plain;charset=utf-8", bytes));
  EXPECT_EQ(bytes, "中文 text");
  // A byte that is no GBK character is kept, not lost.
  SetClipboardText("a\x80z");
  EXPECT_EQ(GetClipboardText(), "a\x80z");
  SetClipboardText("");
  EXPECT_EQ(GetClipboardText(), "");
}

TEST(Clipboard, EachCopyReplacesEverything) {
  SetClipboardText("before");
  SetClipboardData("application/x-test", std::string("\0\1\2", 3));
  std::string bytes = "untouched";
  EXPECT_FALSE(GetClipboardData("text/plain;charset=utf-8", bytes));
  EXPECT_EQ(bytes, "untouched");
  EXPECT_EQ(GetClipboardText(), "");
  ASSERT_TRUE(GetClipboardData("application/x-test", bytes));
  EXPECT_EQ(bytes, std::string("\0\1\2", 3));

  SetClipboardData("", "ignored");
  ASSERT_TRUE(GetClipboardData("application/x-test", bytes));

  SetClipboardText("after");
  EXPECT_FALSE(GetClipboardData("application/x-test", bytes));
  EXPECT_EQ(GetClipboardText(), "after");
}
