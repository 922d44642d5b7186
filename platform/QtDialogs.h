// The Qt forms of the default dialogs, used whenever a Qt widget application exists and the
// host has installed no hook of its own. Texts are GBK. User-interface thread only.
#pragma once

#include <string>

namespace qnexp {

// True when a QApplication exists (a GUI program, or a test on the offscreen platform).
bool QtDialogsAvailable();

// A modal QInputDialog; the default text when cancelled.
std::string QtInputDialog(const std::string& caption, const std::string& prompt,
                          const std::string& defaultText);
// A modal QMessageBox with an OK button; the icon follows the message-box flags (16 critical,
// 32 question, 48 warning, 64 information, else none).
void QtMessageDialog(const std::string& caption, const std::string& text, int flags);
// A modal QMessageBox with OK and Cancel (Yes and No when the flags ask for them, 3 or 4 in the
// low bits); true exactly when the user chose OK or Yes.
bool QtConfirmDialog(const std::string& caption, const std::string& question, int flags);
// A modal critical QMessageBox with the message.
void QtShowError(const std::string& message);
// Handles the pending events of the application.
void QtProcessMessages();
// The application's beep.
void QtBeep();

}  // namespace qnexp
