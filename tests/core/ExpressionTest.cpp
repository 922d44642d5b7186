// The expression node: conversions between every value type, formats, the evaluation
// protocol, copying and property enumeration.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/Expression.h"
#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/Variant.h"

using namespace qnexp;

namespace {

using TNode = std::unique_ptr<TExpression>;

TNode Node(TExpDataType type) {
  TNode node(new TExpression);
  node->DataType = type;
  return node;
}

TNode IntNode(int32_t v) { auto n = Node(etInteger); n->PutInteger(v); return n; }
TNode RealNode(long double v) { auto n = Node(etReal); n->PutReal(v); return n; }
TNode BoolNode(bool v) { auto n = Node(etBoolean); n->PutBoolean(v); return n; }
TNode CharNode(char v) { auto n = Node(etChar); n->PutChar(v); return n; }
TNode StrNode(const std::string& v) { auto n = Node(etString); n->PutString(v); return n; }
TNode DateNode(double v) { auto n = Node(etDateTime); n->PutDateTime(v); return n; }
TNode Int64Node(int64_t v) { auto n = Node(etInt64); n->PutInt64(v); return n; }

double March5th() { return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0); }

// A node that counts its calculations.
class TCounting : public TExpression {
  QN_CLASS(TCounting, TExpression)
public:
  void Calculate() override { ++Calculations; }
  int Calculations = 0;
};

}  // namespace

TEST(ExpressionNode, FreshNodeIsIntegerZero) {
  TExpression node;
  EXPECT_EQ(node.DataType, etInteger);
  EXPECT_EQ(node.SyncFlag, 2147483647);
  EXPECT_EQ(node.GetString(), "0");
  EXPECT_EQ(node.GetSubExpCount(), 0);
  EXPECT_EQ(node.GetFormatExp(), nullptr);
}

struct TReadingRow {
  const char* Label;
  TNode (*Make)();
  int32_t Integer;
  int64_t Int64;
  long double Real;
  bool Boolean;
  char Char;
  const char* Text;
};

TEST(ExpressionReading, EveryTypeThroughEveryAccessor) {
  const TReadingRow rows[] = {
      {"int 65", [] { return IntNode(65); }, 65, 65, 65, true, 'A', "65"},
      {"int -1", [] { return IntNode(-1); }, -1, -1, -1, false, '\xFF', "-1"},
      {"int 0", [] { return IntNode(0); }, 0, 0, 0, false, '\0', "0"},
      {"real 2.5", [] { return RealNode(2.5); }, 2, 2, 2.5, true, '\x02', "2.5"},
      {"real 3.5", [] { return RealNode(3.5); }, 4, 4, 3.5, true, '\x03', "3.5"},
      {"real -0.5", [] { return RealNode(-0.5); }, 0, 0, -0.5, false, '\0', "-0.5"},
      {"real 0.1", [] { return RealNode(0.1L); }, 0, 0, 0.1L, true, '\0', "0.1"},
      {"real 321.7", [] { return RealNode(321.7L); }, 322, 322, 321.7L, true, 'A', "321.7"},
      {"real 5e9", [] { return RealNode(5e9L); }, 705032704, 5000000000LL, 5e9L, true, '\0',
       "5000000000"},
      {"bool true", [] { return BoolNode(true); }, 1, 1, 1, true, 'Y', "Yes"},
      {"bool false", [] { return BoolNode(false); }, 0, 0, 0, false, 'N', "No"},
      {"char y", [] { return CharNode('y'); }, 121, 121, 121, true, 'y', "y"},
      {"char x", [] { return CharNode('x'); }, 120, 120, 120, false, 'x', "x"},
      {"text abc", [] { return StrNode("abc"); }, 0, 0, 0, false, 'a', "abc"},
      {"text 12", [] { return StrNode("12"); }, 12, 12, 12, false, '1', "12"},
      {"text -$1F", [] { return StrNode("-$1F"); }, -31, -31, 0, false, '-', "-$1F"},
      {"text 1.25", [] { return StrNode("1.25"); }, 0, 0, 1.25, false, '1', "1.25"},
      {"text yes", [] { return StrNode("yes"); }, 0, 0, 0, true, 'y', "yes"},
      {"text empty", [] { return StrNode(""); }, 0, 0, 0, false, '\0', ""},
      {"date", [] { return DateNode(March5th()); }, 45357, 45357,
       static_cast<long double>(March5th()), true, '2', "2024.03.05 14:07:09"},
      {"any", [] { return Node(etAny); }, 0, 0, 0, false, '\0', ""},
      {"int64", [] { return Int64Node(5000000000LL); }, 705032704, 5000000000LL, 5e9L, true, '5',
       "5000000000"},
      {"int64 -7", [] { return Int64Node(-7); }, -7, -7, -7, false, '-', "-7"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Label);
    TNode node = row.Make();
    EXPECT_EQ(node->GetInteger(), row.Integer);
    EXPECT_EQ(node->GetInt64(), row.Int64);
    EXPECT_EQ(node->GetReal(), row.Real);
    EXPECT_EQ(node->GetBoolean(), row.Boolean);
    EXPECT_EQ(node->GetChar(), row.Char);
    EXPECT_EQ(node->GetString(), row.Text);
  }
}

TEST(ExpressionReading, DateTimeFromEveryType) {
  EXPECT_EQ(IntNode(2)->GetDateTime(), 2.0);
  EXPECT_EQ(RealNode(1.5)->GetDateTime(), 1.5);
  EXPECT_EQ(DateNode(March5th())->GetDateTime(), March5th());
  EXPECT_EQ(StrNode("2024.3.5")->GetDateTime(), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrNode("2024.3.5 14:07:09")->GetDateTime(), March5th());
  EXPECT_DOUBLE_EQ(StrNode("14:07")->GetDateTime(), EncodeTime(14, 7, 0, 0));
  try {
    StrNode("abc")->GetDateTime();
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'abc' is not a valid time");
  }
  EXPECT_THROW(BoolNode(true)->GetDateTime(), EConvertError);
}

TEST(ExpressionReading, IntegerReadersSwallowEveryError) {
  EXPECT_EQ(StrNode("99999999999")->GetInteger(), 0);
  EXPECT_EQ(RealNode(1e30L)->GetInteger(), 0);
  EXPECT_EQ(RealNode(1e30L)->GetInt64(), 0);
  EXPECT_EQ(StrNode("1x")->GetInt64(), 0);
}

struct TWritingRow {
  const char* Label;
  TExpDataType Type;
  void (*Put)(TExpression&);
  const char* Text;
};

TEST(ExpressionWriting, EveryPutIntoEveryType) {
  const TWritingRow rows[] = {
      {"int <- int", etInteger, [](TExpression& n) { n.PutInteger(-5); }, "-5"},
      {"int <- int64", etInteger, [](TExpression& n) { n.PutInt64(0x100000007LL); }, "7"},
      {"int <- real", etInteger, [](TExpression& n) { n.PutReal(2.5); }, "2"},
      {"int <- bool", etInteger, [](TExpression& n) { n.PutBoolean(true); }, "1"},
      {"int <- date", etInteger, [](TExpression& n) { n.PutDateTime(10.5); }, "10"},
      {"int <- char", etInteger, [](TExpression& n) { n.PutChar('A'); }, "65"},
      {"int <- text", etInteger, [](TExpression& n) { n.PutString("$10"); }, "16"},
      {"real <- int", etReal, [](TExpression& n) { n.PutInteger(3); }, "3"},
      {"real <- text", etReal, [](TExpression& n) { n.PutString("1.5e2"); }, "150"},
      {"real <- bad text", etReal, [](TExpression& n) { n.PutString("x1"); }, "0"},
      {"real <- date", etReal, [](TExpression& n) { n.PutDateTime(1.25); }, "1.25"},
      {"bool <- 256", etBoolean, [](TExpression& n) { n.PutInteger(256); }, "No"},
      {"bool <- 2", etBoolean, [](TExpression& n) { n.PutInteger(2); }, "Yes"},
      {"bool <- real", etBoolean, [](TExpression& n) { n.PutReal(0.4); }, "No"},
      {"bool <- date", etBoolean, [](TExpression& n) { n.PutDateTime(5); }, "No"},
      {"bool <- y", etBoolean, [](TExpression& n) { n.PutString("y"); }, "Yes"},
      {"bool <- Y", etBoolean, [](TExpression& n) { n.PutString("Y"); }, "Yes"},
      {"bool <- yes", etBoolean, [](TExpression& n) { n.PutString("yes"); }, "Yes"},
      {"bool <- YES", etBoolean, [](TExpression& n) { n.PutString("YES"); }, "Yes"},
      {"bool <- No", etBoolean, [](TExpression& n) { n.PutString("No"); }, "No"},
      {"bool <- N", etBoolean, [](TExpression& n) { n.PutString("N"); }, "No"},
      {"bool <- true", etBoolean, [](TExpression& n) { n.PutString("true"); }, "No"},
      {"char <- int", etChar, [](TExpression& n) { n.PutInteger(65 + 256); }, "A"},
      {"char <- bool", etChar, [](TExpression& n) { n.PutBoolean(true); }, "Y"},
      {"char <- real", etChar, [](TExpression& n) { n.PutReal(66.4); }, "B"},
      {"char <- text", etChar, [](TExpression& n) { n.PutString("xyz"); }, "x"},
      {"text <- int", etString, [](TExpression& n) { n.PutInteger(-42); }, "-42"},
      {"text <- int64", etString, [](TExpression& n) { n.PutInt64(1LL << 40); }, "1099511627776"},
      {"text <- real", etString, [](TExpression& n) { n.PutReal(0.1L); }, "0.1"},
      {"text <- bool", etString, [](TExpression& n) { n.PutBoolean(false); }, "No"},
      {"text <- char", etString, [](TExpression& n) { n.PutChar('q'); }, "q"},
      {"text <- date", etString, [](TExpression& n) { n.PutDateTime(March5th()); },
       "2024.3.5 14:07:09"},
      {"text <- midnight", etString,
       [](TExpression& n) { n.PutDateTime(EncodeDate(2024, 3, 5)); }, "2024.3.5"},
      {"date <- int", etDateTime, [](TExpression& n) { n.PutInteger(1); },
       "1899.12.31 00:00:00"},
      {"date <- text", etDateTime, [](TExpression& n) { n.PutString("2024.3.5 14:07:09"); },
       "2024.03.05 14:07:09"},
      {"any <- int", etAny, [](TExpression& n) { n.PutInteger(1); }, ""},
      {"int64 <- int", etInt64, [](TExpression& n) { n.PutInteger(-3); }, "-3"},
      {"int64 <- text", etInt64, [](TExpression& n) { n.PutString("-9223372036854775808"); },
       "-9223372036854775808"},
      {"int64 <- real", etInt64, [](TExpression& n) { n.PutReal(2.5); }, "2"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Label);
    TNode node = Node(row.Type);
    row.Put(*node);
    EXPECT_EQ(node->DataType, row.Type);
    EXPECT_EQ(node->GetString(), row.Text);
  }
}

TEST(ExpressionWriting, EmptyTextIntoCharIsCharacterZero) {
  TNode node = Node(etChar);
  node->PutString("");
  EXPECT_EQ(node->GetChar(), '\0');
  EXPECT_EQ(node->GetInteger(), 0);
}

TEST(ExpressionWriting, MalformedTextsRaiseTheConversionError) {
  try {
    Node(etInteger)->PutString("abc");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'abc' is not a valid integer value");
  }
  EXPECT_THROW(Node(etDateTime)->PutString("2024.13.45"), EConvertError);
  EXPECT_THROW(Node(etInt64)->PutString("12a"), EConvertError);
  EXPECT_THROW(Node(etInt64)->PutString("9223372036854775808"), EConvertError);
  EXPECT_THROW(Node(etInteger)->PutReal(1e30L), EInvalidOp);
}

TEST(ExpressionFormat, FormatExpressionControlsTheText) {
  TNode node = RealNode(3.14159L);
  node->SetFormatExp(StrNode("%5.2f").release());
  EXPECT_EQ(node->GetFormatStr(), "%5.2f");
  EXPECT_EQ(node->GetString(), " 3.14");

  node->SetFormatExp(StrNode("%d").release());
  EXPECT_EQ(node->GetString(), "Format '%d' invalid or incompatible with argument(%d)");

  node->SetFormatExp(StrNode("").release());
  EXPECT_EQ(node->GetString(), "3.14159");
  node->SetFormatExp(nullptr);
  EXPECT_EQ(node->GetFormatStr(), "%g");
}

TEST(ExpressionFormat, DefaultsByType) {
  EXPECT_EQ(Node(etInteger)->GetFormatStr(), "%d");
  EXPECT_EQ(Node(etReal)->GetFormatStr(), "%g");
  EXPECT_EQ(Node(etDateTime)->GetFormatStr(), "YYYY.MM.DD hh:nn:ss");
  EXPECT_EQ(Node(etString)->GetFormatStr(), "%s");
  EXPECT_EQ(Node(etBoolean)->GetFormatStr(), "%s");
  TNode text = StrNode("ab");
  text->SetFormatExp(StrNode("[%5s]").release());
  EXPECT_EQ(text->GetString(), "[   ab]");
  TNode date = DateNode(March5th());
  date->SetFormatExp(StrNode("yyyy-mm-dd").release());
  EXPECT_EQ(date->GetString(), "2024-03-05");
}

TEST(ExpressionEvaluate, SameStampComputesOnceForcingStampAlways) {
  TCounting node;
  node.Evaluate(1);
  node.Evaluate(1);
  EXPECT_EQ(node.Calculations, 1);
  node.Evaluate(2);
  EXPECT_EQ(node.Calculations, 2);
  node.Evaluate(-1);
  node.Evaluate(-1);
  EXPECT_EQ(node.Calculations, 4);
  EXPECT_EQ(node.SyncFlag, -1);
}

TEST(ExpressionEvaluate, SlotsFirstAndStopAtTheFirstGap) {
  TExpression root;
  auto* first = new TCounting;
  auto* third = new TCounting;
  root.PutSubExp(0, first);
  root.PutSubExp(2, third);
  EXPECT_EQ(root.GetSubExpCount(), 3);
  root.Evaluate(5);
  EXPECT_EQ(first->Calculations, 1);
  EXPECT_EQ(third->Calculations, 0);
  root.SetSyncFlag(9);
  EXPECT_EQ(first->SyncFlag, 9);
  EXPECT_EQ(third->SyncFlag, 9);
}

TEST(ExpressionEvaluate, AnyNodeTakesTheTypeOfItsFirstOperandForGood) {
  TExpression node;
  node.DataType = etAny;
  node.PutSubExp(0, StrNode("abc").release());
  node.Evaluate(1);
  EXPECT_EQ(node.DataType, etString);
  TExpression* replaced = IntNode(5).release();
  delete node.GetSubExp(0);
  node.PutSubExp(0, replaced);
  node.Evaluate(2);
  EXPECT_EQ(node.DataType, etString);
}

TEST(ExpressionStructure, SetSubExpRefusesNullAndTransOverTakesSlotZero) {
  TExpression node;
  EXPECT_FALSE(node.SetSubExp(0, nullptr));
  EXPECT_TRUE(node.SetSubExp(0, RealNode(1).release()));
  EXPECT_EQ(node.GetSubExp(5), nullptr);
  EXPECT_EQ(node.GetSubExp(-1), nullptr);
  node.PutSubExp(7, nullptr);
  EXPECT_TRUE(node.TransOverOK());
  EXPECT_EQ(node.DataType, etReal);
  EXPECT_TRUE(node.IsConst());
}

TEST(ExpressionStructure, IsConstFollowsTheOperands) {
  class TVolatile : public TExpression {
    QN_CLASS(TVolatile, TExpression)
  public:
    bool IsConst() override { return false; }
  };
  TExpression root;
  root.PutSubExp(1, new TExpression);
  EXPECT_TRUE(root.IsConst());
  root.PutSubExp(0, new TVolatile);
  EXPECT_FALSE(root.IsConst());
}

TEST(ExpressionCopy, CopySelfIsDeepAndIndependent) {
  TNode root = IntNode(1);
  root->SyncFlag = 12;
  root->PutSubExp(0, StrNode("left").release());
  root->GetSubExp(0)->PutSubExp(0, IntNode(7).release());
  root->PutSubExp(1, RealNode(2.5).release());
  root->SetFormatExp(StrNode("<%d>").release());

  TNode copy(root->CopySelf());
  EXPECT_EQ(copy->SyncFlag, 12);
  EXPECT_EQ(copy->GetString(), "<1>");
  ASSERT_NE(copy->GetSubExp(0), root->GetSubExp(0));
  EXPECT_EQ(copy->GetSubExp(0)->GetString(), "left");
  ASSERT_NE(copy->GetSubExp(0)->GetSubExp(0), nullptr);
  EXPECT_EQ(copy->GetSubExp(0)->GetSubExp(0)->GetInteger(), 7);
  EXPECT_NE(copy->GetFormatExp(), root->GetFormatExp());
  copy.reset();
  EXPECT_EQ(root->GetSubExp(0)->GetSubExp(0)->GetInteger(), 7);
  EXPECT_EQ(root->GetString(), "<1>");
}

TEST(ExpressionCopy, CopySelfKeepsTheClass) {
  TCounting node;
  TNode copy(node.CopySelf());
  EXPECT_EQ(copy->ClassName(), "TCounting");
}

TEST(ExpressionCopy, AssignValueTakesTheFormattedText) {
  TNode source = StrNode("ab");
  source->SetFormatExp(StrNode("[%s]").release());
  TNode target = IntNode(3);
  target->AssignValue(*source);
  EXPECT_EQ(target->DataType, etString);
  EXPECT_EQ(target->GetString(), "[ab]");
  EXPECT_EQ(target->GetFormatExp(), nullptr);

  TNode real = RealNode(1.5);
  real->SetFormatExp(StrNode("%.3f").release());
  TNode other = Node(etString);
  other->AssignFormatValue(*real);
  EXPECT_EQ(other->DataType, etReal);
  EXPECT_EQ(other->GetString(), "1.500");
}

TEST(ExpressionErrors, CalcErrorNamesTheClass) {
  TCounting node;
  try {
    node.CalcError("boom");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(GbkToUtf8(e.Message), "表达式(TCounting)计算错误：boom");
  }
}

TEST(ExpressionVariant, AdoptsTypesAndConverts) {
  TNode any = Node(etAny);
  any->SetVariantValue(TVariant(static_cast<int64_t>(1) << 40));
  EXPECT_EQ(any->DataType, etInt64);
  EXPECT_EQ(any->GetInt64(), 1LL << 40);

  TNode text = Node(etAny);
  text->SetVariantValue(TVariant("hello"));
  EXPECT_EQ(text->DataType, etString);
  EXPECT_EQ(text->GetString(), "hello");

  TNode integer = Node(etInteger);
  integer->SetVariantValue(TVariant("12"));
  EXPECT_EQ(integer->GetInteger(), 12);

  TNode stays = Node(etAny);
  stays->SetVariantValue(TVariant::Null());
  EXPECT_EQ(stays->DataType, etAny);

  TNode date = Node(etAny);
  date->SetVariantValue(TVariant::FromDate(March5th()));
  EXPECT_EQ(date->DataType, etDateTime);
  EXPECT_EQ(date->GetDateTime(), March5th());
}

TEST(ExpressionVariant, ReadsByType) {
  TVariant v;
  IntNode(5)->GetVariantValue(v);
  EXPECT_EQ(v.VType(), varInteger);
  EXPECT_EQ(v.AsInteger(), 5);
  CharNode('c')->GetVariantValue(v);
  EXPECT_EQ(v.VType(), varString);
  EXPECT_EQ(v.AsString(), "c");
  DateNode(2.0)->GetVariantValue(v);
  EXPECT_EQ(v.VType(), varDate);
  BoolNode(true)->GetVariantValue(v);
  EXPECT_EQ(v.VType(), varBoolean);
  TVariant untouched(7);
  Node(etAny)->GetVariantValue(untouched);
  EXPECT_EQ(untouched.AsInteger(), 7);
}

TEST(ExpressionRaw, GetValueAndPutValueCopyBySize) {
  TNode real = RealNode(1.25);
  unsigned char buffer[16] = {};
  real->GetValue(buffer);
  TNode other = Node(etReal);
  other->PutValue(buffer);
  EXPECT_EQ(other->GetReal(), 1.25L);

  TNode big = Int64Node(-2);
  int64_t raw = 0;
  big->GetValue(&raw);
  EXPECT_EQ(raw, -2);

  std::string text;
  StrNode("xy")->GetValue(&text);
  EXPECT_EQ(text, "xy");
}

TEST(ExpressionProperties, ReportsValueKindBySlotAndSubExpressions) {
  TNode node = RealNode(2);
  node->PutSubExp(0, IntNode(1).release());
  node->PutSubExp(1, IntNode(2).release());
  std::vector<std::pair<std::string, TPropType>> seen;
  node->EnumrateProperties(
      [&](void*, const std::string& name, TPropType type, bool, intptr_t, void*) {
        seen.emplace_back(name, type);
        return true;
      },
      epStore, nullptr);
  std::vector<std::pair<std::string, TPropType>> expected{
      {"DataType", ptByte}, {"Value", ptExtended}, {"FormatExp", ptObject},
      {"SubExp0", ptObject}, {"SubExp1", ptObject}};
  EXPECT_EQ(seen, expected);
}

TEST(ExpressionProperties, LoadingAdoptsNodesOfferedForEverySlot) {
  TExpression node;
  int offered = 0;
  node.EnumrateProperties(
      [&](void* prop, const std::string& name, TPropType type, bool, intptr_t, void*) {
        if (type == ptObject && name.rfind("SubExp", 0) == 0) {
          ++offered;
          if (name == "SubExp1") *static_cast<TObject**>(prop) = new TExpression;
        }
        return true;
      },
      epLoad, nullptr);
  EXPECT_EQ(offered, 3);
  EXPECT_NE(node.GetSubExp(1), nullptr);
  EXPECT_EQ(node.GetSubExpCount(), 2);
}
