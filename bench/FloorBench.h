// The least work one evaluation of a+b*c can cost, coded by hand over the engine's own nodes,
// to tell how much of the engine's time the evaluation protocol itself demands. Two bounds:
// - every node: exactly the writes the protocol makes (each node's stamp and value, each
//   reference's copy of its variable, each variable's stamp), without calls or dispatch;
// - root only: the result alone, read from the variables and stored into the root, as an
//   engine that kept no value per node could do.
// Both receive the values through PutReal and give the result through GetReal, as the engine
// binding does.
#pragma once

#include <memory>
#include <string>

#include "bench/EvalBench.h"
#include "core/Expression.h"

namespace qnexp {

// The text both bounds compute.
inline constexpr const char* kFloorExpression = "a+b*c";

class TFloorBinding {
public:
  // Defines the variables and translates kFloorExpression; Error() tells why when the tree
  // is not the expected one (an Add over a reference and a Mul of two references).
  TFloorBinding();
  const std::string& Error() const { return ErrorText; }

  long double EvaluateEveryNode(const TBenchValues& values);
  long double EvaluateRootOnly(const TBenchValues& values);

  // The translated tree, for comparing node by node with the engine's own evaluation.
  TExpression& Root() { return *RootNode; }

private:
  std::unique_ptr<TExpression> RootNode;
  std::string ErrorText;
  TExpression* Mul = nullptr;
  // References to a, b, c, their name constants and their variables.
  TExpression* References[3] = {};
  TExpression* Names[3] = {};
  TExpression* Variables[3] = {};
};

}  // namespace qnexp
