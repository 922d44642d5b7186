// Forms, the default owner, component look-up, handles of destroyed objects, the published
// events table and the Qt dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <memory>

#include "ControlsTesting.h"
#include "platform/Events.h"

namespace qnexp::testing {
namespace {

using Forms = TFormTest;

TEST_F(Forms, FormsKeepTheirOrderAndDefOwnerFallsBackStepByStep) {
  auto dialog = std::make_unique<QDialog>();
  dialog->setObjectName("mainform");  // the same name, made later
  QMenu popup;
  std::vector<QWidget*> forms = qnexp::Forms();
  auto at = [&forms](QWidget* form) { return std::find(forms.begin(), forms.end(), form); };
  ASSERT_NE(at(Form), forms.end());
  EXPECT_LT(at(Form), at(dialog.get()));
  EXPECT_EQ(at(&popup), forms.end());
  EXPECT_EQ(MainForm(), Form);

  EXPECT_EQ(EvalText("SetProcessForm('MAINFORM')"), "etBoolean Yes");
  EXPECT_EQ(ProcessForm(), Form);
  EXPECT_EQ(EvalText("SetProcessForm('NoSuchForm')"), "etBoolean No");
  EXPECT_EQ(ProcessForm(), Form);
  EXPECT_EQ(EvalText("SetProcessForm(" + HandleText(dialog.get()) + ")"), "etBoolean Yes");
  EXPECT_EQ(DefOwner(), dialog.get());

  // A destroyed process form is forgotten: then the active form, the main form, the
  // application object.
  dialog.reset();
  EXPECT_EQ(ProcessForm(), nullptr);
  auto other = std::make_unique<QWidget>();
  other->show();
  QApplication::setActiveWindow(other.get());
  EXPECT_EQ(DefOwner(), other.get());
  other.reset();
  EXPECT_EQ(DefOwner(), Form);
  delete Form;
  Form = nullptr;
  EXPECT_EQ(DefOwner(), QCoreApplication::instance());
}

TEST_F(Forms, ComponentsAreFoundByNameAmongTheOwnersDescendants) {
  auto* direct = Make<QLabel>(Form, "edit1");  // a direct child wins over a nested one
  EXPECT_EQ(GetComponent("EDIT1"), direct);
  EXPECT_EQ(GetComponent("Memo1"), Memo);
  EXPECT_EQ(GetComponent(""), Form);
  EXPECT_EQ(GetComponent("Nothing"), nullptr);
  // A dialog owned by the form keeps its widgets to itself.
  auto* dialog = new QDialog(Form);
  Make<QLabel>(dialog, "Inside");
  EXPECT_EQ(GetComponent("Inside"), nullptr);
  // The application object owns the forms.
  SetProcessForm(nullptr);
  delete Form;
  Form = nullptr;
  auto form = std::make_unique<QWidget>();
  form->setObjectName("Lonely");
  EXPECT_EQ(GetComponent("lonely"), form.get());
}

TEST_F(Forms, HandlesOfDestroyedComponentsDesignateNothing) {
  int32_t handle = ComponentHandle(Edit);
  EXPECT_EQ(EvalText("GetCtrl('Edit1')"), "etInteger " + std::to_string(handle));
  EXPECT_EQ(ComponentOfHandle(handle), Edit);
  delete Edit;
  EXPECT_EQ(ComponentOfHandle(handle), nullptr);
  EXPECT_EQ(EvalText("GetCompValue(" + std::to_string(handle) + ", 'Text')"), "etString ");
  EXPECT_EQ(EvalText("SetCompValue(" + std::to_string(handle) + ", 'Text', 'x')"), "etBoolean No");
  EXPECT_EQ(EvalText("GetCtrl('Edit1')"), "etInteger 0");
  // A new object never takes an old handle.
  auto* again = Make<QLineEdit>(Form, "Edit1");
  EXPECT_NE(ComponentHandle(again), handle);
}

TEST_F(Forms, EventsAreNamedHandlersThatSignalsDispatch) {
  std::vector<std::string> calls;
  auto record = [&calls](const char* what) {
    return MakeNotifyEvent("Test.Record", [&calls, what](QObject*) { calls.push_back(what); });
  };
  EXPECT_TRUE(SetEventHandler(Button, "OnClick", record("button")));
  EXPECT_TRUE(SetEventHandler(Edit, "OnChange", record("edit")));
  EXPECT_TRUE(SetEventHandler(Combo, "OnChange", record("combo")));
  EXPECT_TRUE(SetEventHandler(Action, "OnExecute", record("action")));
  EXPECT_FALSE(SetEventHandler(Action, "OnChange", record("never")));
  Button->click();
  Edit->setText("typed");
  Combo->setCurrentIndex(2);
  Action->trigger();
  EXPECT_EQ(calls, (std::vector<std::string>{"button", "edit", "combo", "action"}));
  EXPECT_EQ(PublishedEventName(Memo, "onchange"), "OnChange");
  // Two handlers of one operation share the code; each has its own identity.
  TNotifyEvent first = record("a"), second = record("b");
  EXPECT_EQ(first.Code, second.Code);
  EXPECT_NE(first.Identity(), second.Identity());
  // An error a handler raises is reported, not thrown through Qt.
  SetEventHandler(Button, "OnClick",
                  MakeNotifyEvent("Test.Raise", [](QObject*) { throw Exception("boom"); }));
  Button->click();
  EXPECT_EQ(Errors, std::vector<std::string>{"boom"});
}

// Answers the next modal dialog: types text into an input dialog, then presses button.
void AnswerNextDialog(const QString& text, QDialogButtonBox::StandardButton button) {
  auto* timer = new QTimer(QCoreApplication::instance());
  QObject::connect(timer, &QTimer::timeout, [timer, text, button] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    timer->deleteLater();
    if (auto* input = qobject_cast<QInputDialog*>(modal)) {
      input->setTextValue(text);
      button == QDialogButtonBox::Ok ? input->accept() : input->reject();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      box->button(static_cast<QMessageBox::StandardButton>(button))->click();
    }
  });
  timer->start(10);
}

TEST_F(Forms, DefaultDialogsAreQtDialogsUnderAnApplication) {
  DialogHooks() = TDialogHooks{};
  AnswerNextDialog("typed", QDialogButtonBox::Ok);
  EXPECT_EQ(InputDialog("Caption", "Prompt", "default"), "typed");
  AnswerNextDialog("ignored", QDialogButtonBox::Cancel);
  EXPECT_EQ(InputDialog("Caption", "Prompt", "default"), "default");
  AnswerNextDialog({}, QDialogButtonBox::Ok);
  EXPECT_TRUE(ConfirmDialog("Caption", "Sure?", MessageFlagsOkCancelQuestion));
  AnswerNextDialog({}, QDialogButtonBox::Cancel);
  EXPECT_FALSE(ConfirmDialog("Caption", "Sure?", MessageFlagsOkCancelQuestion));
  AnswerNextDialog({}, QDialogButtonBox::Ok);
  MessageDialog("Caption", "Shown", MessageFlagsInformation);
  AnswerNextDialog({}, QDialogButtonBox::Ok);
  ShowError("failed");
}

}  // namespace
}  // namespace qnexp::testing
