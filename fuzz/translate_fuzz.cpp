// Fuzz target: arbitrary bytes as an expression text, translated only. Include directives
// evaluate while translating, so this runs in the sandbox too. Translation may fail with a
// status or raise the library's error; it must never crash, hang, leak or let another error
// class out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSession.h"
#include "runtime/Exception.h"

using namespace qnexp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzing::TFuzzSession session;
  std::unique_ptr<TVarList> list = session.Begin();
  try {
    std::unique_ptr<TExpression> root =
        TranslateExp(std::string(reinterpret_cast<const char*>(data), size));
    if (!root) (void)ExpTranslator->ErrorMsg();
  } catch (const Exception&) {
  }
  session.End(std::move(list));
  return 0;
}
