// Macro sets: lookup through parents and prefixes, reference scanning and substitution, the
// limits that stop self-referring macros, persistence and the set's lifetime.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/Expression.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "runtime/Stream.h"
#include "runtime/StringList.h"
#include "functions/Macros.h"
#include "support/Macros.h"
#include "support/ObjClone.h"
#include "support/ObjStream.h"

using namespace qnexp;

namespace {

// A set of its own under DefaultMacros, which is left as it was found.
class MacrosTest : public ::testing::Test {
protected:
  void SetUp() override { DefaultMacros->Clear(); }
  void TearDown() override { DefaultMacros->Clear(); }

  std::string Expand(std::string text) {
    Set.CheckStr(text);
    return text;
  }

  TMacros Set;
};

TEST_F(MacrosTest, NewSetFallsBackOnDefaultMacros) {
  EXPECT_EQ(Set.Parent, DefaultMacros);
  EXPECT_EQ(DefaultMacros->Parent, nullptr);
  DefaultMacros->SetMacroText("shared", "d");
  EXPECT_EQ(Set.GetMacroText("shared"), "d");
  Set.ParentEnable = false;
  EXPECT_EQ(Set.GetMacroText("shared"), "");
}

TEST_F(MacrosTest, ExpansionTable) {
  Set.SetMacroText("a", "1");
  Set.SetMacroText("b", "~a~2");
  Set.SetMacroText("n", "a");
  Set.SetMacroText("j", "~a");
  Set.SetMacroText("ax", "2");
  struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"x~b~y", "x12y"},          // a macro text refers to another macro
      {"~~", "~"},                // two signs side by side leave one literal sign
      {"a~~b~~c", "a~b~c"},       // and scanning goes on after it
      {"[~nosuch~]", "[]"},       // unknown macros vanish
      {"~(~n~)~", "1"},           // indirect: the bracket computes the name
      {"~?1+2~", "3"},            // an expression macro
      {"open ~a", "open ~a"},     // no end sign: left unchanged
      {"~(a~", "~(a~"},           // an unclosed bracket hides the end sign
      {"~A~", "1"},               // names ignore case
      {"~a~~b~", "112"},          // adjacent references
      {"~j~~", "1"},              // a substituted text joins the text after it
      {"~(~n~)x~", "2"},          // the computed name keeps what follows the bracket
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.in), c.out) << c.in;
}

TEST_F(MacrosTest, ExpressionMacroReportsTranslationFailureAsText) {
  EXPECT_EQ(Expand("~?1+~"), Utf8ToGbk("需要操作数 (1+[错])"));
}

TEST_F(MacrosTest, NullReplaceOffKeepsUnknownReferences) {
  Set.NullReplace = false;
  Set.SetMacroText("a", "1");
  EXPECT_EQ(Expand("~nosuch~~a~"), "~nosuch~1");
}

TEST_F(MacrosTest, OtherSignsAndTwoByteCharacters) {
  Set.StartSign = '[';
  Set.EndSign = ']';
  Set.SetMacroText("k", "v");
  EXPECT_EQ(Expand("<[k]>"), "<v>");
  EXPECT_EQ(Expand("[]k]"), "[k]");
  // 0xB1 0x7E is one character whose second byte equals the default sign.
  TMacros tilde;
  tilde.SetMacroText("k", "v");
  std::string text = "\xB1\x7E~k~";
  EXPECT_TRUE(tilde.CheckStr(text));
  EXPECT_EQ(text, "\xB1\x7Ev");
}

TEST_F(MacrosTest, CheckStrReportsWhetherReferencesWereFound) {
  std::string plain = "no references";
  EXPECT_FALSE(Set.CheckStr(plain));
  std::string kept = "~~";
  EXPECT_TRUE(Set.CheckStr(kept));
}

TEST_F(MacrosTest, PrefixedNamesGoToParentOrDefault) {
  TMacros child;
  child.Parent = &Set;
  child.SetMacroText(".up", "1");
  EXPECT_EQ(Set.GetValue("up"), "1");
  EXPECT_EQ(child.GetMacroText(".up"), "1");
  child.SetMacroText("\\top", "2");
  EXPECT_EQ(DefaultMacros->GetValue("top"), "2");
  EXPECT_EQ(child.GetMacroText("\\top"), "2");
  // Without a parent the dotted name is an ordinary item of the set itself.
  DefaultMacros->SetMacroText(".x", "own");
  EXPECT_EQ(DefaultMacros->GetValue(".x"), "own");
  EXPECT_EQ(DefaultMacros->GetMacroText(".x"), "own");
}

TEST_F(MacrosTest, DefineUndefineJoin) {
  TStringList names, texts, lines;
  names.SetText("a\r\nb\r\nc");
  texts.SetText("1\r\n2");
  Set.Define(names, texts);
  EXPECT_EQ(Set.GetText(), "a=1\r\nb=2\r\n");
  Set.UndefineMacros("a;'x;y';b");
  EXPECT_EQ(Set.GetCount(), 0);
  lines.SetText(" path = /usr\r\nplain");
  Set.Join(lines);
  EXPECT_EQ(Set.GetMacroText("PATH"), " /usr");
  Set.Undefine(names);
  Set.SetMacroText("PATH", "");
  EXPECT_EQ(Set.GetCount(), 0);
}

TEST_F(MacrosTest, SelfReferenceStopsAtNestingLimit) {
  Set.SetMacroText("s", "x~s~");
  try {
    Expand("~s~");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, Utf8ToGbk("宏嵌套太深(超过100层)"));
  }
  // The depth is released after the error: a sound expansion works again.
  Set.SetMacroText("ok", "fine");
  EXPECT_EQ(Expand("~ok~"), "fine");
}

TEST_F(MacrosTest, ParentLoopStopsAtNestingLimit) {
  TMacros other;
  other.Parent = &Set;
  Set.Parent = &other;
  EXPECT_THROW(Set.GetMacroText("missing"), Exception);
}

TEST_F(MacrosTest, RegeneratedReferenceStopsAtSubstitutionLimit) {
  // Each round expands to "~p~" again at the same level, so only the count can stop it.
  Set.SetMacroText("p", "~~p~~");
  try {
    Expand("~p~");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, Utf8ToGbk("宏替换次数太多(超过100000次)"));
  }
}

// A macro that brings back its own reference with some text each time grows the text by that
// text per substitution. Expansion is linear in the text produced, so each limit is reached
// at once instead of after seconds or minutes of copying.
TEST_F(MacrosTest, SelfGrowingMacroStopsAtTheFirstLimitItCrosses) {
  struct TRow {
    int Padding;
    const char* Message;
  };
  const TRow rows[] = {
      {100, "宏替换次数太多(超过100000次)"},        // 10 MB when the count runs out
      {1000, "宏展开后的文本太长(超过67108864字节)"},  // 64 MB after 65 000 substitutions
  };
  for (const TRow& row : rows) {
    Set.SetMacroText("A", "~~A~~" + std::string(static_cast<size_t>(row.Padding), 'x'));
    try {
      Expand("~A~");
      ADD_FAILURE() << "no error with padding " << row.Padding;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, Utf8ToGbk(row.Message));
    }
  }
}

TEST_F(MacrosTest, DoublingMacrosStopBeforeExhaustingMemory) {
  Set.SetMacroText("m0", std::string(1 << 20, 'x'));
  for (int i = 1; i < 20; ++i)
    Set.SetMacroText("m" + std::to_string(i),
                     "~m" + std::to_string(i - 1) + "~~m" + std::to_string(i - 1) + "~");
  EXPECT_THROW(Expand("~m19~"), Exception);
}

TEST_F(MacrosTest, ShortTextAndBufferAndLines) {
  Set.SetMacroText("w", std::string(300, 'w'));
  std::string shortText = "\xB0\xA1~w~";
  EXPECT_TRUE(Set.CheckShortStr(shortText));
  EXPECT_EQ(shortText.size(), 255u);
  // Cut shorter rather than splitting the two-byte character at the end.
  std::string odd = "~w~";
  Set.SetMacroText("w", std::string(254, 'w') + "\xB0\xA1");
  Set.CheckShortStr(odd);
  EXPECT_EQ(odd, std::string(254, 'w'));

  Set.SetMacroText("a", "1");
  char* buffer = new char[6];
  std::memcpy(buffer, "<~a~>", 6);
  EXPECT_TRUE(Set.CheckText(buffer));
  EXPECT_STREQ(buffer, "<1>");
  delete[] buffer;
  char* none = nullptr;
  EXPECT_FALSE(Set.CheckText(none));

  TStringList lines;
  lines.SetText("~a~\r\nplain");
  EXPECT_TRUE(Set.CheckStrs(lines));
  EXPECT_EQ(lines.Text(), "1\r\nplain\r\n");
}

TEST_F(MacrosTest, PersistsNonDefaultFieldsOnly) {
  TMemoryStream plain;
  SaveObjectToTextStream(&Set, plain);
  EXPECT_EQ(plain.Data().find("Sign"), std::string::npos);
  EXPECT_EQ(plain.Data().find("Replace"), std::string::npos);

  Set.StartSign = '<';
  Set.EndSign = '>';
  Set.ExpSign = '=';
  Set.ParentEnable = false;
  Set.NullReplace = false;
  Set.SetMacroText("a", "1");
  std::unique_ptr<TObject> copy(CloneObject(&Set));
  auto* loaded = ObjectAs<TMacros>(copy.get());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->StartSign, '<');
  EXPECT_EQ(loaded->EndSign, '>');
  EXPECT_EQ(loaded->ExpSign, '=');
  EXPECT_FALSE(loaded->ParentEnable);
  EXPECT_FALSE(loaded->NullReplace);
  EXPECT_EQ(loaded->GetText(), "a=1\r\n");
}

TEST_F(MacrosTest, FreedParentIsForgottenAndHandleReleased) {
  auto parent = std::make_unique<TMacros>();
  parent->SetMacroText("a", "1");
  TMacros child;
  child.Parent = parent.get();
  EXPECT_EQ(child.GetMacroText("a"), "1");
  int32_t handle = HandleOf(parent.get(), hkMacros);
  EXPECT_EQ(MacrosOfHandle(handle), parent.get());
  parent.reset();
  EXPECT_EQ(child.Parent, nullptr);
  EXPECT_EQ(child.GetMacroText("a"), "");
  EXPECT_EQ(MacrosOfHandle(handle), DefaultMacros);
  EXPECT_EQ(MacrosOfHandle(0), DefaultMacros);
  EXPECT_EQ(MacrosOfHandle(HandleOf(&child, hkSound)), DefaultMacros);
}

TEST_F(MacrosTest, TransMacroExpTextAlwaysGivesATree) {
  DefaultMacros->SetMacroText("two", "2");
  auto tree = TransMacroExpText("1+~two~", nullptr);
  tree->Evaluate(-1);
  EXPECT_EQ(tree->DataType, etInteger);
  EXPECT_EQ(tree->GetInteger(), 3);
  auto failed = TransMacroExpText("1+", &Set);
  EXPECT_EQ(failed->DataType, etString);
  EXPECT_EQ(failed->GetString(), Utf8ToGbk("需要操作数 (1+[错])"));
  auto empty = TransMacroExpText("", &Set);
  EXPECT_EQ(empty->GetString(), "");
}

}  // namespace
