// Binds the evaluation benchmark's expressions to this engine and to muparser.
#include "bench/EvalBench.h"

#include "core/Translator.h"
#include "core/Variables.h"
#include "runtime/Exception.h"

namespace qnexp {

namespace {

const char* const kExpressions[] = {
    "a+b*c", "(a+b)*(c-d)", "a*b+c*d-e/f", "(b+a/b)*(a-b/a)", "1.1*a^2+2.2*b^3",
    "sin(a)^2+cos(b)^2",
};

const char* const kVarNames[kBenchVarCount] = {"a", "b", "c", "d", "e", "f"};

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '_' || c == '.' || c == '@' || static_cast<unsigned char>(c) >= 0x80;
}

TVarList* CurrentList() {
  TVarList* list = GetVarList();
  return list ? list : PubVarList;
}

}  // namespace

std::span<const char* const> BenchEvalExpressions() { return kExpressions; }

void ResetBenchValues(TBenchValues& values) {
  static const double kStart[kBenchVarCount] = {1.5, 2.25, 3.125, 0.75, 4.5, 1.25};
  for (int i = 0; i < kBenchVarCount; ++i) values[i] = kStart[i];
}

void DefineBenchVariables() {
  TVarList* list = CurrentList();
  if (!list) return;
  TBenchValues start;
  ResetBenchValues(start);
  for (int i = 0; i < kBenchVarCount; ++i) {
    TExpression* node = list->GetVarExp(kVarNames[i]);
    if (!node || node->DataType != etReal)
      list->SetVarExp(kVarNames[i], CreateRealExp(start[i]).release());
  }
}

bool UsesBenchVariable(const std::string& text, int index) {
  if (index < 0 || index >= kBenchVarCount) return false;
  char letter = kVarNames[index][0];
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != letter && c != letter - 'a' + 'A') continue;
    // Digits count as name characters, so the e of 1e3 is not taken for a variable.
    bool alone = (i == 0 || !IsNameChar(text[i - 1])) &&
                 (i + 1 == text.size() || !IsNameChar(text[i + 1]));
    if (alone) return true;
  }
  return false;
}

TEngineBinding::TEngineBinding(const std::string& text) {
  DefineBenchVariables();
  try {
    Root = TranslateExp(text);
  } catch (const Exception& error) {
    ErrorText = error.Message;
    return;
  }
  if (!Root) {
    ErrorText = ExpTranslator->Status ? ExpTranslator->ErrorMsg() : std::string("empty text");
    return;
  }
  ResultType = Root->DataType;
  TVarList* list = CurrentList();
  for (int i = 0; i < kBenchVarCount; ++i) {
    if (!UsesBenchVariable(text, i)) continue;
    UsedNodes[UsedCount] = list->GetVarExp(kVarNames[i]);
    UsedIndex[UsedCount] = i;
    ++UsedCount;
  }
}

TMuparserBinding::TMuparserBinding(const std::string& text, TBenchValues& values) {
  try {
    for (int i = 0; i < kBenchVarCount; ++i) Parser.DefineVar(kVarNames[i], &values[i]);
    Parser.SetExpr(text);
    // The first evaluation parses; doing it here keeps parsing out of the timed loop.
    Parser.Eval();
  } catch (const mu::Parser::exception_type& error) {
    ErrorText = error.GetMsg();
  }
}

}  // namespace qnexp
