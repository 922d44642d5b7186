// Translated expression trees written to object streams (binary and text form) and read back
// evaluate to the same value and type, over the console host's case files, a list of our own
// and generated trees.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "core/EntryPoints.h"
#include "functions/Library.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/Stream.h"
#include "support/ObjStream.h"
#include "CaseFiles.h"
#include "EngineTesting.h"

using namespace qnexp;

namespace {

struct TOutcome {
  TExpDataType Type;
  std::string Text;
  bool operator==(const TOutcome&) const = default;
};

TOutcome Evaluate(TExpression& root) {
  ExpEvaluate(root, kForceStamp);
  return {root.DataType, root.GetString()};
}

std::unique_ptr<TExpression> AsExpression(TObject* obj) {
  std::unique_ptr<TObject> owned(obj);
  auto* node = ObjectAs<TExpression>(owned.get());
  EXPECT_NE(node, nullptr);
  owned.release();
  return std::unique_ptr<TExpression>(node);
}

std::unique_ptr<TExpression> ThroughBinary(TExpression* root) {
  TMemoryStream stream;
  StreamWriteObject(stream, root);
  stream.SetPosition(0);
  return AsExpression(StreamReadObject(stream));
}

std::unique_ptr<TExpression> ThroughText(TExpression* root) {
  TMemoryStream text;
  SaveObjectToTextStream(root, text);
  text.SetPosition(0);
  return AsExpression(LoadObjectFromTextStream(text));
}

bool UsesVariables(TExpression* node) {
  if (!node) return false;
  if (ObjectAs<TExp_VarRef>(node)) return true;
  for (int i = 0; i < node->MaxSubExpCount(); ++i)
    if (UsesVariables(node->GetSubExp(i))) return true;
  return UsesVariables(node->GetFormatExp());
}

enum TCheck { ckSame, ckSkipped, ckUntranslated };

// Translates text and compares the evaluation of the tree with that of its two copies. Texts
// whose value changes from one evaluation to the next (time, random numbers, assignments)
// cannot be compared and are skipped.
TCheck CheckTree(const std::string& text, bool allowVariables) {
  std::unique_ptr<TExpression> root;
  try {
    root = TranslateExp(text);
  } catch (const Exception&) {
    return ckUntranslated;
  }
  if (!root) return ckUntranslated;
  if (!allowVariables && UsesVariables(root.get())) return ckSkipped;
  std::unique_ptr<TExpression> binary = ThroughBinary(root.get());
  std::unique_ptr<TExpression> text2 = ThroughText(root.get());
  TOutcome first = Evaluate(*root);
  TOutcome again = Evaluate(*root);
  if (!(first == again)) return ckSkipped;
  TOutcome fromBinary = Evaluate(*binary);
  TOutcome fromText = Evaluate(*text2);
  EXPECT_EQ(fromBinary.Type, first.Type) << GbkToUtf8Lenient(text);
  EXPECT_EQ(fromBinary.Text, first.Text) << GbkToUtf8Lenient(text);
  EXPECT_EQ(fromText.Type, first.Type) << GbkToUtf8Lenient(text);
  EXPECT_EQ(fromText.Text, first.Text) << GbkToUtf8Lenient(text);
  return ckSame;
}

// The expressions of the console host's case files, in GBK.
std::vector<std::string> CaseFileTexts() {
  std::vector<std::string> texts;
  for (const auto& file : qnexp::testing::CaseFiles())
    for (const std::string& text : file.Texts) texts.push_back(Utf8ToGbkOrSame(text));
  return texts;
}

}  // namespace

// The case files assign variables: they go to a list of the test's own, not the public one
// that later tests in the same process read.
class TreePersistence : public qnexp::testing::TPrivateVarListTest {};

TEST_F(TreePersistence, EveryNodeClassIsRegisteredByName) {
  for (const TClassInfo* cls : BaseNodeClasses())
    EXPECT_EQ(GetPersistentClass(cls->Name), cls) << cls->Name;
}

TEST_F(TreePersistence, CaseFileTreesEvaluateAlikeAfterLoading) {
  int compared = 0;
  for (const std::string& text : CaseFileTexts())
    if (CheckTree(text, true) == ckSame) ++compared;
  EXPECT_GT(compared, 150);
}

TEST_F(TreePersistence, TreesOfEveryValueTypeEvaluateAlike) {
  const char* texts[] = {
      "1", "-2147483647 - 1", "2147483647 + 1", "7 / 2", "2 ^ 10",
      "1.5", "1 / 3", "1e300 * 1e300", "-0.0", "3.14159265358979323846", "1 / 0",
      "'text'", "'中文' + '字符'", "'a' + 1", "'''quoted'''", "''", "'x'",
      "Yes", "No", "1 < 2", "'a' >= 'b'", "1 = 1.0", "not (1 > 2)", "(1 > 0) and (2 > 1)",
      "(1 > 0) or (1 / 0 > 1)", "Like('abc', 'a*')",
      "Iif(1 > 2, 'big', 'small')", "Iif(Yes, 1.5, 2)", "Abs(-3)", "Min(3, 2)", "Max(2.5, 1)",
      "Neg(4)", "IntDiv(9, 2)", "RealDiv(9, 2)", "Mod(-7, 3)", "Sqrt(2)", "Sin(1) + Cos(1)",
      "Pi", "Round(2.5)", "Trunc(-2.7)", "Frac(2.25)", "Int(7.9)", "Ln(10)", "Sqr(1.1)",
      "ToStr(12.5)", "ToInt('42') + 1", "ToReal('2.5') * 2", "ToBool('Yes')", "ToChar(65)",
      "Length('中文abc')", "Upper('abc') + Lower('DEF')", "Trim('  x  ') + '|'",
      "SubS('abcdef', 2, 3)", "Pos('c', 'abc')", "RPos('b', 'abcb')", "ChrS('x', 3)",
      "SubStrCount('a,b,c', ',')", "ASC('A')", "Hex(255)", "UpLower('hello world')",
      "ToTime('2024.3.5')", "ToTime('2024.3.5') + 1.5", "Zero(0, 'none')",
      "Case(2, 1, 'one', 2, 'two', 'other')", "Decode(3, 1, 'a', 2, 'b', 'c')",
      "Do(1, 2, 3)", "LikeAny('abc', 'x*;a*')",
      "rRound(2.345, 2)", "Odd(3)", "Void(1)", "Argc",
  };
  int compared = 0, untranslated = 0;
  for (const char* text : texts) {
    TCheck check = CheckTree(Res(text), true);
    compared += check == ckSame;
    untranslated += check == ckUntranslated;
  }
  EXPECT_GT(compared, 60);
  EXPECT_EQ(untranslated, 0);
}

TEST_F(TreePersistence, GeneratedTreesEvaluateAlike) {
  // Random operator trees over integers, reals, texts and comparisons; the random source is
  // fixed, so a failure repeats.
  std::mt19937 random(20240305);
  std::function<std::string(int)> make = [&](int depth) -> std::string {
    if (depth == 0 || random() % 4 == 0) {
      switch (random() % 5) {
        case 0: return std::to_string(static_cast<int>(random() % 2000) - 1000);
        case 1: return std::to_string(random() % 1000) + "." + std::to_string(random() % 100);
        case 2: return "'" + std::string(1, static_cast<char>('a' + random() % 26)) + "'";
        case 3: return "ToStr(" + std::to_string(random() % 50) + ")";
        default: return "Length('" + std::string(random() % 5, 'z') + "')";
      }
    }
    static const char* const ops[] = {"+", "-", "*", "/", "=", "<", ">=", "<>"};
    const char* op = ops[random() % 8];
    if (random() % 6 == 0)
      return "Iif(" + make(depth - 1) + " > 0, " + make(depth - 1) + ", " + make(depth - 1) + ")";
    return "(" + make(depth - 1) + " " + op + " " + make(depth - 1) + ")";
  };
  int compared = 0;
  for (int i = 0; i < 400; ++i)
    if (CheckTree(make(1 + static_cast<int>(random() % 6)), false) == ckSame) ++compared;
  EXPECT_GT(compared, 150);
}

TEST_F(TreePersistence, DeepChainsAndFormatExpressionsSurvive) {
  std::string chain = "TickCount() * 0";
  for (int i = 0; i < 1500; ++i) chain += " + 1";
  EXPECT_EQ(CheckTree(chain, false), ckSame);

  auto root = TranslateExp("1.5 + TickCount() * 0");
  ASSERT_NE(root, nullptr);
  root->SetFormatExp(CreateStrExp("%.3f").release());
  auto copy = ThroughText(root.get());
  ASSERT_NE(copy->GetFormatExp(), nullptr);
  EXPECT_EQ(Evaluate(*copy).Text, "1.500");
}

TEST_F(TreePersistence, LoadedTreesAreIndependentOfTheOriginal) {
  auto root = TranslateExp("Upper('abc') + ToStr(TickCount() * 0)");
  ASSERT_NE(root, nullptr);
  auto copy = ThroughBinary(root.get());
  root.reset();
  EXPECT_EQ(Evaluate(*copy).Text, "ABC0");
}

// Variable references bind to the list in force when they were translated; a loaded tree has
// to bind again to the current list.
TEST_F(TreePersistence, VariableReferencesBindToTheCurrentListWhenLoaded) {
  ASSERT_NE(TranslateExp("TreeVar := 6"), nullptr);
  auto set = TranslateExp("TreeVar := 6");
  Evaluate(*set);
  EXPECT_EQ(CheckTree("TreeVar * 7", true), ckSame);
  EXPECT_EQ(CheckTree("Yes", true), ckSame);
  EXPECT_EQ(CheckTree("VarExist('TreeVar')", true), ckSame);
}
