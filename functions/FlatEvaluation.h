// The flattened evaluation of an arithmetic subtree: the walk of the evaluation protocol laid
// out once as a list of steps, so that an evaluation runs one loop instead of a virtual call
// and a stamp test per node. Every step does exactly what the walk does at that node, in the
// walk's order (stamps before operands, values after them), so values, types and stamps are
// the same on every node, errors included.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Expression.h"

namespace qnexp {

// One step of a flattened walk.
enum class TFlatStepKind : uint8_t {
  fsEnter,      // the stamp test and the stamp of an operator or function node
  fsConstant,   // a plain constant node without slots: its stamp
  fsReference,  // a plain variable reference: its own evaluation, without a virtual call
  fsAdd,        // the calculation of + - * / ^ after their operands
  fsSub,
  fsMul,
  fsDiv,
  fsPower,
  fsSin,        // the calculation of Sin and Cos of one argument, after it
  fsCos,
  fsFunction,   // the calculation of a function of the plain protocol after its arguments
  fsOther,      // any other node: its own Evaluate, subtree and all
};

struct TFlatStep {
  TFlatStepKind Kind;
  // For fsEnter: the index of the step after the node's calculation, where a node already
  // stamped in this pass continues.
  uint32_t SkipTo = 0;
  TExpression* Node = nullptr;
};

// The steps of one subtree. Valid while no watched node's slots change (ShapeVersion).
class TFlatProgram {
public:
  // Lays out root's subtree and marks its operator and function nodes as watched.
  explicit TFlatProgram(TExpression& root);

  bool Current() const { return Shape == TExpression::ShapeVersion; }
  // Lays the subtree out again within the room the steps already have (evaluation must not
  // allocate); false, leaving the program unusable, when the tree has grown beyond it.
  bool Relay();
  // The evaluation of root with stamp. A step that changes the watched slots (possible only
  // through a node with its own evaluation) stops the run with CalcError of root.
  void Run(int32_t stamp);

  const std::vector<TFlatStep>& Steps() const { return StepList; }

private:
  bool Lay(TExpression& node, bool mayGrow);
  std::vector<TFlatStep> StepList;
  TExpression& Root;
  uint64_t Shape = 0;
};

// What an arithmetic operator keeps for its flattened evaluation. The translator marks the
// operators of a text that TranslateExp gives flattened evaluation; the program is made at the
// first evaluation of a marked operator that tops an arithmetic subtree, so a tree that is
// never evaluated costs nothing more. Later evaluations of numbers allocate nothing. A node
// neither marked nor prepared (built by hand, copied, loaded) walks.
class TFlatEvaluation {
public:
  // Evaluates owner through its program and returns true, or returns false for the caller to
  // walk. The caller has done the stamp test.
  bool Run(TExpression& owner, int32_t stamp) {
    if (!Program) {
      if (!Pending || !Enabled || BuildingDeferred > 0 || !MakeProgram(owner)) return false;
    } else if (!Enabled) {
      return false;
    }
    if (!Program->Current() && !Program->Relay()) [[unlikely]] {
      Program.reset();
      return false;
    }
    Program->Run(stamp);
    return true;
  }

  const TFlatProgram& Prepare(TExpression& owner) {
    Pending = false;
    Program = std::make_unique<TFlatProgram>(owner);
    return *Program;
  }

  // Asks for a program at the first evaluation; an operator laid out in another's program
  // drops the request.
  void MarkPending() { Pending = true; }
  void DropPending() { Pending = false; }
  bool IsPending() const { return Pending; }
  bool HasProgram() const { return Program != nullptr; }

  // Whether flattened evaluation is used; tests and the bench compare it with the walk.
  static inline bool Enabled = true;
  // While above 0, marked operators walk without making their programs: the translator's own
  // evaluations (folding a constant, an include directive) run subtrees that are evaluated
  // once and then dropped.
  static inline int BuildingDeferred = 0;

private:
  // The program of owner when a program pays for itself there; false (and no more requests)
  // when owner is to walk.
  bool MakeProgram(TExpression& owner);
  std::unique_ptr<TFlatProgram> Program;
  bool Pending = false;
};

// Marks node for flattened evaluation at its first evaluation when it is an arithmetic
// operator (+ - * / ^); anything else is left alone.
void MarkForFlatEvaluation(TExpression& node);

// Gives every arithmetic subtree of root that is not part of a larger one its program at once.
void PrepareFlatEvaluation(TExpression& root);

}  // namespace qnexp
