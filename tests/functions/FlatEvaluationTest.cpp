// Flattened evaluation against the walk: twin trees of one text, one evaluated each way, must
// hold the same class, type, stamp and value bytes on every node after every pass, errors
// included; for chosen texts and for randomly generated ones.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "EngineTesting.h"
#include "functions/Arithmetic.h"
#include "functions/FlatEvaluation.h"

namespace qnexp::testing {
namespace {

// The nodes of a tree in the walk's order, formats included.
void Collect(TExpression* node, std::vector<TExpression*>& nodes) {
  if (!node) return;
  nodes.push_back(node);
  Collect(node->GetFormatExp(), nodes);
  for (int i = 0; i < node->GetSubExpCount(); ++i) Collect(node->GetSubExp(i), nodes);
}

// The state a pass leaves in a node, as one comparable text.
std::string NodeState(TExpression& node) {
  unsigned char real[10];
  std::memcpy(real, &node.Value.RealValue, sizeof real);
  std::string bytes;
  for (unsigned char b : real) bytes += std::to_string(b) + ".";
  return std::string(node.ClassName()) + " " + ExpDataTypeName(node.DataType) + " stamp " +
         std::to_string(node.SyncFlag) + " int " + std::to_string(node.Value.IntValue) +
         " real " + bytes + " text '" + node.Value.StrValue + "'" +
         (node.GetFormatExp() ? " formatted" : "");
}

class FlatEvaluationTest : public TPrivateVarListTest {
protected:
  void SetUp() override {
    TPrivateVarListTest::SetUp();
    SetValues({1.5L, -2.25L, 3.0L, 0.0L, 1e2000L, -7.0L});
    List->SetVarExp("N", CreateIntExp(7).release());
    List->SetVarExp("T", CreateStrExp("txt").release());
    List->SetVarExp("F", TranslateExp("a*2+1").release());
  }
  void TearDown() override {
    TFlatEvaluation::Enabled = true;
    TPrivateVarListTest::TearDown();
  }

  void SetValues(const std::vector<long double>& values) {
    const char* names[] = {"a", "b", "c", "d", "e", "g"};
    for (size_t i = 0; i < values.size(); ++i) {
      TExpression* node = List->GetVarExp(names[i]);
      if (!node || node->DataType != etReal) {
        List->SetVarExp(names[i], CreateRealExp(0).release());
        node = List->GetVarExp(names[i]);
      }
      node->PutReal(values[i]);
    }
  }

  // Evaluates twin trees of text with each stamp in turn, one flattened and one walked, and
  // compares every node after each pass. False when the text does not translate.
  bool CompareTwins(const std::string& text, const std::vector<int32_t>& stamps,
                    const std::vector<std::vector<long double>>& values = {}) {
    std::unique_ptr<TExpression> flat, walked;
    try {
      flat = TranslateExp(text);
      walked = TranslateExp(text);
    } catch (const Exception&) {
      return false;
    }
    if (!flat || !walked) return false;
    for (size_t pass = 0; pass < stamps.size(); ++pass) {
      if (!values.empty()) SetValues(values[pass % values.size()]);
      TFlatEvaluation::Enabled = true;
      bool flatRaised = ExpEvaluate(*flat, stamps[pass]);
      TFlatEvaluation::Enabled = false;
      bool walkRaised = ExpEvaluate(*walked, stamps[pass]);
      TFlatEvaluation::Enabled = true;
      EXPECT_EQ(flatRaised, walkRaised) << text << " pass " << pass;
      std::vector<TExpression*> flatNodes, walkedNodes;
      Collect(flat.get(), flatNodes);
      Collect(walked.get(), walkedNodes);
      EXPECT_EQ(flatNodes.size(), walkedNodes.size()) << text;
      for (size_t i = 0; i < flatNodes.size() && i < walkedNodes.size(); ++i)
        EXPECT_EQ(NodeState(*flatNodes[i]), NodeState(*walkedNodes[i]))
            << text << " pass " << pass << " node " << i;
    }
    return true;
  }
};

// Forcing passes, repeated and new stamps, a forcing pass after them.
const std::vector<int32_t> kStamps = {-1, -1, -1, 5, 5, 6, -1, 7, 7};

TEST_F(FlatEvaluationTest, ChosenTextsLeaveEveryNodeAsTheWalkDoes) {
  const char* const texts[] = {
      "a+b*c", "(a+b)*(c-d)", "a*b+c*a-b/c", "1.1*a^2+2.2*b^3", "sin(a)^2+cos(a)^2",
      "a/d", "e*e", "e+e-a", "ln(d)+1", "sqrt(b)*2", "a^b", "d^b", "N+a", "N*2-N/3",
      "N/0", "T+a", "a+T", "'x'+N", "F*a", "F+F", "Neg(a)-Abs(b)", "Round(a)+Trunc(b)*a",
      "Max(a,b)*Min(c,N)", "Iif(a>b, a, b)+c", "unknown+1", "Pi()*a", "Sqr(e)+1",
      "ArcTan(a)-Frac(b)+Int(c)", "a+(b+(c+(a+(b+(c+a)))))", "2+3*4",
  };
  for (const char* text : texts)
    EXPECT_TRUE(CompareTwins(text, kStamps, {{1.5L, -2.25L, 3.0L, 0.0L, 1e2000L, -7.0L},
                                             {0.5L, 4.0L, -1.0L, 2.0L, 1e-3000L, 1.0L}}))
        << text;
}

// A subtree evaluated on its own with the stamp the whole tree then gets is skipped by the
// walk; the flattened pass must skip it too.
TEST_F(FlatEvaluationTest, NodesStampedBeforeThePassAreSkipped) {
  std::unique_ptr<TExpression> flat = TranslateExp("a+b*c");
  std::unique_ptr<TExpression> walked = TranslateExp("a+b*c");
  for (int32_t stamp : {-1, -1, 11}) {
    ExpEvaluate(*flat, stamp);
    TFlatEvaluation::Enabled = false;
    ExpEvaluate(*walked, stamp);
    TFlatEvaluation::Enabled = true;
  }
  SetValues({10, 20, 30});
  ExpEvaluate(*flat->GetSubExp(1), 12);
  TFlatEvaluation::Enabled = false;
  ExpEvaluate(*walked->GetSubExp(1), 12);
  TFlatEvaluation::Enabled = true;
  SetValues({100, 200, 300});
  ExpEvaluate(*flat, 12);
  TFlatEvaluation::Enabled = false;
  ExpEvaluate(*walked, 12);
  EXPECT_EQ(flat->GetReal(), walked->GetReal());
  EXPECT_EQ(flat->GetReal(), 100 + 20 * 30);
}

// A changed slot makes the program stale: the next passes follow the new tree.
TEST_F(FlatEvaluationTest, ChangedSlotsAreFollowed) {
  std::unique_ptr<TExpression> root = TranslateExp("a+b*c");
  for (int i = 0; i < 3; ++i) ExpEvaluate(*root, -1);
  EXPECT_EQ(root->GetReal(), 1.5L + -2.25L * 3.0L);
  TExpression* product = root->GetSubExp(1);
  root->PutSubExp(1, TranslateExp("c-a").release());
  delete product;
  for (int i = 0; i < 3; ++i) {
    ExpEvaluate(*root, -1);
    EXPECT_EQ(root->GetReal(), 1.5L + (3.0L - 1.5L));
  }
}

// Random texts over reals, integers, texts and the functions, compared as above.
std::string RandomText(std::mt19937& random, int depth) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  if (depth == 0 || pick(4) == 0) {
    const char* const leaves[] = {"a", "b", "c", "d", "e", "g", "N", "F", "2", "0.5", "1e300",
                                  "T", "unknown"};
    return leaves[pick(13)];
  }
  const char* const operators[] = {"+", "-", "*", "/", "^"};
  const char* const functions[] = {"sin", "cos", "ArcTan", "ln", "sqrt", "Neg", "Abs", "Round",
                                   "Sqr", "Frac"};
  switch (pick(4)) {
    case 0:
      return std::string(functions[pick(10)]) + "(" + RandomText(random, depth - 1) + ")";
    case 1:
      return "(" + RandomText(random, depth - 1) + ")";
    default:
      return RandomText(random, depth - 1) + operators[pick(5)] + RandomText(random, depth - 1);
  }
}

TEST_F(FlatEvaluationTest, RandomTextsLeaveEveryNodeAsTheWalkDoes) {
  std::mt19937 random(20261207);
  int translated = 0;
  for (int i = 0; i < 400; ++i) {
    std::string text = RandomText(random, 5);
    if (CompareTwins(text, {-1, -1, -1, 3, 3, -1},
                     {{1.5L, -2.25L, 3.0L, 0.0L, 1e2000L, -7.0L},
                      {0.25L, 1e-5L, -1e10L, 1.0L, 2.0L, 3.0L},
                      {-0.5L, 7.0L, 1e4000L, -2.0L, 0.0L, 1e-4000L}}))
      ++translated;
  }
  // Most random texts are well-typed; a generator that produced none would test nothing.
  EXPECT_GT(translated, 200);
}

// Programs are made at the first evaluation, not by the translation: a tree never evaluated
// costs nothing more.
TFlatEvaluation& FlatOf(TExpression* node) {
  if (auto* add = dynamic_cast<TExp_Add*>(node)) return add->FlatForm();
  return dynamic_cast<TExp_MathCalc&>(*node).FlatForm();
}

TEST_F(FlatEvaluationTest, ProgramsAreMadeAtTheFirstEvaluation) {
  std::unique_ptr<TExpression> root = TranslateExp("a+b*c");
  TExpression* product = root->GetSubExp(1);
  EXPECT_TRUE(FlatOf(root.get()).IsPending());
  EXPECT_FALSE(FlatOf(root.get()).HasProgram());
  EXPECT_TRUE(FlatOf(product).IsPending());
  ExpEvaluate(*root, -1);
  EXPECT_TRUE(FlatOf(root.get()).HasProgram());
  EXPECT_FALSE(FlatOf(root.get()).IsPending());
  // The product is a step of the sum's program and gets none of its own.
  EXPECT_FALSE(FlatOf(product).IsPending());
  EXPECT_FALSE(FlatOf(product).HasProgram());
  EXPECT_EQ(root->GetReal(), 1.5L + -2.25L * 3.0L);

  // An operator over two leaves walks from its first evaluation on.
  std::unique_ptr<TExpression> pair = TranslateExp("a*b");
  ExpEvaluate(*pair, -1);
  EXPECT_FALSE(FlatOf(pair.get()).IsPending());
  EXPECT_FALSE(FlatOf(pair.get()).HasProgram());
}

TEST_F(FlatEvaluationTest, AWalkedFirstEvaluationLeavesTheRequestForLater) {
  std::unique_ptr<TExpression> root = TranslateExp("(a+b)*c");
  TFlatEvaluation::Enabled = false;
  ExpEvaluate(*root, -1);
  EXPECT_TRUE(FlatOf(root.get()).IsPending());
  EXPECT_FALSE(FlatOf(root.get()).HasProgram());
  TFlatEvaluation::Enabled = true;
  SetValues({2, 3, 4});
  ExpEvaluate(*root, -1);
  EXPECT_TRUE(FlatOf(root.get()).HasProgram());
  EXPECT_EQ(root->GetReal(), 20);
}

TEST_F(FlatEvaluationTest, OnlyShortTextsTranslatedByTranslateExpAreMarked) {
  // Beyond 4 KB a text walks.
  std::string longText = "a+b*c";
  while (longText.size() <= 4096) longText += "+a*b";
  std::unique_ptr<TExpression> root = TranslateExp(longText);
  ExpEvaluate(*root, -1);
  EXPECT_FALSE(FlatOf(root.get()).IsPending());
  EXPECT_FALSE(FlatOf(root.get()).HasProgram());
  // The translator used directly marks nothing, and TranslateExp leaves it so.
  std::unique_ptr<TExpression> direct = ExpTranslator->Translate("a+b*c");
  EXPECT_FALSE(FlatOf(direct.get()).IsPending());
  EXPECT_FALSE(ExpTranslator->MarkFlatEvaluation);
  // Operators inside a function's arguments and under a walking operator are marked too.
  std::unique_ptr<TExpression> nested = TranslateExp("Max(a+b*c, 1)*2");
  TExpression* inner = nested->GetSubExp(0)->GetSubExp(0);
  EXPECT_TRUE(FlatOf(inner).IsPending());
  ExpEvaluate(*nested, -1);
  EXPECT_TRUE(FlatOf(inner).HasProgram());
  EXPECT_EQ(nested->GetReal(), (1.5L + -2.25L * 3.0L > 1 ? 1.5L + -2.25L * 3.0L : 1) * 2);
}

}  // namespace
}  // namespace qnexp::testing
