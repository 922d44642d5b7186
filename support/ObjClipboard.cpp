// Objects on the clipboard.
#include "support/ObjClipboard.h"

#include "platform/Clipboard.h"
#include "runtime/Stream.h"
#include "support/ObjStream.h"

namespace qnexp {

void CopyObjectToClipboard(TObject* obj) {
  TMemoryStream stream;
  StreamWriteObject(stream, obj);
  SetClipboardData(ObjectClipboardMimeType, stream.Data());
}

TObject* PasteObjectFromClipboard() {
  std::string bytes;
  if (!GetClipboardData(ObjectClipboardMimeType, bytes)) return nullptr;
  TMemoryStream stream(std::move(bytes));
  return StreamReadObject(stream);
}

bool ClipboardHasObject() {
  std::string bytes;
  return GetClipboardData(ObjectClipboardMimeType, bytes);
}

}  // namespace qnexp
