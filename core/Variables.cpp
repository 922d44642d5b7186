// Variable lists and the variable nodes of the language.
#include "core/Variables.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/EntryPoints.h"
#include "core/Nesting.h"
#include "core/Translator.h"
#include "runtime/GbkChars.h"

namespace qnexp {

namespace {

// Variable nodes being evaluated through a reference right now, one entry per level, and the
// ones among them that their list has let go of meanwhile (a formula that redefines its own
// variable): the evaluation still uses those, so they are freed when it ends.
std::vector<TObject*> RunningNodes;
std::vector<TObject*> RetiredNodes;
int FormulaDepth = 0;

bool IsRunning(const TObject* node) {
  return std::find(RunningNodes.begin(), RunningNodes.end(), node) != RunningNodes.end();
}

// Marks a variable's node as running for as long as it lives.
class TRunningNode {
public:
  explicit TRunningNode(TObject* node) : Node(node) { RunningNodes.push_back(node); }
  ~TRunningNode() {
    RunningNodes.pop_back();
    if (IsRunning(Node)) return;
    auto retired = std::find(RetiredNodes.begin(), RetiredNodes.end(), Node);
    if (retired == RetiredNodes.end()) return;
    RetiredNodes.erase(retired);
    delete Node;
  }
  TRunningNode(const TRunningNode&) = delete;
  TRunningNode& operator=(const TRunningNode&) = delete;

private:
  TObject* Node;
};

}  // namespace

uint64_t TVarList::ChangeCount = 1;

TVarList::TVarList() = default;

TVarList::~TVarList() {
  if (GetVarList() == this) SetVarList(Parent);
  ReleaseNodes();
  Changed();
}

void TVarList::FreeNode(TObject* node) {
  if (!node) return;
  if (IsRunning(node)) {
    if (std::find(RetiredNodes.begin(), RetiredNodes.end(), node) == RetiredNodes.end())
      RetiredNodes.push_back(node);
    return;
  }
  delete node;
}

void TVarList::ReleaseNodes() {
  std::vector<TObject*> nodes;
  TQnStringList& list = List();
  for (int i = 0; i < list.Count(); ++i) nodes.push_back(list.GetObject(i));
  list.NilObjects();
  for (TObject* node : nodes) FreeNode(node);
}

TExpression* TVarList::GetVarExp(std::string_view name) const {
  if (name.empty()) return nullptr;
  TExpression* found = nullptr;
  if (name[0] == '.' && Parent)
    found = Parent->GetVarExp(name.substr(1));
  else if (name[0] == '\\' && this != PubVarList && PubVarList)
    found = PubVarList->GetVarExp(name.substr(1));
  if (found) return found;
  int index = IndexOf(name);
  if (index >= 0) return ObjectAs<TExpression>(GetObj(index));
  if (SearchParent && Parent) return Parent->GetVarExp(name);
  return nullptr;
}

void TVarList::SetVarExp(const std::string& name, TExpression* node) {
  if (name.empty()) {
    FreeNode(node);  // nowhere to keep it; the list was handed ownership
    return;
  }
  if (name[0] == '.' && Parent) {
    Parent->SetVarExp(name.substr(1), node);
    return;
  }
  if (name[0] == '\\' && this != PubVarList && PubVarList) {
    PubVarList->SetVarExp(name.substr(1), node);
    return;
  }
  int index = IndexOf(name);
  if (index >= 0) {
    if (node) {
      TObject* old = GetObj(index);
      SetObj(index, node);
      if (old != node) FreeNode(old);
    } else {
      Delete(index);
    }
  } else if (node) {
    AddObject(UpperCase(name), node);
  }
  Changed();
}

int TVarList::AddObject(const std::string& text, TObject* obj) {
  Changed();
  return TStoredStrList::AddObject(text, obj);
}

void TVarList::InsertObject(int index, const std::string& text, TObject* obj) {
  Changed();
  TStoredStrList::InsertObject(index, text, obj);
}

void TVarList::SetObj(int index, TObject* obj) {
  Changed();
  TStoredStrList::SetObj(index, obj);
}

void TVarList::Delete(int index) {
  Changed();
  TObject* node = GetObj(index);
  TStoredStrList::SetObj(index, nullptr);
  TStoredStrList::Delete(index);
  FreeNode(node);
}

void TVarList::Clear() {
  Changed();
  // Unlike a plain stored list, a variable list never lets go of its nodes without freeing
  // them: nothing else owns them.
  ReleaseNodes();
  TStoredStrList::Clear();
}

namespace {

bool IsPlainNode(const TExpression* node) {
  return &node->ClassType() == &TExpression::StaticClass();
}

}  // namespace

bool TExp_VarRef::ConstantName() {
  if (NameKind == 0) {
    TExpression* slot = GetSubExp(0);
    bool plain = slot && IsPlainNode(slot) && !slot->GetFormatExp() &&
                 slot->GetSubExpCount() == 0;
    NameKind = plain ? 1 : 2;
    PlainReference = &ClassType() == &TExp_VarRef::StaticClass();
    if (plain) {
      NameBuffer = slot->GetString();
      ListsNames = NameBuffer == "_VarList";
    }
  }
  return NameKind == 1;
}

void TExp_VarRef::PutSubExp(int index, TExpression* node) {
  TFunction::PutSubExp(index, node);
  NameKind = 0;
  CacheValid = false;
}

void TExp_VarRef::AfterLoad(TFiler& filer) {
  TFunction::AfterLoad(filer);
  VarList = GetVarList();
  CacheValid = false;
  NameKind = 0;
}

const std::string& TExp_VarRef::Name() {
  if (ConstantName()) return NameBuffer;
  TExpression* slot = GetSubExp(0);
  if (slot)
    NameBuffer = slot->GetString();
  else
    NameBuffer.clear();
  ListsNames = NameBuffer == "_VarList";
  return NameBuffer;
}

TExpression* TExp_VarRef::Variable() {
  if (!VarList) return nullptr;
  bool constantName = ConstantName();
  if (constantName && CacheValid && CachedGeneration == TVarList::Generation())
    return CachedVariable;
  TExpression* found = VarList->GetVarExp(Name());
  CacheValid = constantName;
  CachedGeneration = TVarList::Generation();
  CachedVariable = found;
  CachedVariablePlain = found && IsPlainNode(found);
  return found;
}

void TExp_VarRef::TakeTextAndFormat(TExpression& variable) {
  Value.StrValue = variable.Value.StrValue;
  if (!FormatExp && variable.GetFormatExp()) FormatExp = variable.GetFormatExp()->CopySelf();
}

bool TExp_VarRef::TransOverOK() {
  VarList = GetVarList();
  DataType = etAny;
  CacheValid = false;
  if (TExpression* variable = Variable()) DataType = variable->DataType;
  return true;
}

namespace {

// The names of list and, while the search flags allow, of its ancestors.
std::string ListNames(const TVarList* list) {
  std::string text = list->GetText();
  while (list->SearchParent && list->Parent) {
    list = list->Parent;
    text += "\r\n" + list->GetText();
  }
  return text;
}

}  // namespace

void TExp_VarRef::Calculate() {
  const std::string& name = Name();
  if (ListsNames) {
    PutString(VarList ? ListNames(VarList) : std::string());
    return;
  }
  if (TExpression* variable = Variable()) {
    // A plain constant variable computes nothing; stamping it is all its evaluation does.
    if (CachedVariablePlain && CacheValid) {
      variable->SyncFlag = kForceStamp;
      AssignFormatValue(*variable);
      return;
    }
    TNestingGuard level(FormulaDepth, kMaxFormulaNesting, "变量%s的公式嵌套太深(超过%d层)", name);
    TRunningNode running(variable);
    variable->Evaluate(kForceStamp);
    AssignFormatValue(*variable);
    return;
  }
  DataType = etString;
  PutString(name);
}

TExpression* TExp_VarRef::CopySelf() {
  auto* copy = static_cast<TExp_VarRef*>(TFunction::CopySelf());
  copy->VarList = VarList;
  return copy;
}

bool TExp_VarExist::TransOverOK() {
  TExp_VarRef::TransOverOK();
  DataType = etBoolean;
  return true;
}

void TExp_VarExist::Calculate() { PutBoolean(Variable() != nullptr); }

bool TExp_VarDef::TransOverOK() {
  TExp_VarRef::TransOverOK();
  if (TExpression* value = GetSubExp(1)) DataType = value->DataType;
  return true;
}

void TExp_VarDef::Calculate() {
  TExpression* value = GetSubExp(1);
  if (value && VarList) {
    // The slot lets go of the value before the list takes it: the list may free it at once
    // (a name that comes out empty keeps nothing).
    TExpression* name = GetSubExp(0);
    PutSubExp(1, name && name->IsConst() ? nullptr : value->CopySelf());
    VarList->SetVarExp(Name(), value);
  }
  if (TExpression* variable = Variable()) {
    AssignValue(*variable);
    return;
  }
  DataType = etString;
  PutString(Name());
}

void TExp_VarAssign::Calculate() {
  TExpression* value = GetSubExp(1);
  if (!value) return;
  AssignValue(*value);
  if (TExpression* variable = Variable()) {
    variable->AssignValue(*this);
    return;
  }
  if (!VarList) return;
  auto* created = new TExpression;
  created->AssignFormatValue(*this);
  VarList->SetVarExp(Name(), created);
}

std::span<const TClassInfo* const> VariableClasses() {
  // The named functions in registration order.
  return ClassTable<TExp_VarExist, TExp_VarRef, TExp_VarDef, TExp_VarAssign>();
}

}  // namespace qnexp
