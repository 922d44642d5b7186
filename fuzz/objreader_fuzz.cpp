// Fuzz target: arbitrary bytes as a binary object stream. Reading, writing back what was read,
// converting to the text form and reading the legacy layout may raise the library's errors,
// but must never crash, hang, leak or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "runtime/Exception.h"
#include "runtime/Stream.h"
#include "support/ObjStream.h"
#include "support/ObjText.h"
#include "support/ObjStreamFixtures.h"

using namespace qnexp;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testing::RegisterTestClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    TMemoryStream stream(bytes);
    std::unique_ptr<TObject> obj(StreamReadObject(stream));
    if (obj) {
      TMemoryStream again;
      StreamWriteObject(again, obj.get());
      again.SetPosition(0);
      std::unique_ptr<TObject> copy(StreamReadObject(again));
    }
  } catch (const Exception&) {
  }
  try {
    TMemoryStream stream(bytes), text;
    ObjectBinaryToText(stream, text);
  } catch (const Exception&) {
  }
  try {
    TMemoryStream stream(bytes);
    std::unique_ptr<TObject> obj(StreamReadObjectOld(stream));
  } catch (const Exception&) {
  }
  return 0;
}
