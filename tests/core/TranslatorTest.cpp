// The translator: literals, operators by binding level, folding, calls, comments, the include
// directive, statuses with their positions and messages, and the nesting limits.
#include <gtest/gtest.h>

#include <string>

#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "functions/Arithmetic.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"

using namespace qnexp;

namespace {

struct TOutcome {
  int Status;
  int Position;
  std::string Type;
  std::string Text;
};

// Translates a UTF-8 text and evaluates it with the forcing stamp.
TOutcome RunText(const std::string& utf8) {
  std::unique_ptr<TExpression> root = TranslateExp(Utf8ToGbk(utf8));
  TOutcome outcome{ExpTranslator->Status, ExpTranslator->GetPosition(), "", ""};
  if (root) {
    ExpEvaluate(*root, kForceStamp);
    outcome.Type = ExpDataTypeName(root->DataType);
    outcome.Text = GbkToUtf8(root->GetString());
  }
  return outcome;
}

struct TValueRow {
  const char* Text;
  const char* Type;
  const char* Result;
};

// Each row's text translates without error and evaluates to the row's type and text.
template <size_t N>
void ExpectValues(const TValueRow (&rows)[N]) {
  for (const TValueRow& row : rows) {
    SCOPED_TRACE(row.Text);
    TOutcome outcome = RunText(row.Text);
    EXPECT_EQ(outcome.Status, tsOk);
    EXPECT_EQ(outcome.Type, row.Type);
    EXPECT_EQ(outcome.Text, row.Result);
  }
}

}  // namespace

TEST(Translator, LiteralsAndOperatorsEvaluate) {
  const TValueRow rows[] = {
      {"1+2*3", "etInteger", "7"},
      {"(1+2)*3", "etInteger", "9"},
      {"2^3^2", "etReal", "64"},
      {"10-4-3", "etInteger", "3"},
      {"7 : '%5d'", "etInteger", "    7"},
      {"'It''s'", "etString", "It's"},
      {"'a'", "etChar", "a"},
      {"#65#66", "etString", "AB"},
      {"'abc", "etString", "abc"},
      {"\"x\"\"y\"", "etString", "x\"y"},
      {"^M = #13", "etBoolean", "Yes"},
      {"$1F", "etInteger", "31"},
      {"0x1F", "etInteger", "31"},
      {"1.5", "etReal", "1.5"},
      {"1E3", "etReal", "1000"},
      {"1e3", "etReal", "1000"},
      {"-5", "etInteger", "-5"},
      {"2*-3", "etInteger", "-6"},
      {"1 AND 0", "etInteger", "0"},
      {"1 and 0", "etInteger", "0"},
      {"6 | 3", "etInteger", "7"},
      {"6 or 3", "etInteger", "7"},
      {"1 + {a {nested} comment} 2", "etInteger", "3"},
      {"1 + // rest of line\n2", "etInteger", "3"},
      {"1 + {'}'} 2", "etInteger", "3"},
      {"{$I '1'+'2'} * 2", "etInteger", "24"},
      {"'ab' + 1", "etString", "ab1"},
      {"1 < 2 & 2 < 3", "etBoolean", "Yes"},
      {"'bc' $ 'abcd'", "etBoolean", "Yes"},
      {"7/2", "etInteger", "3"},
      {"1.0/0", "etReal", "0"},
      {"Neg(5)", "etInteger", "-5"},
      {"Abs(-2.5)", "etReal", "2.5"},
      {"RealDiv(7, 2)", "etReal", "3.5"},
      {"Min(3, 5) + Max(3, 5)", "etInteger", "8"},
      {"YES", "etBoolean", "Yes"},
      {"no", "etBoolean", "No"},
      {"中文名", "etString", "中文名"},
  };
  ExpectValues(rows);
}

// Characters whose second byte is a brace, and extension-area characters (first byte
// 0x81..0xA0), are whole characters for the comment and directive skipping and in names.
TEST(Translator, TwoByteCharactersAreNeverSyntax) {
  const TValueRow rows[] = {
      {"1 + {皚} 2", "etInteger", "3"},             // B0 7D: the second byte is "}"
      {"1 + {亄} 2", "etInteger", "3"},             // 81 7B: the second byte is "{"
      {"1 + {a {亇} 皚} 2", "etInteger", "3"},      // nested, 81 7D
      {"{$I '1'} + {皚} 2", "etInteger", "3"},      // skipped while directives are spliced in
      {"{$I '竰'} + 'x'", "etString", "竰x"},       // B8 7B inside the directive
      {"1 + // 皚\n2", "etInteger", "3"},
      {"Upper('乤們這丂')", "etString", "乤們這丂"},
      {"Lower('丄')", "etString", "丄"},
  };
  ExpectValues(rows);
}

TEST(Translator, ExtensionAreaCharactersFormNames) {
  const TValueRow rows[] = {
      {"丂 := 5", "etInteger", "5"},
      {"丂 * 2", "etInteger", "10"},
      {"乤們 := 'ab'", "etString", "ab"},
      {"乤們 + 丂", "etString", "ab5"},
      {"這 := 丂 + 1", "etInteger", "6"},
  };
  ExpectValues(rows);
  for (const char* name : {"丂", "乤們", "這"}) PubVarList->SetVarExp(Utf8ToGbk(name), nullptr);
}

struct TStatusRow {
  const char* Text;
  int Status;
  int Position;
};

TEST(Translator, FailuresReportStatusAndPosition) {
  const TStatusRow rows[] = {
      {"a+", tsOperandNeeded, 3},
      {"(1", tsBracketMismatch, 1},
      {"1)", tsBadOperator, 2},
      {"1 , 2", tsBadOperator, 3},
      {"   ", tsOperandNeeded, 4},
      {"1+*2", tsBadOperand, 3},
      {"1 ANDx", tsBadOperator, 3},
      {"#", tsBadOperator, 1},
      {"'a' ^", tsOperandNeeded, 6},
      {"NoSuchFunction(1)", tsBadFunctionName, 1},
      {"- 5", tsBracketNeeded, 1},
      {"!5", tsBracketNeeded, 1},
      {"Mod(1)", tsTooFewParameters, 7},
      {"Mod(1, 2, 3)", tsBracketNeeded, 10},
      {"Neg('a')", tsTypeMismatch, 8},
      {"'a' - 1", tsTypeMismatch, 8},
      {"Neg(1 2)", tsBadOperator, 7},
      {"Neg(", tsBracketMismatch, 4},
      {"x(", tsBracketMismatch, 2},
      {"1.5e3", tsBadOperator, 4},
  };
  for (const TStatusRow& row : rows) {
    SCOPED_TRACE(row.Text);
    TOutcome outcome = RunText(row.Text);
    EXPECT_EQ(outcome.Status, row.Status);
    EXPECT_EQ(outcome.Position, row.Position);
    EXPECT_EQ(outcome.Type, "");
  }
}

// The symbols where one starts another, numbers that stop short, and both at the end of the
// text, where the scanner must not read past it.
TEST(Translator, SymbolsAndNumbersAreReadWhole) {
  const TValueRow values[] = {
      {"1<>2", "etBoolean", "Yes"},  {"1<=1", "etBoolean", "Yes"}, {"1<1", "etBoolean", "No"},
      {"2>=3", "etBoolean", "No"},   {"3>2", "etBoolean", "Yes"},  {"(1<>1)", "etBoolean", "No"},
      {"1 < 2", "etBoolean", "Yes"}, {"+1", "etInteger", "1"},     {"-$10", "etInteger", "-16"},
      {"1e-2*100", "etReal", "1"},   {"1 {", "etInteger", "1"},    {"1 //", "etInteger", "1"},
  };
  ExpectValues(values);
  const TStatusRow statuses[] = {
      {"1<", tsOperandNeeded, 3},  {"1<>", tsOperandNeeded, 4}, {"1>=", tsOperandNeeded, 4},
      {"1:", tsOperandNeeded, 3},  {"1 =< 2", tsBadOperand, 4}, {"1.", tsBadOperator, 2},
      {"1e", tsBadOperator, 2},    {"1.x", tsBadOperator, 2},   {"$", tsBracketNeeded, 1},
      {"1 ~ 2", tsBadOperator, 3}, {"2.5e1", tsBadOperator, 4}, {"0x", tsBadOperator, 2},
  };
  for (const TStatusRow& row : statuses) {
    SCOPED_TRACE(row.Text);
    TOutcome outcome = RunText(row.Text);
    EXPECT_EQ(outcome.Status, row.Status);
    EXPECT_EQ(outcome.Position, row.Position);
  }
}

TEST(Translator, EmptyTextGivesNothingWithSuccess) {
  EXPECT_EQ(TranslateExp(""), nullptr);
  EXPECT_EQ(ExpTranslator->Status, tsOk);
}

TEST(Translator, ErrorMsgMarksThePlace) {
  EXPECT_EQ(TranslateExp("1+*2"), nullptr);
  EXPECT_EQ(GbkToUtf8(ExpTranslator->ErrorMsg()), "无效操作数 (1+[错]*2)");
  EXPECT_EQ(TranslateExp("1+"), nullptr);
  EXPECT_EQ(GbkToUtf8(ExpTranslator->ErrorMsg()), "需要操作数 (1+[错])");
  EXPECT_EQ(GbkToUtf8(ExpTranslator->StatusMsg()), "需要操作数");
  ExpTranslator->Status = 0;
  EXPECT_EQ(GbkToUtf8(ExpTranslator->StatusMsg()), "编译完成");
  ExpTranslator->Status = 77;
  EXPECT_EQ(ExpTranslator->StatusMsg(), "");
}

TEST(Translator, StatusMessagesAreTheTwelveTexts) {
  const char* messages[] = {"编译完成", "变量没定义", "无效函数名", "引号不匹配",
                            "括号不匹配", "无效操作数", "无效操作符", "无效参数",
                            "类型不匹配", "需要操作数", "需要括号", "参数不够"};
  for (int status = 0; status < 12; ++status) {
    ExpTranslator->Status = static_cast<uint8_t>(status);
    EXPECT_EQ(GbkToUtf8(ExpTranslator->StatusMsg()), messages[status]);
  }
  ExpTranslator->Status = 0;
}

TEST(Translator, FoldsOperatorsOverConstantsButNotCalls) {
  auto folded = TranslateExp("1+2*3");
  ASSERT_TRUE(folded);
  EXPECT_EQ(&folded->ClassType(), &TExpression::StaticClass());
  auto call = TranslateExp("Neg(1)");
  ASSERT_TRUE(call);
  EXPECT_EQ(call->ClassName(), "TExp_Neg");
}

TEST(Translator, AssignmentKeepsItsOperandTree) {
  auto assign = TranslateExp("x := 1 + 2");
  ASSERT_TRUE(assign);
  EXPECT_EQ(assign->ClassName(), "TExp_VarAssign");
  ASSERT_TRUE(assign->GetSubExp(0));
  EXPECT_EQ(assign->GetSubExp(0)->GetString(), "x");
  EXPECT_EQ(assign->GetSubExp(1)->ClassName(), "TExp_Add");

  auto grouped = TranslateExp("x := (1 + 2)");
  ASSERT_TRUE(grouped);
  EXPECT_EQ(&grouped->GetSubExp(1)->ClassType(), &TExpression::StaticClass());
  EXPECT_EQ(grouped->GetSubExp(1)->GetInteger(), 3);
}

TEST(Translator, OperatorsOfEqualLevelCombineLeftToRight) {
  auto tree = TranslateExp("a - b - c");
  ASSERT_TRUE(tree);
  // ((a - b) - c): the right operand of the root is the reference to c.
  EXPECT_EQ(tree->ClassName(), "TExp_Sub");
  EXPECT_EQ(tree->GetSubExp(0)->ClassName(), "TExp_Sub");
  EXPECT_EQ(tree->GetSubExp(1)->GetSubExp(0)->GetString(), "c");

  auto mixed = TranslateExp("a + b * c - d");
  ASSERT_TRUE(mixed);
  EXPECT_EQ(mixed->ClassName(), "TExp_Sub");
  EXPECT_EQ(mixed->GetSubExp(0)->ClassName(), "TExp_Add");
  EXPECT_EQ(mixed->GetSubExp(0)->GetSubExp(1)->ClassName(), "TExp_Mul");
}

TEST(Translator, IntegerLiteralBeyond32BitsRaises) {
  try {
    TranslateExp("2147483648");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'2147483648' is not a valid integer value");
  }
  EXPECT_EQ(RunText("2147483647").Text, "2147483647");
}

TEST(Translator, DeepNestingIsRefusedWithAnError) {
  std::string brackets(100000, '(');
  brackets += "1";
  brackets += std::string(100000, ')');
  EXPECT_THROW(TranslateExp(brackets), Exception);
  std::string chain = "a";
  for (int i = 0; i < kMaxTreeDepth + 5; ++i) chain += "+a";
  EXPECT_THROW(TranslateExp(chain), Exception);
  std::string calls;
  for (int i = 0; i < 5000; ++i) calls += "Neg(";
  calls += "1" + std::string(5000, ')');
  EXPECT_THROW(TranslateExp(calls), Exception);
  // Within the limits the same shapes translate.
  EXPECT_EQ(RunText(std::string(200, '(') + "1" + std::string(200, ')')).Text, "1");
}

TEST(Translator, IncludeDirectiveErrorsBecomeText) {
  auto tree = TranslateExp(Utf8ToGbk("'{$I 1+}'"));
  ASSERT_TRUE(tree);
  EXPECT_EQ(tree->GetString(), "{$I 1+}");
  TOutcome outcome = RunText("{$I 1+} + 'x'");
  // The directive's own failure is spliced in as its message text.
  EXPECT_NE(outcome.Status, tsOk);
}
