// Fuzz target: arbitrary bytes as the text form of an object stream. Parsing, reading the
// object and writing its text form again may raise the library's errors, but must never crash,
// hang, leak or read out of bounds.
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
  try {
    TMemoryStream text(std::string(reinterpret_cast<const char*>(data), size)), binary;
    ObjectTextToBinary(text, binary);
    binary.SetPosition(0);
    std::unique_ptr<TObject> obj(StreamReadObject(binary));
    TMemoryStream again;
    SaveObjectToTextStream(obj.get(), again);
  } catch (const Exception&) {
  }
  return 0;
}
