// The procedural surface of the engine: the process-wide translator and public variable list,
// constant constructors, guarded evaluation and the current variable list.
// Everything here is single-threaded.
#pragma once

#include <memory>
#include <string>

#include "core/Expression.h"

namespace qnexp {

class TExpTranslator;
class TVarList;

// The translator every text is translated by, and the public variable list. Both exist from
// the library's load to its unload.
extern TExpTranslator* ExpTranslator;
extern TVarList* PubVarList;

// Translates text with ExpTranslator, and marks the arithmetic subtrees of a text up to 4 KB
// for flattened evaluation (functions/FlatEvaluation.h), whose programs their first evaluation
// makes; null on failure (ExpTranslator's
// Status, StatusMsg and ErrorMsg tell why). Raises what the translator raises (an integer
// literal beyond 32 bits, a failure while folding a constant, nesting beyond the translator's
// limits), always as an Exception: any other error (memory running out) becomes one with the
// same text.
std::unique_ptr<TExpression> TranslateExp(const std::string& text);

// Evaluates node with stamp. Returns false when the evaluation went well; when it raised, the
// node becomes an etString node holding the error's message and the result is true. Errors of
// other classes than the general one (memory running out) are handled the same way, with
// their own text ("Out of memory"), so nothing escapes. In the sandbox both entry points run
// within its time budget.
bool ExpEvaluate(TExpression& node, int32_t stamp);

// Constant nodes; the caller owns them. CreateStrExp makes an etChar node for a one-character
// text and an etString node otherwise.
std::unique_ptr<TExpression> CreateIntExp(int32_t value);
std::unique_ptr<TExpression> CreateRealExp(double value);
std::unique_ptr<TExpression> CreateDateTimeExp(double value);
std::unique_ptr<TExpression> CreateStrExp(const std::string& text);

// A new list whose Parent is parent and whose SearchParent is true; the caller owns it.
std::unique_ptr<TVarList> CreateVarList(TVarList* parent);
// Frees and clears.
void FreeExp(TExpression*& node);
void FreeVarList(TVarList*& list);

// The list new translations bind variable references to (null without a translator), and
// the way to change it.
TVarList* GetVarList();
void SetVarList(TVarList* list);

// True for an expression node of any class; false for null.
bool IsExpression(const TObject* obj);

// The object the predefined variable "Screen" designates: the application's screen.
class TScreen : public TObject {
  QN_CLASS(TScreen, TObject)
};
TScreen& Screen();

}  // namespace qnexp
