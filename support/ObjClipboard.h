// Objects on the clipboard: the object stream placed under the clipboard format for objects.
#pragma once

#include <string>

#include "runtime/Object.h"

namespace qnexp {

// The registered name of the clipboard format for objects, and the MIME type it travels under.
inline constexpr const char* ObjectClipboardFormatName = "MirelObject";
inline constexpr const char* ObjectClipboardMimeType = "application/x-qnexp-object";

// Replaces the clipboard's content with obj written as a binary object stream (a null obj
// writes the null record). Errors of the writer propagate and leave the clipboard unchanged.
void CopyObjectToClipboard(TObject* obj);
// A new object read from the clipboard's object stream, which the caller owns; null when the
// clipboard holds no object (or the null record). A damaged stream raises the reader's error.
TObject* PasteObjectFromClipboard();
// True when the clipboard holds data in the object format.
bool ClipboardHasObject();

// The same under the classic names.
inline void CopyObjToClipBoard(TObject* obj) { CopyObjectToClipboard(obj); }
inline TObject* PastObjFromClipBoard() { return PasteObjectFromClipboard(); }

}  // namespace qnexp
