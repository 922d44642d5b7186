// The expressions timed one evaluation at a time, and their binding to this engine and to
// muparser over the same variables a..f, so that both compute from the same values.
#pragma once

#include <memory>
#include <span>
#include <string>

#include <muParser.h>

#include "core/EntryPoints.h"
#include "core/Expression.h"

namespace qnexp {

// The variables are a..f, in this order.
inline constexpr int kBenchVarCount = 6;
using TBenchValues = double[kBenchVarCount];

// The step every used variable takes before each evaluation, so that no engine can keep a
// result from the previous round.
inline constexpr double kBenchValueStep = 0.001;

// The expressions, identical in both languages.
std::span<const char* const> BenchEvalExpressions();

// The start values of a..f: non-zero and different from each other.
void ResetBenchValues(TBenchValues& values);

// Defines a..f as real variables of the public list when they are missing, with the start
// values; an existing variable of another type is replaced. Needed before translating a text
// that uses them, so that the references get a real type.
void DefineBenchVariables();

// True when the text mentions variable index (0 for a, ... 5 for f) as a name of its own.
bool UsesBenchVariable(const std::string& text, int index);

// The text translated by this engine, with the nodes of the variables it uses. Not copyable:
// it owns the tree.
class TEngineBinding {
public:
  // Defines the variables, then translates. On failure Error() tells why and Evaluate must
  // not be called.
  explicit TEngineBinding(const std::string& text);

  // Empty when the text translated; otherwise the translator's message (GBK).
  const std::string& Error() const { return ErrorText; }

  // Stores the used variables' values into their nodes, evaluates the tree with the forcing
  // stamp and reads the root as a real. An evaluation error turns the root into its message
  // text for good (which reads as 0); EvaluationFailed() then tells.
  long double Evaluate(const TBenchValues& values) {
    for (int i = 0; i < UsedCount; ++i) UsedNodes[i]->PutReal(values[UsedIndex[i]]);
    ExpEvaluate(*Root, kForceStamp);
    return Root->GetReal();
  }
  bool EvaluationFailed() const { return Root && Root->DataType != ResultType; }

private:
  std::unique_ptr<TExpression> Root;
  std::string ErrorText;
  TExpression* UsedNodes[kBenchVarCount] = {};
  int UsedIndex[kBenchVarCount] = {};
  int UsedCount = 0;
  TExpDataType ResultType = etReal;
};

// The same text in muparser, with a..f bound to values (which must outlive the binding).
class TMuparserBinding {
public:
  TMuparserBinding(const std::string& text, TBenchValues& values);

  // Empty when the text parsed; otherwise muparser's message.
  const std::string& Error() const { return ErrorText; }

  double Evaluate() { return Parser.Eval(); }

private:
  mu::Parser Parser;
  std::string ErrorText;
};

}  // namespace qnexp
