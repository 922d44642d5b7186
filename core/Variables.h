// Variables: lists of named nodes chained to parent lists, and the nodes of the language that
// read, test, define and assign them.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "core/Function.h"
#include "support/StoredStrList.h"

namespace qnexp {

// A list of variables: names stored upper-cased, each owning its node. Names starting with
// "." address the parent list, names starting with "\" the public list. Change a list only
// through its own operations (SetVarExp, AddObject, Delete, Clear, SetObj): references cache
// their look-ups and learn of changes from them.
class TVarList : public TStoredStrList {
  QN_CLASS(TVarList, TStoredStrList)
public:
  TVarList();
  // When this list is the translator's current list, its parent becomes the current list.
  ~TVarList() override;

  TVarList* Parent = nullptr;
  bool SearchParent = false;

  // The node of name (still owned by the list), or null.
  TExpression* GetVarExp(std::string_view name) const;
  // Stores, replaces (freeing the old node) or, with a null node, removes a variable; the list
  // takes ownership of node, and frees it at once when the name is empty. A node replaced or
  // removed while it is being evaluated is freed when that evaluation ends. Nothing is ever
  // stored in a parent implicitly.
  virtual void SetVarExp(const std::string& name, TExpression* node);

  int AddObject(const std::string& text, TObject* obj) override;
  void InsertObject(int index, const std::string& text, TObject* obj) override;
  void SetObj(int index, TObject* obj) override;
  void Delete(int index) override;
  // Removes every variable and frees its node.
  void Clear() override;

  // Increases whenever any variable list changes; cached look-ups compare it.
  static uint64_t Generation() { return ChangeCount; }

private:
  static void Changed() { ++ChangeCount; }
  // Frees a node the list lets go of; a node still being evaluated is freed when that
  // evaluation ends.
  static void FreeNode(TObject* node);
  // Takes every node out of the list and frees it.
  void ReleaseNodes();
  static uint64_t ChangeCount;
};

// A reference to a variable by name (slot 0). Bound at translation to the translator's
// current list; an unknown name evaluates to the name itself as text.
class TExp_VarRef : public TFunction {
  QN_CLASS(TExp_VarRef, TFunction)
public:
  bool TransOverOK() override;
  void Calculate() override;
  TExpression* CopySelf() override;
  void PutSubExp(int index, TExpression* node) override;
  // A reference read from a stream binds to the current variable list, as a translated one
  // does.
  void AfterLoad(TFiler& filer) override;
  // The protocol of every node, shortened for the usual case of a plain constant name:
  // stamping that name is all its evaluation would do. Inline so that flattened evaluation
  // programs can run it without a call.
  void Evaluate(int32_t stamp) override { EvaluateReference(stamp); }
  // Evaluate, telling whether it ran no code beyond copying a plain variable's value (or
  // nothing at all for a node already stamped).
  bool EvaluateReference(int32_t stamp) {
    if (stamp == SyncFlag && stamp != kForceStamp) return true;
    TExpression* name = SubExp[0];
    if (!name || (NameKind != 1 && !ConstantName())) {
      TFunction::Evaluate(stamp);
      return false;
    }
    SyncFlag = stamp;
    name->SyncFlag = stamp;
    if (DataType == etAny) DataType = name->DataType;
    // The usual case: a plain constant variable found by the last look-up and no list changed
    // since. Its value is taken as Calculate would take it, without a call per step.
    TExpression* variable = CachedVariable;
    if (PlainReference && !ListsNames && CacheValid && CachedVariablePlain && variable &&
        CachedGeneration == TVarList::Generation() && variable->DataType != etString) {
      variable->SyncFlag = kForceStamp;
      DataType = variable->DataType;
      Value.IntValue = variable->Value.IntValue;
      // Copied as bytes: an 80-bit load and store of the floating-point unit cost far more.
      std::memcpy(&Value.RealValue, &variable->Value.RealValue, 10);
      if (!Value.StrValue.empty() || !variable->Value.StrValue.empty() ||
          (!FormatExp && variable->GetFormatExp())) [[unlikely]]
        TakeTextAndFormat(*variable);
      return true;
    }
    Calculate();
    return false;
  }

  TVarList* VarList = nullptr;

protected:
  // The name in slot 0 (empty without one).
  const std::string& Name();
  // The variable's node in VarList, looked up by name only when a list changed since the
  // last look-up (or when the name is not constant).
  TExpression* Variable();

private:
  // The rarer part of copying a variable: its text member and, when this reference has no
  // format, a copy of the variable's. Kept apart so the usual copy stays small.
  [[gnu::noinline]] void TakeTextAndFormat(TExpression& variable);
  // Whether slot 0 is a plain constant without a format: its text can be kept.
  bool ConstantName();
  std::string NameBuffer;
  uint64_t CachedGeneration = 0;
  TExpression* CachedVariable = nullptr;
  bool CachedVariablePlain = false;
  bool CacheValid = false;
  // 0 not examined yet, 1 a plain constant name held in NameBuffer, 2 anything else.
  uint8_t NameKind = 0;
  bool ListsNames = false;
  // Whether this node is a plain reference (not a descendant with its own calculation), so
  // that evaluation may copy the variable's value directly.
  bool PlainReference = false;
};

// True when the named variable exists.
class TExp_VarExist : public TExp_VarRef {
  QN_CLASS(TExp_VarExist, TExp_VarRef)
public:
  bool TransOverOK() override;
  void Calculate() override;
};

// Defines a formula variable: the value expression itself becomes the variable's node, so the
// variable recomputes it at every reference. With a constant name the definition happens once.
// When the variable has been removed since, the node yields its name as text.
class TExp_VarDef : public TExp_VarRef {
  QN_CLASS(TExp_VarDef, TExp_VarRef)
public:
  TExp_VarDef() { FixedCount = 2; }
  // The full protocol: the value in slot 1 is evaluated before the definition.
  void Evaluate(int32_t stamp) override { TFunction::Evaluate(stamp); }
  bool TransOverOK() override;
  void Calculate() override;
};

// Stores a value (the operator :=): an existing variable takes the value, otherwise a new
// constant variable is made. Its own value is the assigned value.
class TExp_VarAssign : public TExp_VarDef {
  QN_CLASS(TExp_VarAssign, TExp_VarDef)
public:
  void Calculate() override;
};

// Every node class of this unit, for the persistent-class registry.
std::span<const TClassInfo* const> VariableClasses();

}  // namespace qnexp
