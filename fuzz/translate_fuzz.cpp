// Fuzz target: arbitrary bytes as an expression text, translated only. Include directives
// evaluate while translating, so this runs in the sandbox too. Translation may fail with a
// status or raise the library's error; it must never crash, hang, leak or let another error
// class out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSession.h"

using namespace qnexp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzing::RunExpressionInput(data, size, [](const std::string& text) {
    std::unique_ptr<TExpression> root = TranslateExp(text);
    if (!root) (void)ExpTranslator->ErrorMsg();
  });
}
