// Fuzz target: arbitrary bytes as an expression text, translated and evaluated; when that went
// well, evaluated again with a stamp (as hosts do), copied and the copy evaluated. Evaluation
// errors become the node's text through ExpEvaluate; nothing may crash, hang, leak or escape
// as another class.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSession.h"

using namespace qnexp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzing::RunExpressionInput(data, size, [](const std::string& text) {
    std::unique_ptr<TExpression> root = TranslateExp(text);
    if (!root || ExpEvaluate(*root, kForceStamp)) return;
    (void)root->GetString();
    ExpEvaluate(*root, 7);
    std::unique_ptr<TExpression> copy(root->CopySelf());
    ExpEvaluate(*copy, kForceStamp);
    (void)copy->GetString();
  });
}
