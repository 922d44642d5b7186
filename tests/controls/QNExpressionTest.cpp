// The expression component bound to real widgets: typing, automatic evaluation, the tree's
// life, error texts, handlers, re-binding and widgets destroyed while bound.
#include <gtest/gtest.h>

#include <QTest>
#include <QTextEdit>
#include <memory>

#include "ControlsTesting.h"
#include "controls/QNExpression.h"
#include "support/Macros.h"

namespace qnexp::testing {
namespace {

class Component : public TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Exp = Make<TQNExpression>(Form, "Exp1");
  }
  std::string Result() const { return Label->text().toStdString(); }
  TQNExpression* Exp = nullptr;
};

TEST_F(Component, TypingStoresTheTextAndAutoEvaluteEvaluatesIt) {
  Exp->SetResultCtrl(Label);
  Exp->SetExpTextCtrl(Edit);
  QTest::keyClicks(Edit, "1+2");
  EXPECT_EQ(Exp->GetExpText(), "1+2");
  EXPECT_EQ(Exp->GetExp(), nullptr);
  EXPECT_EQ(Result(), "");
  Exp->TakeExpValue();
  EXPECT_EQ(Result(), "3");
  TExpression* tree = Exp->GetExp();
  ASSERT_NE(tree, nullptr);
  // The same text keeps the tree; evaluating again does not translate again.
  Exp->SetExpText("1+2");
  Exp->TakeExpValue();
  EXPECT_EQ(Exp->GetExp(), tree);

  Exp->SetAutoEvalute(true);
  QTest::keyClicks(Edit, "*3");
  EXPECT_EQ(Exp->GetExpText(), "1+2*3");
  EXPECT_EQ(Result(), "7");
  EXPECT_EQ(Exp->GetInteger(), 7);
}

TEST_F(Component, EveryTextWidgetBindsAndAnyTextWidgetShowsTheResult) {
  auto* rich = Make<QTextEdit>(Form, "Rich1");
  Combo->setEditable(true);
  Exp->SetAutoEvalute(true);
  for (QWidget* result : std::vector<QWidget*>{Label, Edit, Memo}) {
    Exp->SetResultCtrl(result);
    for (QWidget* text : std::vector<QWidget*>{Memo, rich, Combo, Edit}) {
      if (text == result) continue;
      Exp->SetExpTextCtrl(text);
      SetControlText(text, "'ab' + 'c'");
      EXPECT_EQ(ControlText(result), "abc") << text->objectName().toStdString();
      SetControlText(text, "");
    }
  }
}

TEST_F(Component, ErrorsBecomeTheResultTextOrPropagateWithoutOne) {
  // The translation error is swallowed, and the evaluation raises it without a result widget.
  Exp->SetExpText("1 +");
  EXPECT_THROW(Exp->TakeExpValue(), Exception);
  EXPECT_EQ(Exp->GetExp(), nullptr);
  Exp->SetResultCtrl(Label);
  Exp->TakeExpValue();
  EXPECT_EQ(Label->text().toStdString(), GbkToUtf8(Exp->ErrorMsg()));
  EXPECT_FALSE(Result().empty());

  Exp->SetExpText("Sqrt(-1)");
  Exp->TakeExpValue();
  EXPECT_EQ(Result(), "Invalid floating point operation");

  // An empty text has no tree and shows nothing.
  Exp->SetExpText("");
  Exp->TakeExpValue();
  EXPECT_EQ(Exp->GetExp(), nullptr);
  EXPECT_EQ(Result(), "");
  EXPECT_THROW(Exp->GetInteger(), Exception);
}

TEST_F(Component, HandlersRewriteTheTextAndSeeTheTree) {
  TMacros macros;
  macros.SetMacroText("TWICE", "2*");
  std::vector<std::string> seen;
  Exp->OnCreateExpression = [&macros](TQNExpression&, std::string& text) { macros.CheckStr(text); };
  Exp->BeforeEvaluate = [&seen](TQNExpression&, TExpression*& tree) {
    seen.push_back(tree ? "before" : "before, no tree");
  };
  Exp->AfterEvaluate = [&seen](TQNExpression& sender, TExpression*& tree) {
    seen.push_back("after " + sender.GetString());
    if (tree->GetInteger() == 42) tree = CreateIntExp(1).release();  // replaced and owned
  };
  Exp->SetResultCtrl(Label);
  Exp->SetExpText("~TWICE~21");
  Exp->TakeExpValue();
  EXPECT_EQ(Exp->GetExpText(), "~TWICE~21");
  EXPECT_EQ(Result(), "42");
  EXPECT_EQ(seen, (std::vector<std::string>{"before", "after 42"}));
  EXPECT_EQ(Exp->GetInteger(), 1);
  Exp->SetSyncFlag(5);
  EXPECT_EQ(Exp->GetSyncFlag(), 5);
}

TEST_F(Component, RebindingRestoresTheWidgetsOwnHandler) {
  int ownCalls = 0;
  TNotifyEvent own = MakeNotifyEvent("Test.Own", [&ownCalls](QObject*) { ++ownCalls; });
  SetEventHandler(Edit, "OnChange", own);
  Exp->SetExpTextCtrl(Edit);  // takes the text at once, through the widget's own handler
  EXPECT_EQ(ownCalls, 1);
  Edit->setText("5");
  EXPECT_EQ(ownCalls, 2);
  EXPECT_EQ(Exp->GetExpText(), "5");
  Exp->SetExpTextCtrl(Memo);
  EXPECT_EQ(GetEventHandler(Edit, "OnChange").Identity(), own.Identity());
  Edit->setText("6");
  EXPECT_EQ(ownCalls, 3);
  EXPECT_EQ(Exp->GetExpText(), "line1\nline2");
  // A widget without a change handler cannot be bound; the binding stays.
  EXPECT_THROW(
      {
        try {
          Exp->SetExpTextCtrl(Label);
        } catch (const EPropertyError& error) {
          EXPECT_EQ(error.Message, "Property OnChange does not exist");
          throw;
        }
      },
      EPropertyError);
  EXPECT_EQ(Exp->GetExpTextCtrl(), Memo);
  EXPECT_EQ(EvalText("SetCompValue('Exp1', 'ExpTextCtrl', " + HandleText(Label) + ")"),
            "etBoolean Yes");
  EXPECT_EQ(Exp->GetExpTextCtrl(), Memo);
}

TEST_F(Component, DestroyedWidgetsAndComponentsLeaveNothingDangling) {
  Exp->SetAutoEvalute(true);
  Exp->SetExpTextCtrl(Edit);
  Exp->SetResultCtrl(Label);
  delete Label;
  Edit->setText("1+1");  // no result widget any more: nothing to write into
  EXPECT_EQ(Exp->GetResultCtrl(), nullptr);
  EXPECT_EQ(Exp->GetInteger(), 2);
  delete Edit;
  EXPECT_EQ(Exp->GetExpTextCtrl(), nullptr);

  // A component destroyed while bound gives the widget its own handler back.
  TNotifyEvent own = MakeNotifyEvent("Test.Own", [](QObject*) {});
  SetEventHandler(Memo, "OnChange", own);
  auto component = std::make_unique<TQNExpression>();
  component->SetExpTextCtrl(Memo);
  component.reset();
  EXPECT_EQ(GetEventHandler(Memo, "OnChange").Identity(), own.Identity());
  Memo->setPlainText("still works");

  // A copy of its handler written into another widget's event does nothing once it is gone.
  component = std::make_unique<TQNExpression>();
  component->SetExpTextCtrl(Combo);
  std::string identity = std::to_string(GetEventHandler(Combo, "OnChange").Identity());
  EXPECT_EQ(EvalText("SetCompValue('Memo1', 'OnChange', '" + identity + "')"), "etBoolean Yes");
  component.reset();
  Memo->setPlainText("no one listens");
}

TEST_F(Component, PublishedPropertiesAreReachableFromExpressions) {
  EXPECT_EQ(EvalText("SetCompValue('Exp1', 'ResultCtrl', GetCtrl('Label1'))"), "etBoolean Yes");
  EXPECT_EQ(EvalText("SetCompValue('Exp1', 'AutoEvalute', 'Yes')"), "etBoolean Yes");
  EXPECT_EQ(EvalText("SetCompValue('Exp1', 'ExpText', '6*7')"), "etBoolean Yes");
  EXPECT_EQ(Result(), "42");
  EXPECT_EQ(EvalText("GetCompValue('Exp1', 'ExpText')"), "etString 6*7");
}

}  // namespace
}  // namespace qnexp::testing
