// The database functions that go through the hooks or change a dataset's state: opening
// databases, queries and tables, running SQL, closing, statements, posting, cancelling,
// appending, expression fields; and the family's registration tables.
#include "core/EntryPoints.h"
#include "core/Nesting.h"
#include "core/Sandbox.h"
#include "core/Variables.h"
#include "dbfunctions/DBFunctions.h"
#include "dbfunctions/DBHooks.h"
#include "dbfunctions/DBVarList.h"
#include "platform/Dialogs.h"
#include "runtime/DataSet.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "functions/Macros.h"
#include "support/Macros.h"

namespace qnexp {

namespace {

std::string OptionalText(TExpression& self, int index) {
  TExpression* node = self.GetSubExp(index);
  return node ? node->GetString() : std::string();
}

TDataSet* DataSetArg(TExpression& self) {
  TExpression* node = self.GetSubExp(0);
  return node ? ObjectOfHandleAs<TDataSet>(node->GetInteger(), hkDataSet) : nullptr;
}

bool Editing(const TDataSet& dataSet) {
  TDataSetState state = dataSet.GetState();
  return state == dsEdit || state == dsInsert || state == dsSetKey;
}

std::string Trimmed(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

// Runs an operation of DB_Post, DB_Cancel or DB_Append, reporting instead of raising.
template <class Operation>
void Reported(const char* name, Operation operation) {
  try {
    operation();
  } catch (const Exception& e) {
    ShowError(std::string(name) + ": " + e.Message);
  }
}

}  // namespace

// --- Expression fields -----------------------------------------------------------------------

std::unique_ptr<TExpression> TransExpField(TField* field, const std::string& defaultText) {
  std::string text;
  try {
    if (field) text = Trimmed(field->AsString());
  } catch (const Exception& e) {
    text = "\r\n" + e.Message;
  }
  if (text.empty()) text = defaultText;
  TTextNestingGuard guard;
  std::unique_ptr<TExpression> tree = TransMacroExpText(text, DefaultMacros);
  tree->Evaluate(kForceStamp);
  return tree;
}

void TExp_DB_ExpField::Evaluate(int32_t stamp) {
  if (stamp == SyncFlag && stamp != kForceStamp) return;
  SyncFlag = stamp;
  for (int i = 0; i < 2; ++i)
    if (TExpression* slot = GetSubExp(i)) slot->Evaluate(stamp);
  TField& field = RequireField();
  std::unique_ptr<TExpression> tree = TransExpField(&field, OptionalText(*this, 1));
  TTextNestingGuard guard;
  tree->Evaluate(stamp);
  AssignValue(*tree);
}

// --- Opening and running ---------------------------------------------------------------------

int32_t TExp_DB_OpenSQL::Database() {
  TExpression* node = GetSubExp(0);
  int32_t database = node ? node->GetInteger() : 0;
  if (database == 0) database = DBEF_OpenDatabase("", "", "");
  return database;
}

TDataSet* TExp_DB_OpenSQL::OpenWith(int32_t database, TDataSet* previous,
                                    const std::string& text) {
  return DBEF_OpenQuery(database, previous, text);
}

TDataSet* TExp_DB_OpenTable::OpenWith(int32_t database, TDataSet* previous,
                                      const std::string& text) {
  return DBEF_OpenTable(database, previous, text);
}

void TExp_DB_OpenSQL::Calculate() {
  std::string alias = OptionalText(*this, 2);
  TVarList* list = GetVarList();
  TDataSet* previous = nullptr;
  if (!alias.empty()) {
    if (list) {
      try {
        TExpression* node = list->GetVarExp(alias);
        if (node && node->DataType == etInteger)
          previous = ObjectOfHandleAs<TDataSet>(node->GetInteger(), hkDataSet);
      } catch (const Exception&) {
      }
    }
  } else {
    previous = ObjectOfHandleAs<TDataSet>(Value.IntValue, hkDataSet);
  }
  std::string text = Arg(1).GetString();
  int32_t database = Database();
  if (!alias.empty() && previous && list) UndefineDataSetFields(*list, previous, alias);
  TDataSet* result = OpenWith(database, previous, text);
  if (result != previous) {
    delete previous;
    PutInteger(HandleOf(result, hkDataSet));
  }
  if (!alias.empty() && result && result->GetActive() && list)
    DefineDataSetFields(*list, result, alias);
}

bool TExp_DB_ExecSQL::TransOverOK() {
  DataType = etBoolean;
  return true;
}

void TExp_DB_ExecSQL::Calculate() {
  RefuseInSandbox(*this);
  std::string text = Arg(1).GetString();
  PutBoolean(DBEF_ExecSQL(Database(), text));
}

void TExp_DB_Exec::Calculate() {
  RefuseInSandbox(*this);
  std::string text = Arg(1).GetString();
  PutBoolean(DBEF_ExecuteScript(Database(), text));
}

void TExp_DB_OpenDatabase::Calculate() {
  PutInteger(DBEF_OpenDatabase(Arg(0).GetString(), OptionalText(*this, 1),
                               OptionalText(*this, 2)));
}

void TExp_DB_Close::Calculate() {
  TExpression& target = Arg(0);
  int32_t handle = target.GetInteger();
  if (auto* connection = ObjectOfHandleAs<TCustomConnection>(handle, hkConnection)) {
    connection->Disconnect();
  } else if (auto* dataSet = ObjectOfHandleAs<TDataSet>(handle, hkDataSet)) {
    if (ObjectAs<TExp_VarRef>(&target) && target.GetSubExp(0))
      if (TVarList* list = GetVarList())
        UndefineDataSetFields(*list, dataSet, target.GetSubExp(0)->GetString());
    dataSet->Close();
    delete dataSet;
  }
  PutInteger(0);
}

// --- Statements and states -------------------------------------------------------------------

bool TExp_DB_SqlText::TransOverOK() {
  DataType = etString;
  return true;
}

void TExp_DB_SqlText::Calculate() {
  TDataSet* dataSet = DataSetArg(*this);
  if (!dataSet) {
    Value.StrValue.clear();
    return;
  }
  if (TExpression* textArg = GetSubExp(1)) {
    std::string text = textArg->GetString();
    dataSet->Close();
    if (DefaultMacros) DefaultMacros->CheckStr(text);
    if (!dataSet->StatementProperty().empty()) dataSet->SetStatement(text);
    if (GetSubExp(2) && GetSubExp(2)->GetBoolean()) dataSet->Open();
    Value.StrValue = text;
  } else {
    Value.StrValue = dataSet->GetStatement();
  }
}

void TExp_DB_Post::Calculate() {
  if (TDataSet* dataSet = DataSetArg(*this)) {
    RefuseInSandbox(*this);
    Reported("DB_Post", [&] {
      if (Editing(*dataSet)) dataSet->Post();
    });
  }
  PutInteger(0);
}

void TExp_DB_Cancel::Calculate() {
  if (TDataSet* dataSet = DataSetArg(*this))
    Reported("DB_Cancel", [&] {
      if (Editing(*dataSet)) dataSet->Cancel();
    });
  PutInteger(0);
}

void TExp_DB_Append::Calculate() {
  if (TDataSet* dataSet = DataSetArg(*this))
    Reported("DB_Append", [&] {
      if (!Editing(*dataSet)) dataSet->Append();
    });
  PutInteger(0);
}

// --- Registration tables ---------------------------------------------------------------------

std::span<const TClassInfo* const> DBFunctionClasses() {
  static const TClassInfo* const classes[] = {
      &TExp_DB_Count::StaticClass(),        &TExp_DB_RecNo::StaticClass(),
      &TExp_DB_RecCount::StaticClass(),     &TExp_DB_EOF::StaticClass(),
      &TExp_DB_BOF::StaticClass(),          &TExp_DB_Field::StaticClass(),
      &TExp_DB_Cell::StaticClass(),         &TExp_DB_RecNoBy::StaticClass(),
      &TExp_DB_Skip::StaticClass(),         &TExp_DB_Goto::StaticClass(),
      &TExp_DB_FieldCount::StaticClass(),   &TExp_DB_FieldName::StaticClass(),
      &TExp_DB_FieldNo::StaticClass(),      &TExp_DB_FieldLen::StaticClass(),
      &TExp_DB_FieldDec::StaticClass(),     &TExp_DB_Parent::StaticClass(),
      &TExp_DB_Locate::StaticClass(),       &TExp_DB_ExpField::StaticClass(),
      &TExp_DB_OpenDatabase::StaticClass(), &TExp_DB_OpenSQL::StaticClass(),
      &TExp_DB_ExecSQL::StaticClass(),      &TExp_DB_Exec::StaticClass(),
      &TExp_DB_OpenTable::StaticClass(),    &TExp_DB_Close::StaticClass(),
      &TExp_DB_SetValue::StaticClass(),     &TExp_DB_Refresh::StaticClass(),
      &TExp_DB_SqlText::StaticClass(),      &TExp_DB_EnabledControls::StaticClass(),
      &TExp_DB_Post::StaticClass(),         &TExp_DB_Cancel::StaticClass(),
      &TExp_DB_Append::StaticClass(),       &TExp_DB_FieldType::StaticClass()};
  return classes;
}

std::span<const TClassInfo* const> DBClasses() {
  static const std::vector<const TClassInfo*> all = [] {
    std::vector<const TClassInfo*> classes = {
        &TExp_DBFunction::StaticClass(), &TExp_DBTableFunc::StaticClass(),
        &TExp_DBFieldFunc::StaticClass()};
    for (const TClassInfo* cls : DBFunctionClasses()) classes.push_back(cls);
    return classes;
  }();
  return all;
}

}  // namespace qnexp
