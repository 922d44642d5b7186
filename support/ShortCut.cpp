// Reading keyboard shortcut texts into shortcut codes.
#include "support/ShortCut.h"

#include <string>
#include <vector>

#include "runtime/GbkChars.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

struct TKeyName {
  const char* Name;  // upper case
  int32_t Code;
};

constexpr TKeyName kNamedKeys[] = {
    {"ENTER", 0x0D},    {"RETURN", 0x0D},  {"ESC", 0x1B},       {"ESCAPE", 0x1B},
    {"TAB", 0x09},      {"BACKSPACE", 0x08}, {"SPACE", 0x20},   {"INS", 0x2D},
    {"INSERT", 0x2D},   {"DEL", 0x2E},     {"DELETE", 0x2E},    {"HOME", 0x24},
    {"END", 0x23},      {"PGUP", 0x21},    {"PAGEUP", 0x21},    {"PGDOWN", 0x22},
    {"PAGEDOWN", 0x22}, {"LEFT", 0x25},    {"UP", 0x26},        {"RIGHT", 0x27},
    {"DOWN", 0x28},     {"PRINT", 0x2C},   {"PAUSE", 0x13},     {"MENU", 0x5D},
};

// The punctuation keys of a US layout, by the character on the unshifted key ("+" shares the
// "=" key, as it does on the keyboard).
constexpr TKeyName kPunctuation[] = {
    {";", 0xBA}, {"=", 0xBB}, {"+", 0xBB}, {",", 0xBC}, {"-", 0xBD}, {".", 0xBE}, {"/", 0xBF},
    {"`", 0xC0}, {"[", 0xDB}, {"\\", 0xDC}, {"]", 0xDD}, {"'", 0xDE},
};

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

int32_t KeyNameToVirtualKey(std::string_view name) {
  if (name.size() == 1) {
    char c = name[0];
    if (c >= 'a' && c <= 'z') return AsciiUpper(c);
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    for (const TKeyName& key : kPunctuation)
      if (key.Name[0] == c) return key.Code;
    return 0;
  }
  std::string upper = UpperCase(name);
  if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == 'F') {
    int number = 0;
    for (size_t i = 1; i < upper.size(); ++i) {
      if (upper[i] < '0' || upper[i] > '9') return 0;
      number = number * 10 + (upper[i] - '0');
    }
    // "F01" is not a key name.
    if (upper[1] == '0' || number < 1 || number > 24) return 0;
    return 0x70 + number - 1;
  }
  for (const TKeyName& key : kNamedKeys)
    if (upper == key.Name) return key.Code;
  return 0;
}

int32_t TextToShortCut(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return 0;
  // The key is what follows the last "+" that separates; a "+" at the very end is the key
  // itself ("Ctrl++", or "+" alone).
  std::string_view key;
  std::string_view modifiers;
  if (text.back() == '+') {
    key = "+";
    modifiers = text.substr(0, text.size() - 1);
    modifiers = TrimBlanks(modifiers);
    if (!modifiers.empty()) {
      if (modifiers.back() != '+') return 0;
      modifiers.remove_suffix(1);
      if (modifiers.empty()) return 0;
    }
  } else {
    size_t plus = text.rfind('+');
    if (plus == std::string_view::npos) {
      key = text;
    } else {
      key = text.substr(plus + 1);
      modifiers = text.substr(0, plus);
      if (TrimBlanks(modifiers).empty()) return 0;
    }
  }
  int32_t code = KeyNameToVirtualKey(TrimBlanks(key));
  if (code == 0) return 0;
  while (!modifiers.empty()) {
    size_t plus = modifiers.find('+');
    std::string_view part = TrimBlanks(modifiers.substr(0, plus));
    modifiers = plus == std::string_view::npos ? std::string_view{} : modifiers.substr(plus + 1);
    if (plus != std::string_view::npos && modifiers.empty()) return 0;
    if (SameText(part, "Ctrl"))
      code |= kShortCutCtrl;
    else if (SameText(part, "Shift"))
      code |= kShortCutShift;
    else if (SameText(part, "Alt"))
      code |= kShortCutAlt;
    else
      return 0;
  }
  return code;
}

}  // namespace qnexp
