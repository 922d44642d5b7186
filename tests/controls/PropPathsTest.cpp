// Property paths on real widgets through GetCompValue and SetCompValue: every kind of property,
// lists indexed and appended to, and the bad paths that give the empty text or false.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include "ControlsTesting.h"
#include "controls/PropPaths.h"
#include "controls/QNExpression.h"
#include "platform/Events.h"

namespace qnexp::testing {
namespace {

class PropPaths : public TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit->setText("hello");
    Make<QTreeWidget>(Form->centralWidget(), "Tree1");
    Exp = Make<TQNExpression>(Form, "Exp1");
    Exp->SetResultCtrl(Edit);
    Label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Edit->setProperty("Total", 5);
    Action->setText("Go");
  }
  TQNExpression* Exp = nullptr;
};

TEST_F(PropPaths, ReadsEveryKindOfProperty) {
  struct Row {
    std::string Text;
    std::string Expected;
  };
  const Row rows[] = {
      {"GetCompValue('Edit1', 'Text')", "etString hello"},
      {"GetCompValue('edit1', 'TEXT')", "etString hello"},
      {"GetCompValue('Edit1', 'MaxLength')", "etInteger 32767"},
      {"GetCompValue('Check1', 'Checked')", "etBoolean No"},
      {"GetCompValue('Edit1', 'EchoMode')", "etString Normal"},
      {"GetCompValue('Label1', 'Alignment')", "etString AlignHCenter|AlignTop"},
      {"GetCompValue('Exp1', 'ResultCtrl')", "etInteger " + HandleText(Edit)},
      {"GetCompValue('Exp1', 'ResultCtrl.Text')", "etString hello"},
      {"GetCompValue('Exp1', 'ExpTextCtrl.Text')", "etString "},
      {"GetCompValue('Edit1', 'Total')", "etInteger 5"},
      {"GetCompValue('Button1', 'OnClick')", "etInt64 0"},
      {"GetCompValue('Combo1', 'Items.Count')", "etInteger 3"},
      {"GetCompValue('Combo1', 'Items[1].Text')", "etString b"},
      {"GetCompValue('List1', 'Items[0].Checked')", "etBoolean No"},
      {"GetCompValue('Memo1', 'Lines[1]')", "etString line2"},
      {"GetCompValue('Memo1', 'Lines.Text')", "etString line1\nline2"},
      {"GetCompValue('Memo1', 'Lines.Objects[0]')", "etInteger 0"},
      {"GetCompValue(0, 'Actions[0].Text')", "etString Go"},
      {"GetCompValue(0, 'Actions[0]')", "etInteger " + HandleText(Action)},
      {"GetCompValue(0, '')", "etString " + HandleText(Form)},
      {"GetCompValue(" + HandleText(Edit) + ", '')", "etString " + HandleText(Edit)},
      // Bad input reads as the empty text.
      {"GetCompValue('Nothing', 'Text')", "etString "},
      {"GetCompValue('Edit1', 'NoSuchProperty')", "etString "},
      {"GetCompValue('Edit1', 'Text.Length')", "etString "},
      {"GetCompValue('Memo1', 'Lines[2]')", "etString "},
      {"GetCompValue('Combo1', 'Items[-1].Text')", "etString "},
      {"GetCompValue('Combo1', 'Items[x].Text')", "etString "},
      {"GetCompValue('Combo1', 'Items[1.Text')", "etString "},
      {"GetCompValue('Edit1', 'MaxLength[0]')", "etString "},
      {"GetCompValue(987654, 'Text')", "etString "},
  };
  for (const Row& row : rows) EXPECT_EQ(EvalText(row.Text), row.Expected) << row.Text;
}

TEST_F(PropPaths, WritesEveryKindOfPropertyAndReadsItBack) {
  struct Row {
    std::string Component, Path, Value;
    const char* Result;
    std::string ReadBack;  // GetCompValue of the same path afterwards (empty: not read)
  };
  const Row rows[] = {
      {"'Edit1'", "Text", "abc", "Yes", "etString abc"},
      {"'Check1'", "Checked", "Yes", "Yes", "etBoolean Yes"},  // the true word
      {"'Check1'", "Checked", "no", "Yes", "etBoolean No"},
      {"'Check1'", "Checked", "TRUE", "Yes", "etBoolean Yes"},
      {"'Check1'", "Checked", "maybe", "No", "etBoolean Yes"},
      {"'Edit1'", "MaxLength", "12", "Yes", "etInteger 12"},
      {"'Edit1'", "MaxLength", "twelve", "No", "etInteger 12"},
      {"'Edit1'", "EchoMode", "password", "Yes", "etString Password"},
      {"'Edit1'", "EchoMode", "Bogus", "No", "etString Password"},
      {"'Label1'", "Alignment", "AlignHCenter|AlignBottom", "Yes", "etString AlignHCenter|AlignBottom"},
      {"'Label1'", "Alignment", "AlignNowhere", "No", "etString AlignHCenter|AlignBottom"},
      {"'Exp1'", "ResultCtrl.Text", "via result", "Yes", ""},
      {"'Edit1'", "Total", "7", "Yes", "etInteger 7"},
      {"'Edit1'", "HasSelectedText", "True", "No", ""},  // read-only
      {"'Edit1'", "NoSuchProperty", "1", "No", ""},
      {"'Nothing'", "Text", "1", "No", ""},
      {"'Edit1'", "", "1", "No", ""},
      // A collection takes item n below the count and appends one at n = count.
      {"'Combo1'", "Items[0].Text", "A", "Yes", "etString A"},
      {"'Combo1'", "Items[3].Text", "d", "Yes", "etString d"},
      {"'Combo1'", "Items[5].Text", "f", "No", ""},
      {"'Combo1'", "Items[4]", "e", "No", ""},
      {"'List1'", "Items[1].Checked", "Yes", "Yes", "etBoolean Yes"},
      {"'Tree1'", "Items[0].Text", "root", "Yes", "etString root"},
      // A string list replaces string n or appends.
      {"'Memo1'", "Lines[0]", "first", "Yes", "etString first"},
      {"'Memo1'", "Lines[9]", "third", "Yes", ""},
      {"'Memo1'", "Lines.Objects[0]", "1", "No", ""},
  };
  for (const Row& row : rows) {
    std::string set = "SetCompValue(" + row.Component + ", '" + row.Path + "', '" + row.Value + "')";
    EXPECT_EQ(EvalText(set), std::string("etBoolean ") + row.Result) << set;
    if (!row.ReadBack.empty()) {
      std::string get = "GetCompValue(" + row.Component + ", '" + row.Path + "')";
      EXPECT_EQ(EvalText(get), row.ReadBack) << set;
    }
  }
  EXPECT_EQ(Edit->text().toStdString(), "via result");
  EXPECT_EQ(Combo->count(), 4);
  EXPECT_EQ(Memo->toPlainText().toStdString(), "first\nline2\nthird");
}

TEST_F(PropPaths, ClearEmptiesListsAndObjectPropertiesTakeHandles) {
  EXPECT_EQ(EvalText("SetCompValue('Combo1', 'Items', 'clear')"), "etBoolean Yes");
  EXPECT_EQ(Combo->count(), 0);
  EXPECT_EQ(EvalText("SetCompValue('Memo1', 'Lines', 'Clear')"), "etBoolean Yes");
  EXPECT_EQ(Memo->toPlainText().toStdString(), "");

  EXPECT_EQ(EvalText("SetCompValue('Exp1', 'ResultCtrl', " + HandleText(Label) + ")"), "etBoolean Yes");
  EXPECT_EQ(Exp->GetResultCtrl(), Label);
  // A handle that designates nothing, or an object of another class, is refused.
  for (std::string handle : {std::string("987654"), HandleText(Action)})
    EXPECT_EQ(EvalText("SetCompValue('Exp1', 'ResultCtrl', " + handle + ")"), "etBoolean No");
  EXPECT_EQ(Exp->GetResultCtrl(), Label);
  EXPECT_EQ(EvalText("SetCompValue('Exp1', 'ResultCtrl', 0)"), "etBoolean Yes");
  EXPECT_EQ(Exp->GetResultCtrl(), nullptr);

  // A plain list: entries replaced and appended by handle.
  auto* second = Make<QAction>(Form, "Action2");
  EXPECT_EQ(EvalText("SetCompValue(0, 'Actions[1]', GetCtrl('Action2'))"), "etBoolean Yes");
  EXPECT_EQ(Form->actions().size(), 2);
  EXPECT_EQ(Form->actions().value(1), second);
  EXPECT_EQ(EvalText("SetCompValue(0, 'Actions[0]', GetCtrl('Edit1'))"), "etBoolean No");
  EXPECT_EQ(EvalText("SetCompValue(0, 'Actions', 'Clear')"), "etBoolean Yes");
  EXPECT_TRUE(Form->actions().isEmpty());
}

TEST_F(PropPaths, EventsReadAndWriteHandlerIdentities) {
  int clicks = 0;
  TNotifyEvent handler = MakeNotifyEvent("Test.Click", [&clicks](QObject*) { ++clicks; });
  ASSERT_TRUE(SetEventHandler(Check, "onclick", handler));
  std::string identity = std::to_string(handler.Identity());
  EXPECT_EQ(EvalText("GetCompValue('Check1', 'OnClick')"), "etInt64 " + identity);

  EXPECT_EQ(EvalText("SetCompValue('Button1', 'OnClick', '" + identity + "')"), "etBoolean Yes");
  Button->click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(EvalText("SetCompValue('Button1', 'OnClick', '12345')"), "etBoolean No");
  EXPECT_EQ(EvalText("SetCompValue('Button1', 'OnClick', 0)"), "etBoolean Yes");
  Button->click();
  EXPECT_EQ(clicks, 1);
  // A plain object publishes no events.
  QObject plain;
  EXPECT_FALSE(SetEventHandler(&plain, "OnClick", handler));
  EXPECT_EQ(TryGetPropValue(&plain, "OnClick").AsString(), "");
}

}  // namespace
}  // namespace qnexp::testing
