// The clipboard the engine puts texts and objects on. For now it is private to the process;
// a graphical host replaces it with the desktop's clipboard. Single-threaded.
#pragma once

#include <string>

namespace qnexp {

// Empties the clipboard, then puts bytes on it under mimeType (one copy replaces everything the
// clipboard held before, texts included). An empty mimeType is ignored: nothing changes.
void SetClipboardData(const std::string& mimeType, const std::string& bytes);

// True with bytes filled when the clipboard holds data under mimeType; false (bytes left
// alone) otherwise.
bool GetClipboardData(const std::string& mimeType, std::string& bytes);

// Empties the clipboard, then puts a text on it. The text is GBK; it is kept in the UTF-8 that
// other programs read ("text/plain;charset=utf-8"), bytes that are not valid GBK unchanged.
void SetClipboardText(const std::string& gbkText);

// The clipboard's text in GBK; empty when it holds no text.
std::string GetClipboardText();

}  // namespace qnexp
