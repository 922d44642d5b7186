// The binding levels of the binary operators, pinned pair by pair: for every two operators the
// tree of "a x b y c" must group as the levels say, and operators of one level group from the
// left. The expected levels are written out here, apart from the translator's own table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/EntryPoints.h"
#include "core/Translator.h"
#include "core/Variables.h"

using namespace qnexp;

namespace {

struct TOperator {
  const char* Text;
  TOperatorCode Code;
  int Level;  // lower binds tighter
};

const std::vector<TOperator>& Operators() {
  static const std::vector<TOperator> operators = {
      {"^", kOpPower, 0}, {"*", kOpMul, 1},      {"/", kOpDiv, 1},    {"+", kOpAdd, 2},
      {"-", kOpSub, 2},   {"=", kOpEqu, 3},      {"<>", kOpNotEqu, 3}, {">", kOpGreat, 3},
      {">=", kOpGorE, 3}, {"<", kOpLess, 3},     {"<=", kOpLorE, 3},  {"$", kOpIn, 3},
      {"&", kOpAnd, 4},   {"and", kOpAnd, 4},    {"|", kOpOr, 5},     {"or", kOpOr, 5},
  };
  return operators;
}

const TClassInfo& ClassOf(TOperatorCode code) { return *ExpTranslator->OperatorClasses[code]; }

// Names no list defines, so their types stay open and every operator accepts them.
class Precedence : public ::testing::Test {
protected:
  void SetUp() override {
    Previous = GetVarList();
    List = CreateVarList(nullptr);
    List->SearchParent = false;
    SetVarList(List.get());
  }
  void TearDown() override { SetVarList(Previous); }
  TVarList* Previous = nullptr;
  std::unique_ptr<TVarList> List;
};

}  // namespace

TEST_F(Precedence, EveryPairOfOperatorsGroupsByItsLevels) {
  int checked = 0;
  for (const TOperator& x : Operators()) {
    for (const TOperator& y : Operators()) {
      std::string text = std::string("pa ") + x.Text + " pb " + y.Text + " pc";
      SCOPED_TRACE(text);
      std::unique_ptr<TExpression> root = TranslateExp(text);
      ASSERT_TRUE(root) << "status " << int(ExpTranslator->Status);
      if (x.Level <= y.Level) {  // (a x b) y c
        EXPECT_EQ(&root->ClassType(), &ClassOf(y.Code));
        ASSERT_TRUE(root->GetSubExp(0));
        EXPECT_EQ(&root->GetSubExp(0)->ClassType(), &ClassOf(x.Code));
      } else {  // a x (b y c)
        EXPECT_EQ(&root->ClassType(), &ClassOf(x.Code));
        ASSERT_TRUE(root->GetSubExp(1));
        EXPECT_EQ(&root->GetSubExp(1)->ClassType(), &ClassOf(y.Code));
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, 16 * 16);
}

TEST_F(Precedence, FormatAndAssignmentBindLoosest) {
  // The format operator takes the whole operand chain before it, then assignment takes all.
  std::unique_ptr<TExpression> formatted = TranslateExp("pa | pb : 'x'");
  ASSERT_TRUE(formatted);
  EXPECT_EQ(&formatted->ClassType(), &ClassOf(kOpOr));
  ASSERT_TRUE(formatted->GetFormatExp());

  std::unique_ptr<TExpression> assigned = TranslateExp("pa := pb | pc");
  ASSERT_TRUE(assigned);
  EXPECT_EQ(&assigned->ClassType(), &ClassOf(kOpAssign));
  ASSERT_TRUE(assigned->GetSubExp(1));
  EXPECT_EQ(&assigned->GetSubExp(1)->ClassType(), &ClassOf(kOpOr));
}
