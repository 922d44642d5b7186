// The database functions of the language: reading, counting, searching and moving through
// datasets, reading and writing fields, walking tree tables, opening queries and tables
// through the database hooks, running SQL, and posting or cancelling edits. Datasets, fields
// and connections travel as object handles (runtime/Handles.h). Single-threaded, like every
// node.
//
// Choices where the language leaves room (each is tested):
// - A handle of 0, or a stale or wrong-kind handle, where a dataset or field is required and
//   nothing else is said (DB_RecNo, DB_RecCount, DB_FieldCount, DB_Cell, DB_FieldName and its
//   descendants, DB_Parent, DB_Locate, DB_ExpField, DB_RecNoBy with a non-dataset) raises the
//   evaluation error "句柄%d不代表数据集" or "句柄%d不代表字段". DB_EOF, DB_BOF, DB_Skip, DB_Goto,
//   DB_FieldType, DB_SetValue, DB_Post, DB_Cancel, DB_Append and DB_Close keep their own
//   answers for 0 and treat a stale handle the same way.
// - DB_Count refuses, at translation, a condition without a result (an odd number of
//   arguments after the second). Before walking, it resets the stamps of its conditions and
//   results, so that a second walk recomputes the first record as well.
// - DB_ExpField with an empty field text and an empty default yields the empty text.
// - DB_Parent follows at most kMaxParentLevels parent keys and stops at a key it has already
//   visited (a cycle); the values reached until then count.
// - A dataset a DB_OpenSQL or DB_OpenTable node opened without an alias stays open when the
//   node is freed, so that a handle kept in a variable stays usable; it is freed by DB_Close,
//   by the node's next evaluation when another dataset comes back, or when the engine that
//   made it unloads.
// - DB_Post, DB_Cancel and DB_Append report errors through ShowError as "<name>: <message>".
// - DB_Count and DB_RecNoBy look their dataset up again after every record: an expression
//   that closes the dataset while it is walked ends the walk instead of using a freed object.
// - DB_RecNoBy accepts a dataset handle or a field handle (then the field's dataset).
// - In the sandbox, DB_ExecSQL, DB_Exec, DB_Post and a DB_SetValue that writes are refused:
//   they change the database. Reading, navigation and opening queries stay allowed.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "core/Function.h"
#include "functions/Conversion.h"
#include "functions/Flow.h"

namespace qnexp {

class TDataSet;
class TField;
class TStoredStrList;

// The most parent keys DB_Parent follows in one walk.
inline constexpr int kMaxParentLevels = 10000;

// Base of the functions on a dataset, field or connection handle: never constant, and
// argument 0 must be of type etInteger or etAny (otherwise translation fails).
class TExp_DBFunction : public TFunction {
  QN_CLASS(TExp_DBFunction, TFunction)
public:
  bool SetSubExp(int index, TExpression* node) override;
  // The dataset argument 0 designates (null for 0 or a stale handle).
  virtual TDataSet* GetDataSet();
  // GetDataSet, raising the handle error when there is none.
  TDataSet& RequireDataSet();
};

// Argument 0 is a dataset handle.
class TExp_DBTableFunc : public TExp_DBFunction {
  QN_CLASS(TExp_DBTableFunc, TExp_DBFunction)
};

// DB_EOF(ds): true when ds is 0 or at its end.
class TExp_DB_EOF : public TExp_DBTableFunc {
  QN_CLASS(TExp_DB_EOF, TExp_DBTableFunc)
public:
  TExp_DB_EOF() { DataType = etBoolean; }
  bool TransOverOK() override;
  void Calculate() override;
};
// DB_BOF(ds): true when ds is given and at its beginning.
class TExp_DB_BOF : public TExp_DB_EOF {
  QN_CLASS(TExp_DB_BOF, TExp_DB_EOF)
public:
  void Calculate() override;
};
// DB_EnabledControls(ds, enable): EnableControls or DisableControls; false when it raised.
class TExp_DB_EnabledControls : public TExp_DB_EOF {
  QN_CLASS(TExp_DB_EnabledControls, TExp_DB_EOF)
public:
  TExp_DB_EnabledControls() { FixedCount = 2; }
  void Calculate() override;
};
// DB_Refresh(ds): Refresh; false when it raised.
class TExp_DB_Refresh : public TExp_DB_EOF {
  QN_CLASS(TExp_DB_Refresh, TExp_DB_EOF)
public:
  void Calculate() override;
};
// DB_FieldCount(ds).
class TExp_DB_FieldCount : public TExp_DBTableFunc {
  QN_CLASS(TExp_DB_FieldCount, TExp_DBTableFunc)
public:
  void Calculate() override;
};
// DB_RecCount(ds): reads to the end.
class TExp_DB_RecCount : public TExp_DBTableFunc {
  QN_CLASS(TExp_DB_RecCount, TExp_DBTableFunc)
public:
  void Calculate() override;
};
// DB_RecNo(ds): the 0-based record number.
class TExp_DB_RecNo : public TExp_DBTableFunc {
  QN_CLASS(TExp_DB_RecNo, TExp_DBTableFunc)
public:
  void Calculate() override;
};
// DB_Locate(ds, keys, v1 [, v2 ...]): the dataset layer's Locate without options. Values past
// the third argument live in the owned list "ExtraExps".
class TExp_DB_Locate : public TExp_DB_RecNo {
  QN_CLASS(TExp_DB_Locate, TExp_DB_RecNo)
public:
  TExp_DB_Locate();
  ~TExp_DB_Locate() override;
  bool TransOverOK() override;
  int GetSubExpCount() override;
  TExpression* GetSubExp(int index) override;
  void PutSubExp(int index, TExpression* node) override;
  void Calculate() override;
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;
  TStoredStrList& ExtraExps();

private:
  TStoredStrList* Extra = nullptr;
};
// DB_Skip(ds, n): MoveBy n, then the 0-based record number; -1 for no dataset.
class TExp_DB_Skip : public TExp_DB_RecNo {
  QN_CLASS(TExp_DB_Skip, TExp_DB_RecNo)
public:
  TExp_DB_Skip() { FixedCount = 2; }
  void Calculate() override;
  virtual int GetMoveStep(TDataSet& dataSet);
};
// DB_Goto(ds, n): moves to 0-based record n.
class TExp_DB_Goto : public TExp_DB_Skip {
  QN_CLASS(TExp_DB_Goto, TExp_DB_Skip)
public:
  int GetMoveStep(TDataSet& dataSet) override;
};

// Argument 0 is a field handle; the dataset is the field's.
class TExp_DBFieldFunc : public TExp_DBFunction {
  QN_CLASS(TExp_DBFieldFunc, TExp_DBFunction)
public:
  // The field argument 0 designates (null for 0 or a stale handle).
  virtual TField* GetField();
  TField& RequireField();
  TDataSet* GetDataSet() override;
};

// DB_Field(fld): the field's current value; the type is fixed from the field at the first
// evaluation. Read errors are swallowed (the value stays).
class TExp_DB_Field : public TExp_DBFieldFunc {
  QN_CLASS(TExp_DB_Field, TExp_DBFieldFunc)
public:
  TExp_DB_Field() { DataType = etAny; }
  bool TransOverOK() override;
  void Evaluate(int32_t stamp) override;
  void Calculate() override;

protected:
  // Reads field into this node by the node's type; raises what the field raises.
  void ReadField(TField& field);
  // Fixes an etAny type from field.
  void FixType(TField& field);
};
// DB_Cell(fld, n): moves to 0-based record n, then reads the field.
class TExp_DB_Cell : public TExp_DB_Field {
  QN_CLASS(TExp_DB_Cell, TExp_DB_Field)
public:
  TExp_DB_Cell() { FixedCount = 2; }
  void Calculate() override;
};
// DB_FieldName(ds, name or index): the name, or "FieldName" when there is no such field.
class TExp_DB_FieldName : public TExp_DB_Cell {
  QN_CLASS(TExp_DB_FieldName, TExp_DB_Cell)
public:
  TExp_DB_FieldName() { DataType = etString; }
  bool TransOverOK() override;
  void Evaluate(int32_t stamp) override;
  void Calculate() override;
  TField* GetField() override;
  TDataSet* GetDataSet() override;
};
// DB_FieldNo(ds, name or index): the 1-based field number, -1 when none.
class TExp_DB_FieldNo : public TExp_DB_FieldName {
  QN_CLASS(TExp_DB_FieldNo, TExp_DB_FieldName)
public:
  TExp_DB_FieldNo() { DataType = etInteger; }
  bool TransOverOK() override;
  void Calculate() override;
};
// DB_FieldLen(ds, name or index): display length by type.
class TExp_DB_FieldLen : public TExp_DB_FieldNo {
  QN_CLASS(TExp_DB_FieldLen, TExp_DB_FieldNo)
public:
  void Calculate() override;
};
// DB_FieldDec(ds, name or index): 2 for float, currency and BCD, 0 for others, -1 when none.
class TExp_DB_FieldDec : public TExp_DB_FieldLen {
  QN_CLASS(TExp_DB_FieldDec, TExp_DB_FieldLen)
public:
  void Calculate() override;
};
// DB_RecNoBy(ds, cond): positions ds on a record for which cond holds.
class TExp_DB_RecNoBy : public TExp_DB_Cell {
  QN_CLASS(TExp_DB_RecNoBy, TExp_DB_Cell)
public:
  TExp_DB_RecNoBy() { DataType = etBoolean; }
  bool TransOverOK() override;
  void Evaluate(int32_t stamp) override;
  void Calculate() override;
  TDataSet* GetDataSet() override;
};
// DB_SetValue(fld, value [, edit]): writes and reads back the field.
class TExp_DB_SetValue : public TExp_DB_Cell {
  QN_CLASS(TExp_DB_SetValue, TExp_DB_Cell)
public:
  TExp_DB_SetValue() { OptionalCount = 1; }
  void Calculate() override;
};
// DB_ExpField(fld [, default]): the value of the field's text as an expression.
class TExp_DB_ExpField : public TExp_DB_Field {
  QN_CLASS(TExp_DB_ExpField, TExp_DB_Field)
public:
  TExp_DB_ExpField() { OptionalCount = 1; }
  void Evaluate(int32_t stamp) override;
};
// DB_FieldType(fld): the display name of the field's type; empty for no field.
class TExp_DB_FieldType : public TExp_DB_Field {
  QN_CLASS(TExp_DB_FieldType, TExp_DB_Field)
public:
  TExp_DB_FieldType() { DataType = etString; }
  bool TransOverOK() override;
  void Evaluate(int32_t stamp) override;
};
// DB_Parent(fld [, level]): the field's value in an ancestor record of a tree table.
class TExp_DB_Parent : public TExp_DB_Field {
  QN_CLASS(TExp_DB_Parent, TExp_DB_Field)
public:
  TExp_DB_Parent() { OptionalCount = 1; }
  void Calculate() override;
};

// DB_Count(ds, init, cond1, res1 [, cond2, res2 ...]): walks every record.
class TExp_DB_Count : public TExp_Case {
  QN_CLASS(TExp_DB_Count, TExp_Case)
public:
  TExp_DB_Count() { FixedCount = 4; }
  bool SetSubExp(int index, TExpression* node) override;
  bool TransOverOK() override;
  void Evaluate(int32_t stamp) override;
};

// DB_SqlText(ds [, text [, open]]): reads or replaces the dataset's statement.
class TExp_DB_SqlText : public TExp_ToStr {
  QN_CLASS(TExp_DB_SqlText, TExp_ToStr)
public:
  TExp_DB_SqlText() { OptionalCount = 2; }
  bool TransOverOK() override;
  void Calculate() override;
};

// DB_OpenSQL(db, sql [, alias]): opens or reopens a query.
class TExp_DB_OpenSQL : public TP2Function {
  QN_CLASS(TExp_DB_OpenSQL, TP2Function)
public:
  TExp_DB_OpenSQL() { OptionalCount = 1; }
  void Calculate() override;

protected:
  virtual TDataSet* OpenWith(int32_t database, TDataSet* previous, const std::string& text);
  // The database of argument 0, or the default one for 0.
  int32_t Database();
};
// DB_OpenTable(db, table [, alias]).
class TExp_DB_OpenTable : public TExp_DB_OpenSQL {
  QN_CLASS(TExp_DB_OpenTable, TExp_DB_OpenSQL)
protected:
  TDataSet* OpenWith(int32_t database, TDataSet* previous, const std::string& text) override;
};
// DB_ExecSQL(db, sql [, ignored]).
class TExp_DB_ExecSQL : public TExp_DB_OpenSQL {
  QN_CLASS(TExp_DB_ExecSQL, TExp_DB_OpenSQL)
public:
  TExp_DB_ExecSQL() { DataType = etBoolean; }
  bool TransOverOK() override;
  void Calculate() override;
};
// DB_Exec(db, script [, ignored]): the script in one transaction.
class TExp_DB_Exec : public TExp_DB_ExecSQL {
  QN_CLASS(TExp_DB_Exec, TExp_DB_ExecSQL)
public:
  void Calculate() override;
};

// DB_OpenDatabase(t1 [, t2 [, t3]]).
class TExp_DB_OpenDatabase : public TFunction {
  QN_CLASS(TExp_DB_OpenDatabase, TFunction)
public:
  TExp_DB_OpenDatabase() { OptionalCount = 2; }
  void Calculate() override;
};
// DB_Close(connection or ds): 0.
class TExp_DB_Close : public TFunction {
  QN_CLASS(TExp_DB_Close, TFunction)
public:
  void Calculate() override;
};
// DB_Post(ds), DB_Cancel(ds), DB_Append(ds): 0; errors go to the error reporter.
class TExp_DB_Post : public TFunction {
  QN_CLASS(TExp_DB_Post, TFunction)
public:
  void Calculate() override;
};
class TExp_DB_Cancel : public TFunction {
  QN_CLASS(TExp_DB_Cancel, TFunction)
public:
  void Calculate() override;
};
class TExp_DB_Append : public TFunction {
  QN_CLASS(TExp_DB_Append, TFunction)
public:
  void Calculate() override;
};

// A tree translated from the field's text (blanks trimmed; the default text when empty; on a
// read error a line break and the message), macro-expanded with the default macros and
// evaluated once; the caller owns it. Never null.
std::unique_ptr<TExpression> TransExpField(TField* field, const std::string& defaultText);

// The 32 functions in the order the library registers them.
std::span<const TClassInfo* const> DBFunctionClasses();
// Every node class of this unit (bases included), for the persistent-class registry.
std::span<const TClassInfo* const> DBClasses();

}  // namespace qnexp
