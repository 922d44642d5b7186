// The macro functions and their registration table, and the part of macros that translates:
// expression macros and macro-expanded texts.
#include "functions/Macros.h"

#include <algorithm>
#include <vector>

#include "core/EntryPoints.h"
#include "core/Nesting.h"
#include "core/Translator.h"
#include "runtime/Gbk.h"
#include "support/Macros.h"

namespace qnexp {

namespace {

// The set chosen by the optional argument in slot index: only an integer argument is read as
// a handle, anything else selects DefaultMacros.
TMacros& SelectedMacros(TExpression& self, int index) {
  TExpression* node = self.GetSubExp(index);
  TMacros* set = node && node->DataType == etInteger ? MacrosOfHandle(node->GetInteger())
                                                     : DefaultMacros;
  if (!set) self.CalcError(Res("没有宏定义表"));
  return *set;
}

}  // namespace

std::unique_ptr<TExpression> TransMacroExpText(const std::string& text, TMacros* macros) {
  std::string expanded = text;
  if (!macros) macros = DefaultMacros;
  if (macros) macros->CheckStr(expanded);
  std::unique_ptr<TExpression> tree = TranslateExp(expanded);
  if (ExpTranslator->Status != tsOk) expanded = ExpTranslator->ErrorMsg();
  if (!tree) tree = CreateStrExp(expanded);
  return tree;
}

std::string EvaluateExpressionMacro(const std::string& expression) {
  TTextNestingGuard level;
  std::unique_ptr<TExpression> tree = TranslateExp(expression);
  if (ExpTranslator->Status != tsOk) return ExpTranslator->ErrorMsg();
  if (!tree) return {};
  tree->Evaluate(kForceStamp);
  return tree->GetString();
}

void TExp_DefinMacro::Calculate() {
  std::string text = Arg(1).GetString();
  SelectedMacros(*this, 2).SetMacroText(Arg(0).GetString(), text);
  PutString(text);
}

bool TExp_DefinMacro::TransOverOK() {
  DataType = etString;
  return true;
}

void TExp_MacroText::Calculate() {
  std::string name = Arg(0).GetString();
  TMacros* set = &SelectedMacros(*this, 1);
  if (name != "_MacroList") {
    PutString(set->GetMacroText(name));
    return;
  }
  std::string text = set->GetText();
  std::vector<TMacros*> seen{set};
  while (set->ParentEnable && set->Parent) {
    set = set->Parent;
    if (std::find(seen.begin(), seen.end(), set) != seen.end()) break;
    seen.push_back(set);
    text += "\r\n" + set->GetText();
  }
  PutString(text);
}

void TExp_ExpandMacros::Calculate() {
  std::string text = Arg(0).GetString();
  SelectedMacros(*this, 1).CheckStr(text);
  PutString(text);
}

void TExp_Calc::Calculate() {
  TMacros& set = SelectedMacros(*this, 1);
  TTextNestingGuard level;
  std::unique_ptr<TExpression> tree = TransMacroExpText(Arg(0).GetString(), &set);
  tree->Evaluate(-1);
  AssignValue(*tree);
}

bool TExp_Calc::TransOverOK() {
  DataType = etAny;
  return true;
}

std::span<const TClassInfo* const> MacroClasses() {
  // The named functions in registration order.
  return ClassTable<TExp_DefinMacro, TExp_MacroText, TExp_ExpandMacros, TExp_Calc>();
}

}  // namespace qnexp
