// The dataset variable list and DBFindRecords.
#include "dbfunctions/DBVarList.h"

#include <memory>

#include "core/EntryPoints.h"
#include "dbfunctions/DBFunctions.h"
#include "runtime/DataSet.h"
#include "runtime/Handles.h"

namespace qnexp {

bool IsAliasVariable(TExpression* node) {
  return node && node->DataType == etInteger && node->GetSubExpCount() == 0 && node->IsConst();
}

namespace {

void DefineAlias(TVarList& list, TDataSet* dataSet, const std::string& alias) {
  if (alias.empty()) return;
  list.SetVarExp(alias, CreateIntExp(HandleOf(dataSet, hkDataSet)).release());
}

}  // namespace

TDataSet* DataSetOfAlias(const TVarList& list, const std::string& alias) {
  TExpression* node = list.GetVarExp(alias);
  if (!IsAliasVariable(node)) return nullptr;
  return ObjectOfHandleAs<TDataSet>(node->GetInteger(), hkDataSet);
}

std::string AliasOfDataSet(const TVarList& list, TDataSet* dataSet) {
  if (!dataSet) return {};
  int32_t handle = HandleOf(dataSet, hkDataSet);
  for (int i = 0; i < list.GetCount(); ++i) {
    auto* node = ObjectAs<TExpression>(list.GetObj(i));
    if (IsAliasVariable(node) && node->GetInteger() == handle) return list.GetString(i);
  }
  return {};
}

void DefineDataSetFields(TVarList& list, TDataSet* dataSet, const std::string& alias) {
  DefineAlias(list, dataSet, alias);
  if (!dataSet) return;
  std::string refPrefix = alias.empty() ? "@" : alias + "@";
  std::string valuePrefix = alias.empty() ? "" : alias + ".";
  for (int i = 0; i < dataSet->GetFieldCount(); ++i) {
    TField* field = dataSet->GetField(i);
    int32_t handle = HandleOf(field, hkField);
    list.SetVarExp(refPrefix + field->FieldName(), CreateIntExp(handle).release());
    auto value = std::make_unique<TExp_DB_Field>();
    value->PutSubExp(0, CreateIntExp(handle).release());
    value->DataType = etAny;
    value->Evaluate(kForceStamp);
    list.SetVarExp(valuePrefix + field->FieldName(), value.release());
  }
}

void UndefineDataSetFields(TVarList& list, TDataSet* dataSet, std::string alias) {
  if (alias.empty() && !dataSet) return;
  if (alias.empty()) alias = AliasOfDataSet(list, dataSet);
  if (!dataSet) dataSet = DataSetOfAlias(list, alias);
  if (!alias.empty()) list.SetVarExp(alias, nullptr);
  if (!dataSet) return;
  std::string refPrefix = alias.empty() ? "@" : alias + "@";
  std::string valuePrefix = alias.empty() ? "" : alias + ".";
  for (int i = 0; i < dataSet->GetFieldCount(); ++i) {
    const std::string& name = dataSet->GetField(i)->FieldName();
    list.SetVarExp(valuePrefix + name, nullptr);
    list.SetVarExp(refPrefix + name, nullptr);
  }
}

void TDBVarList::DefineDataSet(TDataSet* dataSet, const std::string& alias) {
  DefineAlias(*this, dataSet, alias);
}

void TDBVarList::UndefineDataSet(const std::string& alias) {
  if (!alias.empty()) SetVarExp(alias, nullptr);
}

TDataSet* TDBVarList::DataSetOf(const std::string& alias) const {
  return DataSetOfAlias(*this, alias);
}

std::string TDBVarList::AliasOf(TDataSet* dataSet) const { return AliasOfDataSet(*this, dataSet); }

void TDBVarList::DefineFields(TDataSet* dataSet, const std::string& alias) {
  DefineDataSetFields(*this, dataSet, alias);
}

void TDBVarList::UndefineFields(TDataSet* dataSet, std::string alias) {
  UndefineDataSetFields(*this, dataSet, std::move(alias));
}

TDBVarList* CreateDBVarList(TVarList* parent) {
  auto* list = new TDBVarList;
  list->Parent = parent ? parent : GetVarList();
  list->SearchParent = true;
  return list;
}

namespace {

// The finder's state while a walk runs.
struct TDBRecordFinder {
  TDataSet* DataSet;
  void* User;
  const TRecordFindCallback* Filter;
  const TRecordFindCallback* Found;
  TFilterRecordEvent SavedFilter;

  void TempFilterRecord(TDataSet& dataSet, bool& accept) {
    if (SavedFilter) SavedFilter(dataSet, accept);
    accept = accept && *Filter && (*Filter)(dataSet, User);
  }
};

}  // namespace

void DBFindRecords(TDataSet& dataSet, const TRecordFindCallback& filter,
                   const TRecordFindCallback& found, void* user) {
  TDBRecordFinder finder{&dataSet, user, &filter, &found, dataSet.OnFilterRecord};
  dataSet.DisableControls();
  dataSet.OnFilterRecord = [&finder](TDataSet& d, bool& accept) {
    finder.TempFilterRecord(d, accept);
  };
  struct TRestore {
    TDBRecordFinder& Finder;
    ~TRestore() {
      Finder.DataSet->OnFilterRecord = Finder.SavedFilter;
      Finder.DataSet->EnableControls();
    }
  } restore{finder};
  for (bool ok = dataSet.FindFirst(); ok; ok = dataSet.FindNext())
    if (found && !found(dataSet, user)) break;
}

}  // namespace qnexp
