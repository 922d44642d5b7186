// Comparison, containment and logic: comparing by the left operand's type, short-circuit
// evaluation, Not and Odd, Like and LikeAny with its argument list.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "HandTree.h"
#include "functions/Comparison.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"

using namespace qnexp;
using namespace handtree;

namespace {

template <class T>
bool Compared(TNode (*left)(), TNode (*right)()) {
  auto node = Make<T>(left(), right());
  EXPECT_EQ(node->DataType, etBoolean);
  return Evaluated(*node).GetBoolean();
}

// A boolean constant that counts its evaluations.
TNode CountedBool(bool value, TCounted** counter) {
  return Counted(etBoolean, [value](TExpression& n) { n.PutBoolean(value); }, counter);
}

TNode CountedStr(const std::string& value, TCounted** counter) {
  return Counted(etString, [value](TExpression& n) { n.PutString(value); }, counter);
}

}  // namespace

// One row: the two operands and the results of = <> > >= < <= in that order.
struct TCompareRow {
  const char* Label;
  TNode (*Left)();
  TNode (*Right)();
  bool Results[6];
};

TEST(Comparison, AllSixOperatorsByLeftType) {
  const TCompareRow rows[] = {
      {"1 vs 1.0 as integers", [] { return Int(1); }, [] { return Real(1); },
       {true, false, false, true, false, true}},
      {"1 vs 1.4 rounds the right", [] { return Int(1); }, [] { return Real(1.4L); },
       {true, false, false, true, false, true}},
      {"1 vs 1.6 rounds the right", [] { return Int(1); }, [] { return Real(1.6L); },
       {false, true, false, false, true, true}},
      {"1.0 vs 1.4 as reals", [] { return Real(1); }, [] { return Real(1.4L); },
       {false, true, false, false, true, true}},
      {"reals 4E-20 apart", [] { return Real(1e-20L); }, [] { return Real(5e-20L); },
       {true, false, false, false, true, true}},
      {"reals 2E-19 apart", [] { return Real(1e-20L); }, [] { return Real(2.1e-19L); },
       {false, true, false, false, true, true}},
      {"'abc' vs 'ABC'", [] { return Str("abc"); }, [] { return Str("ABC"); },
       {false, true, true, true, false, false}},
      {"'b' vs 'a' chars", [] { return Chr('b'); }, [] { return Chr('a'); },
       {false, true, true, true, false, false}},
      {"'a' vs 97", [] { return Chr('a'); }, [] { return Int(97); },
       {true, false, false, true, false, true}},
      {"'ab' vs 'abc'", [] { return Str("ab"); }, [] { return Str("abc"); },
       {false, true, false, false, true, true}},
      {"GBK vs z unsigned", [] { return Str("\xB0\xA1"); }, [] { return Str("z"); },
       {false, true, true, true, false, false}},
      {"'10' vs 9 as texts", [] { return Str("10"); }, [] { return Int(9); },
       {false, true, false, false, true, true}},
      {"10 vs '9' as integers", [] { return Int(10); }, [] { return Str("9"); },
       {false, true, true, true, false, false}},
      {"0 vs 'abc' reads 0", [] { return Int(0); }, [] { return Str("abc"); },
       {true, false, false, true, false, true}},
      {"Yes vs No as words", [] { return Bool(true); }, [] { return Bool(false); },
       {false, true, true, true, false, false}},
      {"No vs 'No'", [] { return Bool(false); }, [] { return Str("No"); },
       {true, false, false, true, false, true}},
      {"dates", [] { return Date(45000.5); }, [] { return Date(45000.25); },
       {false, true, true, true, false, false}},
      {"date vs its day count", [] { return Date(45000); }, [] { return Int(45000); },
       {true, false, false, true, false, true}},
      {"'' vs ''", [] { return Str(""); }, [] { return Str(""); },
       {true, false, false, true, false, true}},
  };
  for (const TCompareRow& row : rows) {
    EXPECT_EQ(Compared<TExp_Equ>(row.Left, row.Right), row.Results[0]) << row.Label << " =";
    EXPECT_EQ(Compared<TExp_NotEqu>(row.Left, row.Right), row.Results[1]) << row.Label << " <>";
    EXPECT_EQ(Compared<TExp_Great>(row.Left, row.Right), row.Results[2]) << row.Label << " >";
    EXPECT_EQ(Compared<TExp_GorE>(row.Left, row.Right), row.Results[3]) << row.Label << " >=";
    EXPECT_EQ(Compared<TExp_Less>(row.Left, row.Right), row.Results[4]) << row.Label << " <";
    EXPECT_EQ(Compared<TExp_LorE>(row.Left, row.Right), row.Results[5]) << row.Label << " <=";
  }
}

TEST(Comparison, AnyOperandComparesByItsResolvedType) {
  TNode variable = Any();
  TExpression* slot = variable.get();
  auto equal = Make<TExp_Equ>(std::move(variable), Str("1.0"));
  slot->DataType = etReal;
  slot->PutReal(1);
  EXPECT_TRUE(Evaluated(*equal).GetBoolean());  // compared as reals, not as texts
  slot->DataType = etString;
  slot->PutString("1");
  EXPECT_FALSE(Evaluated(*equal).GetBoolean());
}

TEST(Containment, TextOfLeftInTextOfRight) {
  struct TRow {
    const char* Label;
    TNode (*Left)();
    TNode (*Right)();
    bool Result;
  };
  const TRow rows[] = {
      {"'bc' $ 'abcd'", [] { return Str("bc"); }, [] { return Str("abcd"); }, true},
      {"'' $ 'abcd'", [] { return Str(""); }, [] { return Str("abcd"); }, false},
      {"'BC' $ 'abcd'", [] { return Str("BC"); }, [] { return Str("abcd"); }, false},
      {"'abcde' $ 'abcd'", [] { return Str("abcde"); }, [] { return Str("abcd"); }, false},
      {"3 $ '1234'", [] { return Int(3); }, [] { return Str("1234"); }, true},
      {"'a' $ 'abc' char", [] { return Chr('a'); }, [] { return Str("abc"); }, true},
      {"trail byte is no match", [] { return Str("A"); }, [] { return Str("\xB0\x41"); }, false},
      {"after the character", [] { return Str("A"); }, [] { return Str("\xB0\x41" "A"); }, true},
      {"whole character", [] { return Str("\xB0\x41"); }, [] { return Str("x\xB0\x41"); }, true},
  };
  for (const TRow& row : rows) {
    auto node = Make<TExp_In>(row.Left(), row.Right());
    EXPECT_EQ(node->DataType, etBoolean) << row.Label;
    EXPECT_EQ(Evaluated(*node).GetBoolean(), row.Result) << row.Label;
  }
}

TEST(Logic, ShortCircuitOnBooleans) {
  struct TRow {
    const char* Label;
    bool IsAnd;
    bool Left;
    bool Right;
    bool Result;
    int RightEvaluations;
  };
  const TRow rows[] = {
      {"No & x", true, false, true, false, 0},  {"Yes & Yes", true, true, true, true, 1},
      {"Yes & No", true, true, false, false, 1}, {"Yes | x", false, true, false, true, 0},
      {"No | Yes", false, false, true, true, 1}, {"No | No", false, false, false, false, 1},
  };
  for (const TRow& row : rows) {
    TCounted* right = nullptr;
    TCounted* left = nullptr;
    TNode node = row.IsAnd
                     ? TNode(Make<TExp_And>(CountedBool(row.Left, &left), CountedBool(row.Right, &right)))
                     : TNode(Make<TExp_Or>(CountedBool(row.Left, &left), CountedBool(row.Right, &right)));
    EXPECT_EQ(node->DataType, etBoolean) << row.Label;
    EXPECT_EQ(Evaluated(*node).GetBoolean(), row.Result) << row.Label;
    EXPECT_EQ(left->Evaluations, 1) << row.Label;
    EXPECT_EQ(right->Evaluations, row.RightEvaluations) << row.Label;
  }
}

TEST(Logic, BitwiseOnEverythingElse) {
  const TValueRow rows[] = {
      {"6 & 3", [] { return Make<TExp_And>(Int(6), Int(3)); }, etInteger, "2"},
      {"6 | 3", [] { return Make<TExp_Or>(Int(6), Int(3)); }, etInteger, "7"},
      {"-1 & 255", [] { return Make<TExp_And>(Int(-1), Int(255)); }, etInteger, "255"},
      {"6.4 | 1", [] { return Make<TExp_Or>(Real(6.4L), Int(1)); }, etReal, "7"},
      {"'12' & 10", [] { return Make<TExp_And>(Str("12"), Int(10)); }, etString, "8"},
      {"0 & No", [] { return Make<TExp_And>(Int(0), Bool(false)); }, etInteger, "0"},
  };
  ExpectValues(rows);
}

TEST(Logic, NonBooleanEvaluatesBothAndAnyTakesTheLeftType) {
  TCounted* right = nullptr;
  TNode variable = Any();
  TExpression* slot = variable.get();
  auto node = Make<TExp_And>(std::move(variable),
                             Counted(etInteger, [](TExpression& n) { n.PutInteger(3); }, &right));
  ASSERT_EQ(node->DataType, etAny);
  slot->DataType = etBoolean;
  slot->PutBoolean(false);
  EXPECT_FALSE(Evaluated(*node).GetBoolean());
  EXPECT_EQ(node->DataType, etBoolean);
  EXPECT_EQ(right->Evaluations, 0);

  TCounted* other = nullptr;
  auto bits = Make<TExp_Or>(Int(0), Counted(etInteger, [](TExpression& n) { n.PutInteger(0); }, &other));
  Evaluated(*bits);
  EXPECT_EQ(other->Evaluations, 1);
}

TEST(Logic, StampSkipsARepeatedPass) {
  TCounted* right = nullptr;
  auto node = Make<TExp_Or>(Bool(false), CountedBool(true, &right));
  node->Evaluate(5);
  node->Evaluate(5);
  EXPECT_EQ(right->Evaluations, 1);
  node->Evaluate(6);
  node->Evaluate(kForceStamp);
  node->Evaluate(kForceStamp);
  EXPECT_EQ(right->Evaluations, 4);
}

TEST(Logic, NotAndOdd) {
  const TValueRow rows[] = {
      {"Not(Yes)", [] { return Make<TExp_Not>(Bool(true)); }, etBoolean, "No"},
      {"Not(No)", [] { return Make<TExp_Not>(Bool(false)); }, etBoolean, "Yes"},
      {"Not(0)", [] { return Make<TExp_Not>(Int(0)); }, etInteger, "-1"},
      {"Not(5)", [] { return Make<TExp_Not>(Int(5)); }, etInteger, "-6"},
      {"Not(2.6)", [] { return Make<TExp_Not>(Real(2.6L)); }, etReal, "-4"},
      {"Odd(-3)", [] { return Make<TExp_Odd>(Int(-3)); }, etBoolean, "Yes"},
      {"Odd(4)", [] { return Make<TExp_Odd>(Int(4)); }, etBoolean, "No"},
      {"Odd(2.6)", [] { return Make<TExp_Odd>(Real(2.6L)); }, etBoolean, "Yes"},
      {"Odd('7')", [] { return Make<TExp_Odd>(Str("7")); }, etBoolean, "Yes"},
      {"Odd('x')", [] { return Make<TExp_Odd>(Str("x")); }, etBoolean, "No"},
  };
  ExpectValues(rows);
}

TEST(Patterns, LikeAndLikeAny) {
  struct TRow {
    const char* Label;
    std::function<TNode()> Build;
    bool Result;
  };
  const TRow rows[] = {
      {"Like('ABC','a*')", [] { return Make<TExp_Like>(Str("ABC"), Str("a*")); }, false},
      {"Like('ABC','a*',No)", [] { return Make<TExp_Like>(Str("ABC"), Str("a*"), Bool(false)); },
       true},
      {"Like('ABC','A?C',Yes)", [] { return Make<TExp_Like>(Str("ABC"), Str("A?C"), Bool(true)); },
       true},
      {"Like(123,'1*3')", [] { return Make<TExp_Like>(Int(123), Str("1*3")); }, true},
      {"Like('','')", [] { return Make<TExp_Like>(Str(""), Str("")); }, true},
      {"LikeAny('abc','x*','a?c')",
       [] { return Make<TExp_LikeAny>(Str("abc"), Str("x*"), Str("a?c")); }, true},
      {"LikeAny('abc','A*',No)",
       [] { return Make<TExp_LikeAny>(Str("abc"), Str("A*"), Bool(false)); }, true},
      {"LikeAny('abc','A*')", [] { return Make<TExp_LikeAny>(Str("abc"), Str("A*")); }, false},
      {"LikeAny('abc','A*',Yes)",
       [] { return Make<TExp_LikeAny>(Str("abc"), Str("A*"), Bool(true)); }, false},
      {"LikeAny('abc',No) has no pattern",
       [] { return Make<TExp_LikeAny>(Str("abc"), Bool(false)); }, false},
      {"LikeAny('No',No) switch is no pattern",
       [] { return Make<TExp_LikeAny>(Str("No"), Bool(false)); }, false},
      {"LikeAny('abc','x','y','z','q','*c')",
       [] {
         return Make<TExp_LikeAny>(Str("abc"), Str("x"), Str("y"), Str("z"), Str("q"), Str("*c"));
       },
       true},
      {"LikeAny('ABC','x','a*',No)",
       [] { return Make<TExp_LikeAny>(Str("ABC"), Str("x"), Str("a*"), Bool(false)); }, true},
  };
  for (const TRow& row : rows) {
    TNode node = row.Build();
    EXPECT_EQ(node->DataType, etBoolean) << row.Label;
    EXPECT_EQ(Evaluated(*node).GetBoolean(), row.Result) << row.Label;
  }
}

TEST(Patterns, LikeAnyStopsAtTheFirstMatchAndEvaluatesEachArgumentOnce) {
  TCounted* first = nullptr;
  TCounted* second = nullptr;
  TCounted* third = nullptr;
  auto node = Make<TExp_LikeAny>(Str("abc"), CountedStr("x*", &first), CountedStr("a*", &second),
                                 CountedStr("zz", &third));
  EXPECT_TRUE(Evaluated(*node).GetBoolean());
  EXPECT_EQ(first->Evaluations, 1);
  EXPECT_EQ(second->Evaluations, 1);
  // The last argument is always looked at first, to see whether it is the switch.
  EXPECT_EQ(third->Evaluations, 1);

  TCounted* only = nullptr;
  auto single = Make<TExp_LikeAny>(Str("abc"), CountedStr("q*", &only));
  EXPECT_FALSE(Evaluated(*single).GetBoolean());
  EXPECT_EQ(only->Evaluations, 1);
}

TEST(Patterns, LikeAnyHoldsItsArgumentsInAList) {
  TExp_LikeAny node;
  EXPECT_EQ(node.FixedParamCount(), 2);
  EXPECT_EQ(node.OptionalParamCount(), 9999);
  EXPECT_EQ(node.GetSubExpCount(), 0);
  EXPECT_FALSE(node.SetSubExp(1, nullptr));

  for (int i = 0; i < 12; ++i) ASSERT_TRUE(node.SetSubExp(i, Str(std::to_string(i)).release()));
  EXPECT_EQ(node.GetSubExpCount(), 12);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(node.GetSubExp(i)->GetString(), std::to_string(i));
  EXPECT_EQ(node.GetSubExp(12), nullptr);
  EXPECT_EQ(node.GetSubExp(-1), nullptr);

  // A gap below a later argument is kept as an empty position.
  node.PutSubExp(20, Str("*").release());
  EXPECT_EQ(node.GetSubExpCount(), 21);
  EXPECT_EQ(node.GetSubExp(15), nullptr);
  EXPECT_EQ(node.GetSubExp(20)->GetString(), "*");
  EXPECT_TRUE(Evaluated(node).GetBoolean());

  // Beyond the capacity nothing is stored.
  TNode stray = Str("never");
  node.PutSubExp(node.ParamCapacity(), stray.get());
  EXPECT_EQ(node.GetSubExpCount(), 21);

  // Taking the last argument out shortens the list past the gap.
  std::unique_ptr<TExpression> last(node.GetSubExp(20));
  node.PutSubExp(20, nullptr);
  EXPECT_EQ(node.GetSubExpCount(), 12);
}

TEST(Patterns, LikeAnyCopyIsDeep) {
  auto source = Make<TExp_LikeAny>(Str("abc"), Str("x*"), Str("A*"), Bool(false));
  source->PutSubExp(6, Str("q").release());
  std::unique_ptr<TExpression> copy(source->CopySelf());
  ASSERT_EQ(copy->GetSubExpCount(), 7);
  for (int i = 0; i < 7; ++i) {
    if (!source->GetSubExp(i)) {
      EXPECT_EQ(copy->GetSubExp(i), nullptr) << i;
      continue;
    }
    ASSERT_NE(copy->GetSubExp(i), nullptr) << i;
    EXPECT_NE(copy->GetSubExp(i), source->GetSubExp(i)) << i;
    EXPECT_EQ(copy->GetSubExp(i)->GetString(), source->GetSubExp(i)->GetString()) << i;
  }
  source.reset();
  // The last argument is now the text q, so A* is matched case-sensitively.
  EXPECT_FALSE(Evaluated(*copy).GetBoolean());
  std::unique_ptr<TExpression> taken(copy->GetSubExp(6));
  copy->PutSubExp(6, nullptr);
  EXPECT_TRUE(Evaluated(*copy).GetBoolean());
}

TEST(ComparisonStructure, TypesCountsAndConstancy) {
  EXPECT_EQ(Make<TExp_And>(Int(1), Bool(true))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_Or>(Str("1"), Int(1))->DataType, etString);
  EXPECT_EQ(Make<TExp_Not>(Real(1))->DataType, etReal);
  EXPECT_EQ(Make<TExp_Like>(Int(1), Int(1))->DataType, etBoolean);
  EXPECT_EQ(TExp_Like().OptionalParamCount(), 1);
  EXPECT_EQ(TExp_Not().FixedParamCount(), 1);
  EXPECT_EQ(TExp_Odd().FixedParamCount(), 1);

  EXPECT_TRUE(Make<TExp_Equ>(Int(1), Int(2))->IsConst());
  EXPECT_TRUE(Make<TExp_And>(Bool(true), Make<TExp_Less>(Int(1), Int(2)))->IsConst());
  EXPECT_FALSE(Make<TExp_Not>(Bool(true))->IsConst());
  EXPECT_FALSE(Make<TExp_Odd>(Int(1))->IsConst());
  EXPECT_FALSE(Make<TExp_Like>(Str("a"), Str("a"))->IsConst());
  EXPECT_FALSE(Make<TExp_LikeAny>(Str("a"), Str("a"))->IsConst());
  EXPECT_FALSE(Make<TExp_Equ>(Int(1), Make<TExp_Odd>(Int(1)))->IsConst());

  TExp_Like like;
  like.PutSubExp(1, Str("*").release());
  EXPECT_EQ(like.GetSubExpCount(), 2);
}

TEST(ComparisonStructure, MissingOperandIsAnEvaluationError) {
  TExp_Great greater;
  greater.PutSubExp(1, Int(1).release());
  try {
    greater.Evaluate(kForceStamp);
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message, Utf8ToGbk("表达式(TExp_Great)计算错误：参数不够"));
  }
  TExp_And both;
  both.DataType = etBoolean;
  both.PutSubExp(0, Bool(true).release());
  EXPECT_THROW(both.Evaluate(kForceStamp), Exception);
  // A right operand that is never needed is never looked for.
  TExp_Or either;
  either.DataType = etBoolean;
  either.PutSubExp(0, Bool(true).release());
  EXPECT_TRUE(Evaluated(either).GetBoolean());
  TExp_LikeAny patterns;
  EXPECT_THROW(patterns.Evaluate(kForceStamp), Exception);
}

TEST(ComparisonRegistration, Tables) {
  int operators = 0;
  for (const TClassInfo* cls : ComparisonClasses()) {
    ASSERT_NE(cls->Create, nullptr);
    std::unique_ptr<TObject> made(cls->Create());
    EXPECT_EQ(made->ClassName(), cls->Name);
    EXPECT_TRUE(made->InheritsFrom(TExpression::StaticClass()));
    if (!made->InheritsFrom(TFunction::StaticClass())) ++operators;
  }
  EXPECT_EQ(operators, 10);  // = <> > >= < <= $ & | and their shared base
}
