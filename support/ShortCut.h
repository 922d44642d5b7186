// Keyboard shortcut texts such as "Ctrl+S" read into the 16-bit shortcut code of the classic
// desktop menus: the virtual-key code in the low byte, flags for the modifiers above it.
#pragma once

#include <cstdint>
#include <string_view>

namespace qnexp {

// The modifier flags of a shortcut code.
inline constexpr int32_t kShortCutShift = 0x2000;
inline constexpr int32_t kShortCutCtrl = 0x4000;
inline constexpr int32_t kShortCutAlt = 0x8000;

// The virtual-key code of a key name, 0 when the name is unknown. Names are matched without
// regard to letter case: A to Z, 0 to 9, F1 to F24, Enter/Return, Esc/Escape, Tab, Backspace,
// Space, Ins/Insert, Del/Delete, Home, End, PgUp/PageUp, PgDown/PageDown, Left, Up, Right,
// Down, Print, Pause, Menu, and the punctuation keys ; = + , - . / ` [ \ ] ' (written as the
// character itself; "+" and "=" share a key).
int32_t KeyNameToVirtualKey(std::string_view name);

// The shortcut code of text: modifier names (Ctrl, Shift, Alt; Meta has no flag in this code
// and so makes the text no shortcut) each followed by "+", then one key name; blanks around
// the parts are ignored, and "Ctrl++" names the "+" key. Any other text (empty, a modifier
// alone, an unknown name, a modifier after the key, several sequences separated by ",") gives 0.
int32_t TextToShortCut(std::string_view text);

}  // namespace qnexp
