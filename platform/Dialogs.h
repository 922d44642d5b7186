// The dialogs an expression may open (input box, message box, confirmation, error report) and
// the hint hook. Each is a replaceable hook: a graphical host installs its own dialogs; without
// one the dialogs are Qt dialogs when a Qt widget application exists, else they prompt on the
// terminal when there is one, and otherwise give the answers a user who cannot be asked would
// give. Texts are GBK. Single-threaded.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace qnexp {

// Message-box flags: the information icon with an OK button, and the question icon with OK
// and Cancel buttons; and the exclamation sound of a beep.
inline constexpr int MessageFlagsInformation = 64;
inline constexpr int MessageFlagsOkCancelQuestion = 33;
inline constexpr int BeepExclamation = 48;

// The installed dialogs. An empty member means the default behaviour of the function that
// calls it (see each function below).
struct TDialogHooks {
  // Returns the text in the box when it closes; the default text when cancelled.
  std::function<std::string(const std::string& caption, const std::string& prompt,
                            const std::string& defaultText)>
      Input;
  std::function<void(const std::string& caption, const std::string& text, int flags)> Display;
  // True exactly when the user chose OK.
  std::function<bool(const std::string& caption, const std::string& question, int flags)> Sure;
  std::function<void(const std::string& message)> ShowError;
  // Lets the user interface handle its pending events.
  std::function<void()> ProcessMessages;
  std::function<void(int soundType)> Beep;
};

// The process-wide hooks; assign members to install dialogs, reset them to uninstall.
TDialogHooks& DialogHooks();

// How the default dialogs decide between prompting and the answers without a user.
enum TDialogMode : uint8_t {
  dmAuto,      // prompt when standard input and standard error are both terminals
  dmTerminal,  // always prompt on standard input and standard error
  dmSilent,    // never prompt
};
void SetDialogMode(TDialogMode mode);
TDialogMode GetDialogMode();
// True when the default dialogs prompt under the current mode.
bool DialogsPrompt();

// A modal input box: the hook's answer. Default: prompts on the terminal (an empty line or the
// end of input keeps the default text); without one, the default text.
std::string InputDialog(const std::string& caption, const std::string& prompt,
                        const std::string& defaultText);

// A modal message box. Default: the caption and text on the terminal's standard error; without
// a terminal nothing is shown.
void MessageDialog(const std::string& caption, const std::string& text, int flags);

// A modal OK/Cancel confirmation. Default: asks on the terminal for "y" or "yes" (any case);
// any other answer or the end of input is Cancel; without a terminal, false.
bool ConfirmDialog(const std::string& caption, const std::string& question, int flags);

// Reports an error to the user. Default: the message and a line break on standard error.
void ShowError(const std::string& message);

// Lets the user interface handle pending events. Default: nothing to do.
void ProcessMessages();

// Plays a system sound. Default: the terminal bell when prompting, else silence.
void MessageBeep(int soundType);

// The host's hint handler: called with a text and a position; empty when none is installed.
using THintHandler = std::function<void(const std::string& text, int x, int y)>;
extern THintHandler UpdateHint;

// Shows a hint: calls UpdateHint when installed, otherwise sets the application's hint text.
void ShowHint(const std::string& text, int x, int y);

// The application's current hint text (empty at start).
const std::string& ApplicationHint();
void SetApplicationHint(const std::string& text);

// The terminal forms of the default dialogs, on the given streams (which carry UTF-8).
std::string TerminalInput(std::istream& in, std::ostream& out, const std::string& caption,
                          const std::string& prompt, const std::string& defaultText);
void TerminalMessage(std::ostream& out, const std::string& caption, const std::string& text);
bool TerminalConfirm(std::istream& in, std::ostream& out, const std::string& caption,
                     const std::string& question);

}  // namespace qnexp
