// The abstract dataset layer the database functions, the grid functions and the workbench work
// on: connections, datasets that hold rows read lazily from a source, typed fields, bookmarks,
// record searches with a filter handler, and change notices for observers. Engines (SQLite,
// PostgreSQL) live in dataset/ and implement the few virtual operations at the bottom of
// TDataSet. Texts in fields are GBK. Single-threaded: a dataset is used by one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "runtime/Exception.h"

namespace qnexp {

class TVariant;
class TDataSet;

// Errors of the dataset layer (a missing field, a closed dataset, a read-only dataset, an
// engine's failure). Messages are the classic English ones given beside each operation.
class EDatabaseError : public Exception {
public:
  explicit EDatabaseError(std::string message) : Exception(std::move(message)) {}
};

// The data type of a field. The display name is the name without "ft" (FieldTypeName).
enum TFieldType : uint8_t {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftAutoInc,
  ftLargeint,
  ftMemo,
  ftBlob,
};

// "String", "Smallint", ... for a field type; "Unknown" for a value outside the enumeration.
const char* FieldTypeName(TFieldType type);

// What a dataset is doing. dsSetKey exists for callers that test it; no engine enters it.
enum TDataSetState : uint8_t { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey };

// One stored value of a field: null, a whole number (integers, booleans as 0/1), a real
// (floats, currencies, decimals, and dates and times as day numbers) or bytes (GBK text,
// blobs).
using TFieldValue = std::variant<std::monostate, int64_t, double, std::string>;
using TRow = std::vector<TFieldValue>;

// A column of a dataset. Owned by its dataset and freed when the dataset closes; its handle
// (kind hkField) then resolves to none.
class TField {
public:
  TField(TDataSet& dataSet, std::string name, TFieldType type, int size, int fieldNo);
  ~TField();
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return Name; }
  // 1-based position in the dataset.
  int FieldNo() const { return Number; }
  TFieldType DataType() const { return Type; }
  // The declared length of a string field (0 when not declared); 0 for other types.
  int Size() const { return Length; }
  TDataSet& DataSet() const { return Owner; }

  // The typed reads of the current record (the edit buffer while editing). A null value
  // reads as 0, 0.0, false, "" and 0. Reads raise EDatabaseError "No current record" on an
  // empty or closed dataset; AsInteger raises EIntOverflow "Integer overflow" for a value
  // beyond 32 bits; a text that is not a number (or not a date) raises EConvertError.
  bool IsNull() const;
  int32_t AsInteger() const;
  int64_t AsLargeInt() const;
  double AsFloat() const;
  bool AsBoolean() const;
  // Numbers in their shortest decimal form, booleans "True"/"False", dates and times in the
  // default date-time texts; text and blobs unchanged.
  std::string AsString() const;
  double AsDateTime() const;
  // The stored value as it is.
  const TFieldValue& Value() const;

  // The typed writes: only while the dataset is in edit or insert state (else EDatabaseError
  // "Dataset not in edit or insert mode"). The value is converted to the field's type; a text
  // written to a text field must be valid GBK (else EConvertError, nothing stored).
  void SetAsInteger(int32_t v);
  void SetAsLargeInt(int64_t v);
  void SetAsFloat(double v);
  void SetAsBoolean(bool v);
  void SetAsString(const std::string& text);
  void SetAsDateTime(double v);
  void Clear();

private:
  void Store(TFieldValue value);
  TDataSet& Owner;
  std::string Name;
  TFieldType Type;
  int Length;
  int Number;
};

// The notices a dataset sends to its observers.
enum TDataSetEvent : uint8_t {
  deOpened,         // the dataset opened: fields and first record are there
  deClosed,         // the dataset closed: its fields are gone
  deMoved,          // the current record changed
  deRecordChanged,  // the current record's values changed (a post) or editing began or ended
  deRefreshed,      // anything may have changed (a refresh, or notices resumed)
};

// Something that follows a dataset: a grid model, a list of field variables.
class TDataSetObserver {
public:
  virtual ~TDataSetObserver() = default;
  virtual void DataSetNotify(TDataSet& dataSet, TDataSetEvent event) = 0;
};

// A saved position: valid for the dataset that made it until that dataset closes or
// refreshes. Freeing is FreeBookmark (nothing to release; kept for callers that pair them).
struct TBookmark {
  int64_t Row = -1;
};

// Options of Locate.
enum TLocateOption : uint8_t { loCaseInsensitive = 1, loPartialKey = 2 };

// The record-filter handler: sets accept for the current record.
using TFilterRecordEvent = std::function<void(TDataSet& dataSet, bool& accept)>;

// The rows a dataset has read, all of one width, stored in blocks of values: appending a row
// allocates nothing most of the time and never moves the rows already there. The first block
// is small; the later ones are large regions the system may back with huge pages, because
// touching fresh memory page by page costs more than reading the rows.
class TRowStore {
public:
  TRowStore() = default;
  ~TRowStore() { Clear(); }
  TRowStore(const TRowStore&) = delete;
  TRowStore& operator=(const TRowStore&) = delete;

  int64_t Size() const { return Count; }
  // The values of row i (0 <= i < Size()), Width() of them.
  TFieldValue* Row(int64_t i) {
    if (i < kFirstRows) return Blocks[0].Values + i * RowWidth;
    i -= kFirstRows;
    return Blocks[1 + i / RowsPerBlock].Values + (i % RowsPerBlock) * RowWidth;
  }
  const TFieldValue* Row(int64_t i) const { return const_cast<TRowStore*>(this)->Row(i); }
  size_t Width() const { return RowWidth; }
  // Moves the values of row to the end; the first row appended fixes the width.
  void Append(TRow& row);
  TRow Copy(int64_t i) const { return TRow(Row(i), Row(i) + RowWidth); }
  void Assign(int64_t i, TRow& row);
  // Forgets every row and frees their memory.
  void Clear();

private:
  struct TBlock {
    TFieldValue* Values;
    size_t Bytes;
  };
  static constexpr int64_t kFirstRows = 256;
  std::vector<TBlock> Blocks;
  size_t RowWidth = 0;
  int64_t RowsPerBlock = 0;  // in every block after the first
  int64_t Count = 0;
};

// A database connection of an engine.
class TCustomConnection {
public:
  TCustomConnection() = default;
  // Releases the connection's handle.
  virtual ~TCustomConnection();
  TCustomConnection(const TCustomConnection&) = delete;
  TCustomConnection& operator=(const TCustomConnection&) = delete;

  virtual bool Connected() const = 0;
  // Closes the link to the database; datasets opened on it fail on their next read. Calling it
  // twice does nothing more.
  virtual void Disconnect() = 0;
  // The name hosts show for the database (a file path, a server and database).
  virtual std::string DatabaseName() const = 0;
};

// A dataset: rows read lazily from a source, one current record, fields over it.
//
// Positions: RecNo is 1-based (0 when empty or closed); Eof is true after a move past the last
// record and on an empty dataset, Bof after First and on an empty dataset. Rows are read as
// navigation reaches them; RecordCount and Last read to the end. Writing (Post) reads the
// rest of the rows first, so that the source's pending read never meets its own changes.
class TDataSet {
public:
  TDataSet() = default;
  // Releases the dataset's handle. Derived destructors must call Close.
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  // Opening and closing. Open raises what the engine raises (bad SQL, a missing table) and
  // leaves the dataset closed. Close cancels an edit in progress; closing a closed dataset
  // does nothing.
  void Open();
  void Close();
  bool GetActive() const { return State != dsInactive; }
  TDataSetState GetState() const { return State; }

  // Fields. FieldByName compares names without regard to ASCII case and raises
  // EDatabaseError "Field '%s' not found"; FindField returns null instead. GetField raises
  // EListError for an index outside 0..count-1.
  int GetFieldCount() const { return static_cast<int>(Fields.size()); }
  TField* GetField(int index) const;
  TField* FieldByName(const std::string& name) const;
  TField* FindField(const std::string& name) const;

  // Navigation. All raise EDatabaseError "Cannot perform this operation on a closed dataset"
  // when closed. MoveBy returns the number of records actually moved (negative backwards).
  void First();
  void Next();
  void Prior();
  void Last();
  int MoveBy(int distance);
  bool Eof() const { return AtEof; }
  bool Bof() const { return AtBof; }
  int RecNo() const;
  int RecordCount();

  // Locate: keyFields names one or more fields separated by ";"; values is one value, or an
  // array with one value per key field. Searches from the first record; on a match the dataset
  // moves there and the result is true, else the position is unchanged. Without options the
  // comparison is exact and case-sensitive; a value that cannot be converted to a field's type
  // matches nothing. An unknown field raises "Field '%s' not found".
  bool Locate(const std::string& keyFields, const TVariant& values, uint8_t options);

  TBookmark GetBookmark() const;
  // Raises EDatabaseError "Record not found" for a bookmark that no longer designates a row.
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) { bookmark.Row = -1; }
  bool BookmarkValid(const TBookmark& bookmark) const;

  // Editing. Edit raises "Cannot modify a read-only dataset" when the engine cannot write the
  // dataset and "No current record" on an empty dataset; Append starts a new record of nulls.
  // Post writes the edit through the engine; when it raises, the dataset stays in its editing
  // state with the values kept (the caller cancels). Cancel drops the edit.
  void Edit();
  void Append();
  void Post();
  void Cancel();
  // Reads the rows again from the source; the position moves to the same record number, or
  // the last record when there are fewer now.
  void Refresh();

  // The record filter used by FindFirst and FindNext: records the handler refuses are
  // skipped. Without a handler every record is accepted.
  TFilterRecordEvent OnFilterRecord;
  // FindFirst searches from the first record, FindNext from the one after the current record;
  // on success the dataset moves there and the result is true; otherwise the position is
  // unchanged. Errors of the handler propagate.
  bool FindFirst();
  bool FindNext();

  // Observers are not owned; remove one before it dies.
  void AddObserver(TDataSetObserver* observer);
  void RemoveObserver(TDataSetObserver* observer);
  // Suspends notices (nested); the last EnableControls sends one deRefreshed notice when
  // anything was suppressed. An EnableControls without a matching DisableControls does
  // nothing.
  void DisableControls() { ++DisableCount; }
  void EnableControls();
  bool ControlsDisabled() const { return DisableCount > 0; }

  // The dataset's statement: the name of the property that holds it ("SQL", "CommandText" or
  // "TableName"; empty when the dataset has none), and its text. SetStatement requires a
  // closed dataset (else EDatabaseError "Cannot perform this operation on an open dataset").
  virtual std::string StatementProperty() const { return {}; }
  virtual std::string GetStatement() const { return {}; }
  virtual void SetStatement(const std::string& text);

protected:
  // The engine's part. DoOpen makes the fields (AddField) and starts reading; FetchRow reads
  // the next row into row (one value per field) and returns false at the end; DoClose ends the
  // read and frees engine resources. CanModify says whether WriteRow may be called. WriteRow
  // writes a changed row (old is the row as read) or, with old null, a new one; it may
  // complete row (a key the database assigned). Each may raise. An engine may keep hidden
  // values after the fields' in a row (a row identity); they travel with the row through
  // editing.
  virtual void DoOpen() = 0;
  virtual bool FetchRow(TRow& row) = 0;
  virtual void DoClose() = 0;
  virtual bool CanModify() const { return false; }
  virtual void WriteRow(const TRow* old, TRow& row);

  TField& AddField(const std::string& name, TFieldType type, int size);
  // The number of hidden values after the fields' in every row (set by DoOpen).
  int HiddenValues = 0;
  void CheckInactive() const;

private:
  // The search both of them make, from the first record or from the one after the current.
  bool FindFrom(bool first);
  friend class TField;
  const TFieldValue& CurrentValue(int index) const;
  void SetCurrentValue(int index, TFieldValue value);
  void CheckActive() const;
  // Reads rows until row index exists or the source ends; true when it exists.
  bool Reach(int64_t index);
  void FetchAll();
  void Notify(TDataSetEvent event);
  bool Accepted();
  bool Matches(const std::vector<TField*>& keys, const std::vector<TVariant>& values,
               uint8_t options) const;

  TDataSetState State = dsInactive;
  std::vector<std::unique_ptr<TField>> Fields;
  TRowStore Rows;
  TRow Fetched;  // the buffer each row is read into before it is stored
  bool AllFetched = false;
  int64_t Current = -1;
  bool AtEof = true;
  bool AtBof = true;
  TRow EditBuffer;
  std::vector<TDataSetObserver*> Observers;
  int DisableCount = 0;
  bool Suppressed = false;
};

}  // namespace qnexp
