// Evaluating texts in tests: a text in, its outcome as one comparable line out, and a fixture
// that gives each test a private variable list chained to the public one.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/Abort.h"
#include "core/EntryPoints.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"

namespace qnexp::testing {

// "<type> <text>" of an evaluated tree (texts in UTF-8), or "raised <message>".
inline std::string Outcome(TExpression& root, int32_t stamp = kForceStamp) {
  if (ExpEvaluate(root, stamp)) return "raised " + GbkToUtf8(root.GetString());
  return std::string(ExpDataTypeName(root.DataType)) + " " + GbkToUtf8(root.GetString());
}

// The name of a translation status ("tsBadOperand"), or its number when it has none.
inline std::string StatusName(uint8_t status) {
  switch (status) {
    case tsOk: return "tsOk";
    case tsVarUndefined: return "tsVarUndefined";
    case tsBadFunctionName: return "tsBadFunctionName";
    case tsQuoteMismatch: return "tsQuoteMismatch";
    case tsBracketMismatch: return "tsBracketMismatch";
    case tsBadOperand: return "tsBadOperand";
    case tsBadOperator: return "tsBadOperator";
    case tsBadParameter: return "tsBadParameter";
    case tsTypeMismatch: return "tsTypeMismatch";
    case tsOperandNeeded: return "tsOperandNeeded";
    case tsBracketNeeded: return "tsBracketNeeded";
    case tsTooFewParameters: return "tsTooFewParameters";
    default: return std::to_string(status);
  }
}

// The outcome of a UTF-8 text translated and evaluated with stamp; "status <name>" when the
// translation failed, "translation raised <message>" when it raised.
inline std::string EvalText(const std::string& text, int32_t stamp = kForceStamp) {
  std::unique_ptr<TExpression> root;
  try {
    root = TranslateExp(Utf8ToGbk(text));
  } catch (const Exception& error) {
    return "translation raised " + GbkToUtf8(error.Message);
  }
  if (!root) return "status " + StatusName(ExpTranslator->Status);
  return Outcome(*root, stamp);
}

// Each test works in a private variable list chained to the public one, removed afterwards,
// and leaves no abort request behind.
class TPrivateVarListTest : public ::testing::Test {
protected:
  void SetUp() override {
    Previous = GetVarList();
    List = CreateVarList(PubVarList);
    SetVarList(List.get());
  }
  void TearDown() override {
    SetVarList(Previous);
    List.reset();
    ClearAbort();
  }
  TVarList* Previous = nullptr;
  std::unique_ptr<TVarList> List;
};

}  // namespace qnexp::testing
