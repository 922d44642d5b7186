// The function registry: the names of the language's functions mapped to their node classes,
// in registration order.
#pragma once

#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "core/Expression.h"
#include "support/QnStringList.h"

namespace qnexp {

class TCustomFunction;

// What the registry keeps for one name: the node class and, for user-defined functions, the
// definition (not owned).
class TFuncionRegisterInfo : public TObject {
  QN_CLASS(TFuncionRegisterInfo, TObject)
public:
  TFuncionRegisterInfo() = default;
  explicit TFuncionRegisterInfo(const TClassInfo* funcClass,
                                TCustomFunction* customFunction = nullptr)
      : FuncClass(funcClass), CustomFunction(customFunction) {}
  const TClassInfo* FuncClass = nullptr;
  TCustomFunction* CustomFunction = nullptr;
};

// The call node of user-defined functions implements this so the registry can bind a new call
// to its definition by name.
class ICustomFunctionCall {
public:
  virtual ~ICustomFunctionCall() = default;
  virtual void BindCall(const std::string& funcName, TCustomFunction* definition) = 0;
};

// The registry: names stored upper-cased, looked up without regard to case, kept in
// registration order; each item owns its TFuncionRegisterInfo.
class TFunctionList : public TQnStringList {
  QN_CLASS(TFunctionList, TQnStringList)
public:
  // The node class of user-defined function calls; set by the unit that defines it.
  static const TClassInfo* CustomCallClass;

  const TClassInfo* GetFuncClass(std::string_view name) const;
  TCustomFunction* GetCustomFunction(std::string_view name) const;
  // Appends name with cls; a name already present is kept and "函数重名(<name>)" is logged.
  void AddFunction(const std::string& name, const TClassInfo& cls);
  void AddFunctions(std::span<const std::string> names,
                    std::span<const TClassInfo* const> classes);
  void DelFunction(std::string_view name);
  // Replaces whatever carries name by a call of the user-defined function definition.
  // Raises Exception when no user-defined call class has been installed.
  void AddCustomFunction(const std::string& name, TCustomFunction* definition);
  // A new node for name (the caller owns it), or null for an unknown name.
  std::unique_ptr<TExpression> CreateFunction(const std::string& name) const;

  // Registration of classes by their derived names.
  void RegisterFunctions(std::span<const TClassInfo* const> classes);
  void RegisterFunctions(std::initializer_list<const TClassInfo*> classes);
  void UnRegisterFunctions(std::span<const TClassInfo* const> classes);
  // Each line "existing = alias" adds alias for an existing function; bad lines are skipped.
  void RegisterFunctionAlias(const TStringList& lines);
  void UnRegisterFunctionAlias(const TStringList& lines);

private:
  const TFuncionRegisterInfo* Find(std::string_view name) const;
};

// The language name of a function class: the class name without "TExp_" (any case), or
// without its first letter when it has no such prefix.
std::string FuncNameOf(const TClassInfo& cls);

}  // namespace qnexp
