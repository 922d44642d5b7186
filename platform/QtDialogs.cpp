// The default dialogs as Qt dialogs.
#include "platform/QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "platform/QtText.h"

namespace qnexp {

namespace {

QMessageBox::Icon IconOfFlags(int flags) {
  switch (flags & 0xF0) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

QString Title(const std::string& caption) {
  return caption.empty() ? QApplication::applicationName() : ToQString(caption);
}

}  // namespace

bool QtDialogsAvailable() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

std::string QtInputDialog(const std::string& caption, const std::string& prompt,
                          const std::string& defaultText) {
  bool accepted = false;
  QString text = QInputDialog::getText(QApplication::activeWindow(), Title(caption),
                                       ToQString(prompt), QLineEdit::Normal,
                                       ToQString(defaultText), &accepted);
  return accepted ? FromQString(text) : defaultText;
}

void QtMessageDialog(const std::string& caption, const std::string& text, int flags) {
  QMessageBox box(IconOfFlags(flags), Title(caption), ToQString(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

bool QtConfirmDialog(const std::string& caption, const std::string& question, int flags) {
  int buttons = flags & 0x0F;
  bool yesNo = buttons == 3 || buttons == 4;
  QMessageBox box(IconOfFlags(flags), Title(caption), ToQString(question),
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel,
                  QApplication::activeWindow());
  int answer = box.exec();
  return answer == QMessageBox::Ok || answer == QMessageBox::Yes;
}

void QtShowError(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), ToQString(message),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void QtProcessMessages() { QCoreApplication::processEvents(); }

void QtBeep() { QApplication::beep(); }

}  // namespace qnexp
