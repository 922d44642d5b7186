// User-defined functions: definitions, their registration and release, calls with lazily
// evaluated arguments, and the readers of a call's arguments.
#include "core/CustomFunction.h"

#include <algorithm>
#include <memory>
#include <unordered_set>
#include <vector>

#include "core/Abort.h"
#include "core/EntryPoints.h"
#include "core/Nesting.h"
#include "core/Translator.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {

TExp_CustFuncRef* ActiveCall = nullptr;

namespace {

// The registered definitions; what is left of them is freed at exit.
struct TDefinitionStore {
  std::vector<TCustomFunction*> Items;
  ~TDefinitionStore() {
    std::vector<TCustomFunction*> items = std::move(Items);
    for (TCustomFunction* definition : items) delete definition;
  }
};

TDefinitionStore& Store() {
  static TDefinitionStore store;
  return store;
}

uint64_t NextSerial = 1;

// Calls whose bodies are being evaluated right now, and where the stack stood when the
// outermost of them began.
int CallDepth = 0;
uintptr_t CallStackBase = 0;

// What nested calls may take of the stack: kMaxCallStackBytes, or half of a smaller stack.
size_t CallStackBudget() {
  size_t half = ThreadStackSize() / 2;
  return half > 0 && half < kMaxCallStackBytes ? half : kMaxCallStackBytes;
}

TFunctionList* Registry() { return ExpTranslator ? ExpTranslator->Functions.get() : nullptr; }

// Runs an action when the scope is left, also by an exception.
template <class F>
class TScopeExit {
public:
  explicit TScopeExit(F action) : Action(action) {}
  ~TScopeExit() { Action(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

private:
  F Action;
};

}  // namespace

// Keeps a definition from being freed while one of its operations runs: evaluating its count
// expressions or copying its body can run any function, UnDefFunc included.
class TDefinitionPin {
public:
  explicit TDefinitionPin(TCustomFunction* definition) : Definition(definition) {
    if (Definition) ++Definition->PinCount;
  }
  ~TDefinitionPin() {
    if (Definition) --Definition->PinCount;
  }
  TDefinitionPin(const TDefinitionPin&) = delete;
  TDefinitionPin& operator=(const TDefinitionPin&) = delete;

private:
  TCustomFunction* Definition;
};

// --- TCustomFunction -------------------------------------------------------------------------

TCustomFunction::TCustomFunction() : SerialNumber(NextSerial++) { FixedCount = 4; }

TCustomFunction::~TCustomFunction() {
  if (Registered) {
    // A destructor must not throw; the registry is left as Withdraw managed to leave it.
    try {
      Withdraw();
    } catch (...) {
    }
  }
  delete Body;
  Body = nullptr;
}

std::string TCustomFunction::GetFuncName() {
  TExpression* name = SubExp[0];
  if (!name) return std::string();
  name->Evaluate(kForceStamp);
  return name->GetString();
}

int32_t TCustomFunction::GetFixedParamCount() {
  TExpression* count = SubExp[1];
  if (!count) return 0;
  count->Evaluate(kForceStamp);
  return count->GetInteger();
}

int32_t TCustomFunction::GetOptionalParamCount() {
  TExpression* count = SubExp[2];
  if (!count) return 0;
  count->Evaluate(kForceStamp);
  return count->GetInteger();
}

TExpression* TCustomFunction::GetSubExp(int index) {
  return index == 3 ? Body : TFunction::GetSubExp(index);
}

void TCustomFunction::PutSubExp(int index, TExpression* node) {
  if (index == 3) {
    AttachBody(node);
    return;
  }
  if (index == 2 && node && DefinedName.empty()) {
    std::string name = GetFuncName();
    if (!name.empty()) {
      Define(node, name);
      return;
    }
  }
  TFunction::PutSubExp(index, node);
}

bool TCustomFunction::SetSubExp(int index, TExpression* node) {
  if (!node) return false;
  if (index == 2 && DefinedName.empty()) {
    std::string name = GetFuncName();
    if (name.empty()) return false;
    Define(node, name);
    return true;
  }
  PutSubExp(index, node);
  return true;
}

bool TCustomFunction::TransOverOK() {
  DataType = etBoolean;
  PutBoolean(true);
  return true;
}

TExpression* TCustomFunction::CopySelf() {
  auto copy = std::make_unique<TCustomFunction>();
  copy->SyncFlag = SyncFlag;
  for (int i = 0; i < 3; ++i)
    if (SubExp[i]) copy->SubExp[i] = SubExp[i]->CopySelf();
  if (Body) copy->Body = Body->CopySelf();
  copy->AssignFormatValue(*this);
  return copy.release();
}

void TCustomFunction::Define(TExpression* countNode, const std::string& name) {
  if (Registered) Withdraw();
  SubExp[2] = countNode;
  TFunctionList* registry = Registry();
  if (!registry) return;

  auto made = std::make_unique<TCustomFunction>();
  made->DataType = etBoolean;
  made->PutBoolean(true);
  made->DefinedName = name;
  Store().Items.reserve(Store().Items.size() + 1);
  ReplacedClass = registry->GetFuncClass(name);
  ReplacedIndex = registry->IndexOf(name);
  ReplacedDefinition = registry->GetCustomFunction(name);
  if (ReplacedDefinition) ++ReplacedDefinition->PinCount;
  for (int i = 0; i < 3; ++i) made->SubExp[i] = SubExp[i];
  made->AwaitingBody = true;
  Registered = made.get();
  Store().Items.push_back(made.release());

  TFunctionList::CustomCallClass = &TExp_CustFuncRef::StaticClass();
  registry->AddCustomFunction(name, Registered);
  CollectCustomFunctions();
}

void TCustomFunction::AttachBody(TExpression* body) {
  if (!Registered) {
    Body = body;
    return;
  }
  // The body belongs to the definition this node registered, even if a definition inside
  // the body registered the same name again meanwhile.
  TCustomFunction* definition = Registered;
  definition->Body = body;
  definition->AwaitingBody = false;
  Registered = nullptr;
  for (TExpression*& slot : SubExp) slot = nullptr;
  if (ReplacedDefinition) --ReplacedDefinition->PinCount;
  ReplacedDefinition = nullptr;
  ReplacedClass = nullptr;
  CollectCustomFunctions();
}

void TCustomFunction::Withdraw() {
  TCustomFunction* definition = Registered;
  TCustomFunction* replaced = ReplacedDefinition;
  const TClassInfo* replacedClass = ReplacedClass;
  int replacedIndex = ReplacedIndex;
  Registered = nullptr;
  ReplacedDefinition = nullptr;
  ReplacedClass = nullptr;
  // The definition owns the name and count nodes from here on.
  for (TExpression*& slot : SubExp) slot = nullptr;
  definition->AwaitingBody = false;
  TDefinitionPin keep(replaced);
  if (replaced) --replaced->PinCount;
  TFunctionList* registry = Registry();
  if (registry && registry->GetCustomFunction(definition->DefinedName) == definition) {
    registry->DelFunction(definition->DefinedName);
    if (replaced)
      registry->AddCustomFunction(definition->DefinedName, replaced);
    else if (replacedClass)
      registry->AddFunction(definition->DefinedName, *replacedClass);
    // Back to its old place: catalogues list functions in registration order.
    int restored = registry->IndexOf(definition->DefinedName);
    if (restored >= 0 && replacedIndex >= 0 && replacedIndex < registry->Count() &&
        restored != replacedIndex)
      registry->Move(restored, replacedIndex);
  }
  CollectCustomFunctions();
}

void CollectCustomFunctions() {
  std::vector<TCustomFunction*>& items = Store().Items;
  if (items.empty()) return;
  std::unordered_set<const TCustomFunction*> registered;
  if (TFunctionList* registry = Registry()) {
    for (int i = 0; i < registry->Count(); ++i)
      if (auto* info = ObjectAs<TFuncionRegisterInfo>(registry->GetObject(i)))
        if (info->CustomFunction) registered.insert(info->CustomFunction);
  }
  std::vector<TCustomFunction*> unused;
  auto firstUnused = std::stable_partition(items.begin(), items.end(), [&](TCustomFunction* d) {
    return d->AwaitingBody || d->PinCount > 0 || registered.count(d) > 0;
  });
  unused.assign(firstUnused, items.end());
  items.erase(firstUnused, items.end());
  // Freed only once the store is consistent: freeing a body may come back here.
  for (TCustomFunction* definition : unused) delete definition;
}

// --- TExp_CustFuncRef ------------------------------------------------------------------------

TExp_CustFuncRef::~TExp_CustFuncRef() {
  delete Body;
  Body = nullptr;
}

void TExp_CustFuncRef::SetCustomFunction(TCustomFunction* definition) {
  if (definition ? definition->Serial() == BoundSerial : BoundSerial == 0) return;
  TDefinitionPin pin(definition);
  delete Body;
  Body = nullptr;
  BoundSerial = 0;
  BoundFixed = 0;
  BoundOptional = 0;
  if (!definition) return;
  int32_t fixed = definition->GetFixedParamCount();
  int32_t optional = definition->GetOptionalParamCount();
  TExpression* copy = definition->Body ? definition->Body->CopySelf() : nullptr;
  Body = copy;
  BoundSerial = definition->Serial();
  BoundFixed = std::max(fixed, 0);
  BoundOptional = std::max(optional, 0);
}

void TExp_CustFuncRef::BindCall(const std::string& funcName, TCustomFunction* definition) {
  FuncName = funcName;
  SetCustomFunction(definition);
}

void TExp_CustFuncRef::Evaluate(int32_t stamp) {
  CheckAbort();
  if (Running == 0) {
    if (!Body) BoundSerial = 0;
    TFunctionList* registry = Registry();
    SetCustomFunction(registry ? registry->GetCustomFunction(FuncName) : nullptr);
  }
  if (!Body) throw Exception(Format(Res("自定义函数%s没有定义"), {FuncName}));
  auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (CallDepth == 0) CallStackBase = here;
  uintptr_t used = CallStackBase > here ? CallStackBase - here : here - CallStackBase;
  if (CallDepth >= kMaxCallDepth || used > CallStackBudget())
    throw Exception(Format(Res("自定义函数%s调用太深(超过%d层)"), {FuncName, CallDepth}));

  TExp_CustFuncRef* savedActive = ActiveCall;
  TExp_CustFuncRef* savedCaller = CallerOfRun;
  CallerOfRun = ActiveCall;
  ActiveCall = this;
  ++CallDepth;
  ++Running;
  TScopeExit restore([&] {
    --Running;
    --CallDepth;
    CallerOfRun = savedCaller;
    ActiveCall = savedActive;
  });
  Body->Evaluate(stamp);
  AssignFormatValue(*Body);
}

TExpression* TExp_CustFuncRef::CopySelf() {
  auto* copy = static_cast<TExp_CustFuncRef*>(TExp_Zero::CopySelf());
  copy->FuncName = FuncName;
  return copy;
}

bool TExp_CustFuncRef::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                          void* param) {
  if (!TExp_Zero::EnumrateProperties(callback, purpose, param)) return false;
  return callback(&FuncName, "FuncName", ptString, !FuncName.empty(), 0, param);
}

// --- CustFuncParam, Argc ---------------------------------------------------------------------

void TExp_CustFuncParam::Evaluate(int32_t stamp) {
  TFunction::Evaluate(stamp);
  int64_t index = static_cast<int64_t>(Arg(0).GetInteger()) - 1;
  TExp_CustFuncRef* call = ActiveCall;
  if (!call) CalcError(Res("不在自定义函数的调用中"));
  if (index < 0 || index >= call->GetSubExpCount())
    throw EListError(Format(Msg::ListIndexError, {index}));
  TExpression* argument = call->GetSubExp(static_cast<int>(index));
  if (!argument) CalcError(Res(kMsgTooFewArguments));
  {
    // The argument belongs to the text of the call's caller and is evaluated there.
    ActiveCall = call->Caller();
    TScopeExit restore([call] { ActiveCall = call; });
    argument->Evaluate(stamp);
  }
  AssignValue(*argument);
}

void TExp_Argc::Calculate() { PutInteger(ActiveCall ? ActiveCall->GetSubExpCount() : 0); }

// --- Registration ----------------------------------------------------------------------------

std::span<const TClassInfo* const> CustomFunctionClasses() {
  // The named functions in registration order, then the classes that are only nodes.
  return ClassTable<TCustomFunction, TExp_CustFuncParam, TExp_Argc, TExp_CustFuncRef>();
}

}  // namespace qnexp
