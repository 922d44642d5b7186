// The translator: turns one line of expression text into a tree of nodes in a single
// left-to-right pass, reducing each level by a fixed table of operator binding levels.
// Not thread-safe: one translator serves one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Expression.h"
#include "core/Nesting.h"
#include "support/SplitStr.h"

namespace qnexp {

class TFunctionList;
class TVarList;

// Operator codes of the language; kOpEnd closes an operand sequence.
enum TOperatorCode : uint8_t {
  kOpPower, kOpMul, kOpDiv, kOpAdd, kOpSub, kOpEqu, kOpNotEqu, kOpGreat, kOpGorE, kOpLess,
  kOpLorE, kOpIn, kOpAnd, kOpOr, kOpFormat, kOpAssign, kOpEnd,
};
inline constexpr int kOperatorCount = 17;

// Binding level of each operator code; a lower level binds tighter.
extern const uint8_t Precedence[kOperatorCount];

// Translation statuses (0 is success). Their messages come from StatusMsg.
enum TTransStatus : uint8_t {
  tsOk = 0,
  tsVarUndefined = 1,
  tsBadFunctionName = 2,
  tsQuoteMismatch = 3,
  tsBracketMismatch = 4,
  tsBadOperand = 5,
  tsBadOperator = 6,
  tsBadParameter = 7,
  tsTypeMismatch = 8,
  tsOperandNeeded = 9,
  tsBracketNeeded = 10,
  tsTooFewParameters = 11,
};

// Brackets, calls and arguments nested deeper than this raise an Exception instead of
// exhausting the stack.
inline constexpr int kMaxNestingDepth = 1000;
// Trees deeper than this (for example a chain of ten thousand additions) raise an Exception:
// evaluating, copying and freeing a tree recurse once per level.
inline constexpr int kMaxTreeDepth = 10000;

// Include directives may not make the text longer than this: a failed directive is replaced by
// the translator's message, which quotes the whole text, so a few of them would otherwise
// double it again and again. Crossing it raises Exception "包含指令展开后的表达式太长(超过%d字节)".
inline constexpr size_t kMaxPretreatedTextBytes = 16 * 1024 * 1024;

class TExpTranslator : public TObject {
  QN_CLASS(TExpTranslator, TObject)
public:
  // Creates the translator with an empty registry, bound to the public variable list.
  TExpTranslator();
  ~TExpTranslator() override;

  // Translates text into a tree the caller owns, or returns null with Status telling why.
  // An empty text gives null with status 0. Raises on an integer literal beyond 32 bits, on a
  // failure while folding a constant, and on nesting beyond the limits above.
  std::unique_ptr<TExpression> Translate(const std::string& text);

  // The message of Status ("" for an unknown code).
  virtual std::string StatusMsg();
  // StatusMsg, " (", the text with "[错]" before the character at Position, ")".
  virtual std::string ErrorMsg();

  // The outcome of the last translation: its status, the text it worked on (after include
  // directives were replaced) and the 1-based position where it stopped.
  uint8_t Status = tsOk;
  const std::string& GetText() const { return Text; }
  int32_t GetPosition() const { return Position; }

  // Whether the arithmetic operators built are marked for flattened evaluation
  // (functions/FlatEvaluation.h). TranslateExp sets it for each text it translates; an
  // evaluation during a translation (a constant folded, an include directive) starts with it
  // off.
  bool MarkFlatEvaluation = false;

  // The list new variable references bind to, and the function registry (owned).
  TVarList* VarList = nullptr;
  std::unique_ptr<TFunctionList> Functions;
  const TClassInfo* OperatorClasses[kOperatorCount] = {};
  TCharSet IdStartChars;
  TCharSet IdChars;

protected:
  // Translates from Position up to and including dest.
  virtual std::unique_ptr<TExpression> TransExp(int dest);
  // Translates the call whose name starts at Position and whose ")" is at dest.
  virtual std::unique_ptr<TExpression> TransFunction(int dest);

private:
  struct TExpNode;
  struct TWorkSegment;
  class TWorkingState;
  // Directive processing of Text: every {$I expression} is replaced by the expression's text.
  void Pretreat();
  // Skips blanks and comments from position up to limit.
  void SkipNote(int& position, int limit);
  void SkipBlanksAndComments(int& position, int limit);
  char CharAt(int position) const;
  std::unique_ptr<TExpression> ReadOperand(int dest, int& depth);
  uint8_t ReadOperator(int dest);
  char ReadArgument(TExpression& call, int index, int dest, int& depth);
  // Combines the items of the work stack from base up into one tree.
  std::unique_ptr<TExpression> Reduce(size_t base, int& depth);
  std::unique_ptr<TExpression> Combine(std::unique_ptr<TExpression> left,
                                       std::unique_ptr<TExpression> right, uint8_t code);
  std::unique_ptr<TExpression> Fold(std::unique_ptr<TExpression> result);
  int SkipComment(int position, int limit);
  void IndexBrackets();
  int FindCloseBracket(int position, bool& found) const;
  void EnterLevel();
  int Nesting = 0;
  int LastDepth = 0;
  TStackCheck Stack;
  // For each "(" reached by a scan of the whole text: the position after its ")", 0 when it
  // has none, -1 for positions the scan did not reach as a bracket.
  std::vector<int> CloseOf;
  // The items read and not yet combined, of every level being translated, innermost last.
  std::vector<TExpNode> Work;
  std::string Text;
  int32_t Position = 1;
};

// Raised when a text nests deeper than the translator's limits.
std::string NestingTooDeepMessage(int limit);

}  // namespace qnexp
