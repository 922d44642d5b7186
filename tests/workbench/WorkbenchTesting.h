// The workbench's main window for tests, on Qt's offscreen platform: the program's units are
// started once, each test gets a fresh window that has run its start steps, and what the
// window would show in dialogs is collected instead.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/OsText.h"
#include "runtime/Gbk.h"
#include "workbench/MainForm.h"
#include "workbench/WorkbenchFiles.h"

namespace qnexp::testing {

class TWorkbenchTest : public ::testing::Test {
protected:
  // A test that changes the shipped files works on copies of them in a folder of its own.
  explicit TWorkbenchTest(bool ownFiles = false) : OwnFiles(ownFiles) {}

  void SetUp() override {
    if (OwnFiles) CopyResources();
    workbench::StartWorkbenchUnits();
    Saved = DialogHooks();
    DialogHooks().ShowError = [this](const std::string& message) { Errors.push_back(message); };
    DialogHooks().Display = [this](const std::string& caption, const std::string& text, int) {
      Messages.push_back(caption + ": " + text);
    };
    DialogHooks().Sure = [this](const std::string&, const std::string& question, int) {
      Questions.push_back(question);
      return Answer;
    };
    Form = std::make_unique<workbench::TExpMainForm>();
    Form->MainFormShown();
  }
  void TearDown() override {
    Form.reset();
    DialogHooks() = Saved;
    if (!Root.empty()) {
      workbench::SetResourceRoot({});
      std::error_code ignored;
      std::filesystem::remove_all(Root, ignored);
    }
  }

  void CopyResources() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/qnexp-wb-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Root = pattern;
    std::filesystem::path shipped = ToOsPath(workbench::ResourcePath(""));
    for (const char* folder : {"Data", "Expressions"})
      std::filesystem::copy(shipped / folder, std::filesystem::path(Root) / folder,
                            std::filesystem::copy_options::recursive);
    workbench::SetResourceRoot(FromUtf8(QString::fromStdString(Root)));
  }

  template <class T = QWidget>
  T* Child(const char* name) const {
    T* found = Form->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QPlainTextEdit* Editor() const { return Child<QPlainTextEdit>("MemoExpression"); }
  std::string Result() const {
    return FromUtf8(Child<QPlainTextEdit>("MemoResult")->toPlainText());
  }
  // The texts of a list's items, in their order.
  std::vector<std::string> Items(const char* list) const {
    std::vector<std::string> texts;
    QListWidget* box = Child<QListWidget>(list);
    for (int i = 0; i < box->count(); ++i) texts.push_back(FromUtf8(box->item(i)->text()));
    return texts;
  }
  static bool Contains(const std::vector<std::string>& items, const std::string& text) {
    return std::find(items.begin(), items.end(), text) != items.end();
  }
  // QString to the GBK the engine uses.
  static std::string FromUtf8(const QString& text) { return Utf8ToGbkLenient(text.toStdString()); }
  // Evaluates text with the window's expression component, as the evaluate action does.
  std::string Evaluate(const char* utf8) {
    Editor()->setPlainText(QString::fromUtf8(utf8));
    Child<QAction>("ActEvalute")->trigger();
    return Result();
  }

  bool OwnFiles;
  std::string Root;  // the folder of the copies (UTF-8), when the test has them
  std::unique_ptr<workbench::TExpMainForm> Form;
  std::vector<std::string> Errors;
  std::vector<std::string> Messages;
  std::vector<std::string> Questions;
  bool Answer = true;
  TDialogHooks Saved;
};

}  // namespace qnexp::testing
