// The macro functions DefinMacro, MacroText, ExpandMacros and Calc (also named Calculate).
// The optional last argument of each is the handle of a macro set; 0, an absent argument or a
// handle that designates no live set selects DefaultMacros. None of them is folded at
// translation time. Single-threaded, like every node.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "core/Function.h"
#include "functions/Conversion.h"

namespace qnexp {

// DefinMacro(name, text [, macros]): etString; sets the macro (an empty text removes it) and
// yields the text.
class TExp_DefinMacro : public TP2Function {
  QN_CLASS(TExp_DefinMacro, TP2Function)
public:
  TExp_DefinMacro() { OptionalCount = 1; }
  void Calculate() override;
  bool TransOverOK() override;
};

// MacroText(name [, macros]): etString; the macro's text ("" when unknown). The name
// "_MacroList" yields the set's list text followed, while ParentEnable holds, by CR LF and the
// parent's list text, and so on up the parents (a looping chain stops at a set seen before).
class TExp_MacroText : public TExp_ToStr {
  QN_CLASS(TExp_MacroText, TExp_ToStr)
public:
  TExp_MacroText() { OptionalCount = 1; }
  void Calculate() override;
};

// ExpandMacros(text [, macros]): etString; the text with every macro reference substituted.
// A self-referring macro raises the set's nesting or substitution error.
class TExp_ExpandMacros : public TExp_MacroText {
  QN_CLASS(TExp_ExpandMacros, TExp_MacroText)
public:
  void Calculate() override;
};

// Calc(text [, macros]): expands the macros of the text, translates and evaluates it, and takes
// the result's type and value. A translation failure yields the translator's message as text;
// evaluation errors propagate. The type is etAny until the first evaluation.
class TExp_Calc : public TFunction {
  QN_CLASS(TExp_Calc, TFunction)
public:
  TExp_Calc() { OptionalCount = 1; }
  void Calculate() override;
  bool TransOverOK() override;
};

class TMacros;

// Expands the macros of text with macros (DefaultMacros when null) and translates the result
// with the process-wide translator. A translation failure gives a constant text node holding
// the translator's ErrorMsg; an empty text a constant node holding "". Never null; the caller
// owns the tree. Raises what the expansion or the translator raises.
std::unique_ptr<TExpression> TransMacroExpText(const std::string& text, TMacros* macros);

// The text of an expression macro: the expression translated and evaluated (one level of
// run-time text), or the translator's ErrorMsg when it does not translate. Installed into the
// macro sets when the library loads.
std::string EvaluateExpressionMacro(const std::string& expression);

// Every node class of this family, for the persistent-class registry (the library's
// initialisation unit registers the named ones as functions in the language's order).
std::span<const TClassInfo* const> MacroClasses();

}  // namespace qnexp
