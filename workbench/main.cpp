// qnexpdemo: the desktop workbench.
//   qnexpdemo                              the window
//   qnexpdemo --screenshot FILE [-e TEXT]  renders the window (with TEXT evaluated) into a PNG
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "controls/QNExpression.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "workbench/MainForm.h"
#include "workbench/WorkbenchDatabase.h"

using namespace qnexp;
using namespace qnexp::workbench;

namespace {

const char kUsage[] =
    "usage: qnexpdemo [--screenshot FILE [-e TEXT]]\n"
    "  --screenshot FILE  render the window offscreen into the PNG file FILE and exit\n"
    "  -e TEXT            with --screenshot: put TEXT (UTF-8) into the editor and evaluate it\n";

struct TOptions {
  std::string Screenshot;
  std::string Text;
  bool HasText = false;
};

bool ParseArgs(int argc, char** argv, TOptions& options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--screenshot" && hasValue) {
      options.Screenshot = argv[++i];
    } else if (arg == "-e" && hasValue) {
      options.Text = argv[++i];
      options.HasText = true;
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else {
      return false;
    }
  }
  return !options.HasText || !options.Screenshot.empty();
}

// Shows the window, runs its start steps and the text, and saves what it shows.
int Screenshot(TExpMainForm& form, const TOptions& options) {
  std::string errors;
  // Nobody is there to answer a dialog: messages go to standard error, questions get Cancel.
  DialogHooks().ShowError = [&errors](const std::string& message) { errors += message + "\n"; };
  DialogHooks().Display = [&errors](const std::string& caption, const std::string& text, int) {
    errors += caption + ": " + text + "\n";
  };
  DialogHooks().Sure = [](const std::string&, const std::string&, int) { return false; };
  DialogHooks().Input = [](const std::string&, const std::string&, const std::string& text) {
    return text;
  };
  form.show();
  QApplication::processEvents();
  try {
    form.MainFormShown();
  } catch (const Exception& error) {
    errors += error.Message + "\n";
  }
  if (options.HasText) {
    form.findChild<QWidget*>("MemoExpression")->setProperty("plainText", QString::fromUtf8(options.Text.c_str()));
    form.Expression().TakeExpValue();
  }
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  QImage image = form.grab().toImage();
  if (!image.save(QString::fromLocal8Bit(options.Screenshot.c_str()), "PNG")) {
    std::fprintf(stderr, "qnexpdemo: cannot write %s\n", options.Screenshot.c_str());
    return 1;
  }
  if (!errors.empty()) std::fputs(GbkToUtf8Lenient(errors).c_str(), stderr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  if (!ParseArgs(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 3;
  }
  // A screenshot needs no display: without one it renders on the offscreen platform.
  if (!options.Screenshot.empty() && !std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
      !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  StartWorkbenchUnits();
  int status;
  {
    TExpMainForm form;
    if (!options.Screenshot.empty()) {
      status = Screenshot(form, options);
    } else {
      form.show();
      status = app.exec();
    }
  }
  StopDatabaseUnit();
  return status;
}
