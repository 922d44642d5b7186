// Fuzz target: arbitrary bytes as an expression text, translated and evaluated; when that went
// well, evaluated again with a stamp (as hosts do), copied and the copy evaluated. Evaluation errors become the
// node's text through ExpEvaluate; nothing may crash, hang, leak or escape as another class.
#include <cstddef>
#include <cstdint>
#include <memory>
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
    if (root && !ExpEvaluate(*root, kForceStamp)) {
      (void)root->GetString();
      ExpEvaluate(*root, 7);
      std::unique_ptr<TExpression> copy(root->CopySelf());
      ExpEvaluate(*copy, kForceStamp);
      (void)copy->GetString();
    }
  } catch (const Exception&) {
  }
  session.End(std::move(list));
  return 0;
}
