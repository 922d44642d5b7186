// The function registry.
#include "core/FunctionList.h"

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "support/AppLog.h"
#include "support/SplitStr.h"
#include "support/StrFuncs.h"

namespace qnexp {

const TClassInfo* TFunctionList::CustomCallClass = nullptr;

std::string FuncNameOf(const TClassInfo& cls) {
  std::string name = cls.Name;
  if (UpperCase(name.substr(0, 5)) == "TEXP_") return name.substr(5);
  return name.empty() ? name : name.substr(1);
}

const TFuncionRegisterInfo* TFunctionList::Find(std::string_view name) const {
  int index = IndexOf(name);
  if (index < 0) return nullptr;
  return ObjectAs<TFuncionRegisterInfo>(GetObject(index));
}

const TClassInfo* TFunctionList::GetFuncClass(std::string_view name) const {
  const TFuncionRegisterInfo* info = Find(name);
  return info ? info->FuncClass : nullptr;
}

TCustomFunction* TFunctionList::GetCustomFunction(std::string_view name) const {
  const TFuncionRegisterInfo* info = Find(name);
  return info ? info->CustomFunction : nullptr;
}

void TFunctionList::AddFunction(const std::string& name, const TClassInfo& cls) {
  if (IndexOf(name) >= 0) {
    AppendLog(Format(Res("函数重名(%s)"), {name}), false);
    return;
  }
  AddObject(UpperCase(name), new TFuncionRegisterInfo(&cls));
}

void TFunctionList::AddFunctions(std::span<const std::string> names,
                                 std::span<const TClassInfo* const> classes) {
  for (size_t i = 0; i < names.size() && i < classes.size(); ++i)
    if (classes[i]) AddFunction(names[i], *classes[i]);
}

void TFunctionList::DelFunction(std::string_view name) {
  int index = IndexOf(name);
  if (index >= 0) Delete(index);
}

void TFunctionList::AddCustomFunction(const std::string& name, TCustomFunction* definition) {
  if (!CustomCallClass) throw Exception("User-defined functions are not available");
  DelFunction(name);
  AddObject(UpperCase(name), new TFuncionRegisterInfo(CustomCallClass, definition));
}

std::unique_ptr<TExpression> TFunctionList::CreateFunction(const std::string& name) const {
  const TFuncionRegisterInfo* info = Find(name);
  if (!info || !info->FuncClass || !info->FuncClass->Create) return nullptr;
  std::unique_ptr<TObject> made(info->FuncClass->Create());
  std::unique_ptr<TExpression> node(ObjectAs<TExpression>(made.get()));
  if (!node) return nullptr;
  made.release();
  if (info->FuncClass == CustomCallClass)
    if (auto* call = dynamic_cast<ICustomFunctionCall*>(node.get()))
      call->BindCall(name, info->CustomFunction);
  return node;
}

void TFunctionList::RegisterFunctions(std::span<const TClassInfo* const> classes) {
  for (const TClassInfo* cls : classes)
    if (cls) AddFunction(FuncNameOf(*cls), *cls);
}

void TFunctionList::RegisterFunctions(std::initializer_list<const TClassInfo*> classes) {
  RegisterFunctions(std::span<const TClassInfo* const>(classes.begin(), classes.size()));
}

void TFunctionList::UnRegisterFunctions(std::span<const TClassInfo* const> classes) {
  for (size_t i = classes.size(); i-- > 0;)
    if (classes[i]) DelFunction(FuncNameOf(*classes[i]));
}

void TFunctionList::RegisterFunctionAlias(const TStringList& lines) {
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Get(i);
    if (line.find('=') == std::string::npos) continue;
    std::string existing = TrimBoth(CutStr(line, "="));
    std::string alias = TrimBoth(line);
    if (existing.empty() || alias.empty()) continue;
    if (const TClassInfo* cls = GetFuncClass(existing)) AddFunction(alias, *cls);
  }
}

void TFunctionList::UnRegisterFunctionAlias(const TStringList& lines) {
  for (int i = lines.Count() - 1; i >= 0; --i) {
    std::string line = lines.Get(i);
    if (line.find('=') == std::string::npos) continue;
    CutStr(line, "=");
    std::string alias = TrimBoth(line);
    if (!alias.empty()) DelFunction(alias);
  }
}

}  // namespace qnexp
