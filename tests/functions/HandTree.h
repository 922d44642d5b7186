// Building expression trees by hand for the function tests: constants of every type, nodes
// whose operands go through the translator's checks, and a node that counts its evaluations.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>

#include "core/Expression.h"

namespace handtree {

using qnexp::TExpDataType;
using qnexp::TExpression;
using TNode = std::unique_ptr<TExpression>;

inline TNode Constant(TExpDataType type) {
  TNode node(new TExpression);
  node->DataType = type;
  return node;
}

inline TNode Int(int32_t v) { auto n = Constant(qnexp::etInteger); n->PutInteger(v); return n; }
inline TNode Real(long double v) { auto n = Constant(qnexp::etReal); n->PutReal(v); return n; }
inline TNode Bool(bool v) { auto n = Constant(qnexp::etBoolean); n->PutBoolean(v); return n; }
inline TNode Chr(char v) { auto n = Constant(qnexp::etChar); n->PutChar(v); return n; }
inline TNode Str(const std::string& v) { auto n = Constant(qnexp::etString); n->PutString(v); return n; }
inline TNode Date(double v) { auto n = Constant(qnexp::etDateTime); n->PutDateTime(v); return n; }
inline TNode Int64(int64_t v) { auto n = Constant(qnexp::etInt64); n->PutInt64(v); return n; }
inline TNode Any() { return Constant(qnexp::etAny); }

// Hands child to the node's validating store, as the translator does; a refusal fails the test.
inline void Attach(TExpression& parent, int index, TNode child) {
  TExpression* raw = child.release();
  if (!parent.SetSubExp(index, raw)) {
    delete raw;
    ADD_FAILURE() << "argument " << index << " refused by " << parent.ClassName();
  }
}

// A node of class T over the given operands, checked and typed as the translator would.
template <class T, class... Operands>
std::unique_ptr<T> Make(Operands&&... operands) {
  auto node = std::make_unique<T>();
  int index = 0;
  (Attach(*node, index++, std::forward<Operands>(operands)), ...);
  EXPECT_TRUE(node->TransOverOK()) << node->ClassName();
  return node;
}

// Whether the class's validating store accepts an operand of the given type at index.
template <class T>
bool Accepts(TExpDataType type, int index = 0) {
  T node;
  TNode operand = Constant(type);
  if (!node.SetSubExp(index, operand.get())) return false;
  operand.release();
  return true;
}

// The node after a forced evaluation.
inline TExpression& Evaluated(TExpression& node) {
  node.Evaluate(qnexp::kForceStamp);
  return node;
}

// A tree built by hand with the type and text it must have once evaluated.
struct TValueRow {
  const char* Label;
  std::function<TNode()> Build;
  TExpDataType Type;
  std::string Text;
};

// Builds each row's tree, evaluates it and checks its type and text.
inline void ExpectValues(std::span<const TValueRow> rows) {
  for (const TValueRow& row : rows) {
    TNode node = row.Build();
    Evaluated(*node);
    EXPECT_EQ(node->DataType, row.Type) << row.Label;
    EXPECT_EQ(node->GetString(), row.Text) << row.Label;
  }
}

// The integer of a node after a forced evaluation.
inline int32_t Integer(TExpression& node) {
  node.Evaluate(qnexp::kForceStamp);
  return node.GetInteger();
}

// The text of a node after a forced evaluation.
inline std::string Text(TExpression& node) {
  node.Evaluate(qnexp::kForceStamp);
  return node.GetString();
}

// Every value type, and whether an argument that must be numeric may have it.
struct TNumericRow {
  TExpDataType Type;
  bool Accepted;
};
inline constexpr TNumericRow kNumericRows[] = {
    {qnexp::etInteger, true},  {qnexp::etReal, true},  {qnexp::etDateTime, true},
    {qnexp::etAny, true},      {qnexp::etBoolean, false}, {qnexp::etChar, false},
    {qnexp::etString, false},  {qnexp::etInt64, false},
};

// A constant that counts how often it is calculated, to observe which operands a node
// evaluates.
class TCounted : public TExpression {
  QN_CLASS(TCounted, TExpression)
public:
  void Calculate() override { ++Evaluations; }
  int Evaluations = 0;
};

// A counted constant of the given type and value; *counter stays valid while the tree lives.
template <class Fill>
TNode Counted(TExpDataType type, Fill fill, TCounted** counter) {
  auto node = std::make_unique<TCounted>();
  node->DataType = type;
  fill(*node);
  *counter = node.get();
  return node;
}

}  // namespace handtree
