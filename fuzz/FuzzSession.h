// What the expression fuzz targets share: the sandbox they run in (no processes, files,
// clipboard or dialogs; a short time budget so that endless loops end as "Operation aborted")
// and the reset that gives every input the engine as it was at start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/Abort.h"
#include "core/CustomFunction.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Sandbox.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "runtime/Exception.h"
#include "support/AppLog.h"
#include "support/Macros.h"

namespace qnexp::fuzzing {

class TFuzzSession {
public:
  TFuzzSession() {
    TSandboxSettings sandbox;
    sandbox.Enabled = true;
    sandbox.TimeBudget = 0.2;
    sandbox.MaxTextBytes = 1024 * 1024;
    SetSandbox(sandbox);
    SetLogSink([](const std::string&) {});
    TFunctionList& registry = *ExpTranslator->Functions;
    for (int i = 0; i < registry.Count(); ++i)
      Functions.emplace_back(registry.Get(i), ClassAt(registry, i));
    for (int i = 0; i < PubVarList->List().Count(); ++i) {
      auto* node = ObjectAs<TExpression>(PubVarList->List().GetObject(i));
      PublicVariables.emplace_back(PubVarList->List().Get(i),
                                   std::unique_ptr<TExpression>(node->CopySelf()));
    }
  }

  // A private variable list for one input, chained to the public one.
  std::unique_ptr<TVarList> Begin() {
    ClearAbort();
    std::unique_ptr<TVarList> list = CreateVarList(PubVarList);
    SetVarList(list.get());
    return list;
  }

  // Puts back what an input may have changed: the current list, the public variables, the
  // registry (user-defined functions, replaced built-in names), the default macros.
  void End(std::unique_ptr<TVarList> list) {
    SetVarList(PubVarList);
    list.reset();
    PubVarList->Clear();
    for (const auto& [name, node] : PublicVariables) PubVarList->SetVarExp(name, node->CopySelf());
    TFunctionList& registry = *ExpTranslator->Functions;
    if (!RegistryAsAtStart(registry)) {
      registry.FreeObjects();
      registry.Clear();
      for (const auto& [name, cls] : Functions) registry.AddFunction(name, *cls);
      CollectCustomFunctions();
    }
    DefaultMacros->Clear();
    ClearAbort();
  }

private:
  static const TClassInfo* ClassAt(const TFunctionList& registry, int index) {
    auto* info = ObjectAs<TFuncionRegisterInfo>(registry.GetObject(index));
    return info ? info->FuncClass : nullptr;
  }
  bool RegistryAsAtStart(const TFunctionList& registry) const {
    if (registry.Count() != static_cast<int>(Functions.size())) return false;
    for (int i = 0; i < registry.Count(); ++i) {
      auto* info = ObjectAs<TFuncionRegisterInfo>(registry.GetObject(i));
      if (registry.Get(i) != Functions[i].first || !info || info->CustomFunction ||
          info->FuncClass != Functions[i].second)
        return false;
    }
    return true;
  }

  std::vector<std::pair<std::string, const TClassInfo*>> Functions;
  std::vector<std::pair<std::string, std::unique_ptr<TExpression>>> PublicVariables;
};

// Runs body on the input as an expression text, within one session, with the engine reset
// before and after; the library's own errors are expected, anything else is a finding.
template <class Body>
int RunExpressionInput(const uint8_t* data, size_t size, Body body) {
  static TFuzzSession session;
  std::unique_ptr<TVarList> list = session.Begin();
  try {
    body(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
  }
  session.End(std::move(list));
  return 0;
}

}  // namespace qnexp::fuzzing
