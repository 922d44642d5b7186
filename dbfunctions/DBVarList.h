// The dataset variable list: a variable list that publishes a dataset under an alias and each
// of its fields as a value variable ("ALIAS.FIELD") and a handle variable ("ALIAS@FIELD");
// and DBFindRecords, the filtered record walk hosts use. Single-threaded.
#pragma once

#include <functional>
#include <string>

#include "core/Variables.h"

namespace qnexp {

class TDataSet;

class TDBVarList : public TVarList {
  QN_CLASS(TDBVarList, TVarList)
public:
  // Stores the alias variable (an etInteger constant holding the dataset's handle); nothing
  // for an empty alias. A node already under that name is replaced and freed.
  void DefineDataSet(TDataSet* dataSet, const std::string& alias);
  // Removes the alias variable; nothing for an empty alias.
  void UndefineDataSet(const std::string& alias);
  // The dataset of the alias variable found by an ordinary look-up (parents included); null
  // when there is none, the entry is not an alias variable or its dataset is gone.
  TDataSet* DataSetOf(const std::string& alias) const;
  // The stored (upper-cased) name of the first alias variable of this list itself that holds
  // the dataset's handle; empty when none.
  std::string AliasOf(TDataSet* dataSet) const;
  // Publishes the alias and, for every field, "<alias>@<field>" (the field's handle) and
  // "<alias>.<field>" (a DB_Field node, read once now). An empty alias gives "@<field>" and the
  // bare field name, and no alias variable. Errors of the dataset layer propagate.
  void DefineFields(TDataSet* dataSet, const std::string& alias);
  // Removes what DefineFields stored; the alias is found from the dataset (AliasOf) or the
  // dataset from the alias (DataSetOf) when one of them is missing.
  void UndefineFields(TDataSet* dataSet, std::string alias);
};

// The same operations on any variable list (the database functions work on the current list,
// whatever its class).
void DefineDataSetFields(TVarList& list, TDataSet* dataSet, const std::string& alias);
void UndefineDataSetFields(TVarList& list, TDataSet* dataSet, std::string alias);
TDataSet* DataSetOfAlias(const TVarList& list, const std::string& alias);
std::string AliasOfDataSet(const TVarList& list, TDataSet* dataSet);

// True when node is an alias variable: an etInteger constant without sub-expressions.
bool IsAliasVariable(TExpression* node);

// A new TDBVarList whose parent is parent (the translator's current list when null) and whose
// parent search is on; the caller owns it and makes it current when it wants to.
TDBVarList* CreateDBVarList(TVarList* parent = nullptr);

// Called with the dataset and the user pointer; the filter decides whether a record counts,
// the found callback whether the walk goes on.
using TRecordFindCallback = std::function<bool(TDataSet& dataSet, void* user)>;

// Walks the records of dataSet that the dataset's own filter handler (if any) and filter both
// accept, calling found for each until it returns false. Without a filter no record is
// accepted. Notices are suspended meanwhile; the handler and notices are restored whatever
// happens, and errors of the callbacks propagate.
void DBFindRecords(TDataSet& dataSet, const TRecordFindCallback& filter,
                   const TRecordFindCallback& found, void* user);

}  // namespace qnexp
