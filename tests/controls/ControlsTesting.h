// A form of real widgets for the control tests, on Qt's offscreen platform: a main window
// "MainForm" whose widgets sit in its central widget, set as the process form; errors that
// handlers raise are collected instead of shown.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "EngineTesting.h"
#include "controls/ComponentHooker.h"
#include "platform/Dialogs.h"
#include "platform/Forms.h"

namespace qnexp::testing {

class TFormTest : public TPrivateVarListTest {
protected:
  void SetUp() override {
    TPrivateVarListTest::SetUp();
    Form = new QMainWindow;
    Form->setObjectName("MainForm");
    auto* central = new QWidget(Form);
    central->setObjectName("Central");
    Form->setCentralWidget(central);
    Edit = Make<QLineEdit>(central, "Edit1");
    Label = Make<QLabel>(central, "Label1");
    Button = Make<QPushButton>(central, "Button1");
    Check = Make<QCheckBox>(central, "Check1");
    Combo = Make<QComboBox>(central, "Combo1");
    Combo->addItems({"a", "b", "c"});
    List = Make<QListWidget>(central, "List1");
    List->addItems({"x", "y"});
    Memo = Make<QPlainTextEdit>(central, "Memo1");
    Memo->setPlainText("line1\nline2");
    Action = Make<QAction>(Form, "Action1");
    Form->addAction(Action);
    SetProcessForm(Form);
    SavedDialogs = DialogHooks();
    DialogHooks().ShowError = [this](const std::string& message) { Errors.push_back(message); };
  }
  void TearDown() override {
    ReleaseHooks();
    delete Form;
    SetProcessForm(nullptr);
    DialogHooks() = SavedDialogs;
    TPrivateVarListTest::TearDown();
  }
  template <class T, class Parent>
  static T* Make(Parent* parent, const char* name) {
    T* object = new T(parent);
    object->setObjectName(name);
    return object;
  }
  // The handle of a component as expression text.
  static std::string HandleText(QObject* object) { return std::to_string(ComponentHandle(object)); }

  QMainWindow* Form = nullptr;
  QLineEdit* Edit = nullptr;
  QLabel* Label = nullptr;
  QPushButton* Button = nullptr;
  QCheckBox* Check = nullptr;
  QComboBox* Combo = nullptr;
  QListWidget* List = nullptr;
  QPlainTextEdit* Memo = nullptr;
  QAction* Action = nullptr;
  std::vector<std::string> Errors;
  TDialogHooks SavedDialogs;
};

}  // namespace qnexp::testing
