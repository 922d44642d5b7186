// The replaceable dialog hooks and their terminal and non-interactive defaults.
#include "platform/Dialogs.h"

#include <unistd.h>

#include <iostream>

#include "platform/OsText.h"
#include "platform/QtDialogs.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"

namespace qnexp {

THintHandler UpdateHint;

namespace {

TDialogMode& Mode() {
  static TDialogMode mode = dmAuto;
  return mode;
}

std::string& HintText() {
  static std::string text;
  return text;
}

// One line of the terminal in GBK, without its line end; false at the end of input.
bool ReadAnswer(std::istream& in, std::string& answer) {
  std::string line;
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  answer = FromOsText(line);
  return true;
}

std::string Shown(const std::string& gbk) { return GbkToUtf8Lenient(gbk); }

bool IsYes(const std::string& answer) {
  std::string word;
  for (char c : answer)
    if (c != ' ' && c != '\t') word += c;
  return SameText(word, "y") || SameText(word, "yes");
}

}  // namespace

TDialogHooks& DialogHooks() {
  static TDialogHooks hooks;
  return hooks;
}

void SetDialogMode(TDialogMode mode) { Mode() = mode; }

TDialogMode GetDialogMode() { return Mode(); }

bool DialogsPrompt() {
  switch (Mode()) {
    case dmTerminal:
      return true;
    case dmSilent:
      return false;
    case dmAuto:
      break;
  }
  return isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1;
}

std::string TerminalInput(std::istream& in, std::ostream& out, const std::string& caption,
                          const std::string& prompt, const std::string& defaultText) {
  if (!caption.empty()) out << Shown(caption) << '\n';
  out << Shown(prompt);
  if (!defaultText.empty()) out << " [" << Shown(defaultText) << ']';
  out << ": " << std::flush;
  std::string answer;
  if (!ReadAnswer(in, answer) || answer.empty()) return defaultText;
  return answer;
}

void TerminalMessage(std::ostream& out, const std::string& caption, const std::string& text) {
  if (!caption.empty()) out << Shown(caption) << ": ";
  out << Shown(text) << '\n' << std::flush;
}

bool TerminalConfirm(std::istream& in, std::ostream& out, const std::string& caption,
                     const std::string& question) {
  if (!caption.empty()) out << Shown(caption) << ": ";
  out << Shown(question) << " (y/n) " << std::flush;
  std::string answer;
  return ReadAnswer(in, answer) && IsYes(answer);
}

std::string InputDialog(const std::string& caption, const std::string& prompt,
                        const std::string& defaultText) {
  if (const auto& hook = DialogHooks().Input) return hook(caption, prompt, defaultText);
  if (QtDialogsAvailable()) return QtInputDialog(caption, prompt, defaultText);
  if (!DialogsPrompt()) return defaultText;
  return TerminalInput(std::cin, std::cerr, caption, prompt, defaultText);
}

void MessageDialog(const std::string& caption, const std::string& text, int flags) {
  if (const auto& hook = DialogHooks().Display) return hook(caption, text, flags);
  if (QtDialogsAvailable()) return QtMessageDialog(caption, text, flags);
  if (DialogsPrompt()) TerminalMessage(std::cerr, caption, text);
}

bool ConfirmDialog(const std::string& caption, const std::string& question, int flags) {
  if (const auto& hook = DialogHooks().Sure) return hook(caption, question, flags);
  if (QtDialogsAvailable()) return QtConfirmDialog(caption, question, flags);
  return DialogsPrompt() && TerminalConfirm(std::cin, std::cerr, caption, question);
}

void ShowError(const std::string& message) {
  if (const auto& hook = DialogHooks().ShowError) return hook(message);
  if (QtDialogsAvailable()) return QtShowError(message);
  std::cerr << Shown(message) << '\n' << std::flush;
}

void ProcessMessages() {
  if (const auto& hook = DialogHooks().ProcessMessages) return hook();
  if (QtDialogsAvailable()) QtProcessMessages();
}

void MessageBeep(int soundType) {
  if (const auto& hook = DialogHooks().Beep) return hook(soundType);
  if (QtDialogsAvailable()) return QtBeep();
  if (DialogsPrompt()) std::cerr << '\a' << std::flush;
}

void ShowHint(const std::string& text, int x, int y) {
  if (UpdateHint)
    UpdateHint(text, x, y);
  else
    HintText() = text;
}

const std::string& ApplicationHint() { return HintText(); }

void SetApplicationHint(const std::string& text) { HintText() = text; }

}  // namespace qnexp
