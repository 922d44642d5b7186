// The workbench's database hooks over the desktop database layer.
#include "workbench/WorkbenchDatabase.h"

#include <sys/stat.h>

#include <functional>
#include <memory>

#include "core/EntryPoints.h"
#include "dataset/SqlDataSet.h"
#include "dataset/SqlHooks.h"
#include "dbfunctions/DBHooks.h"
#include "dbfunctions/DBVarList.h"
#include "platform/OsText.h"
#include "runtime/DataSet.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "support/Macros.h"

namespace qnexp::workbench {

namespace {

// The hooks of the database layer, which the desktop ones stand on.
struct TLayerHooks {
  decltype(DBEF_OpenDatabase) OpenDatabase;
  decltype(DBEF_DatabaseName) DatabaseName;
  decltype(DBEF_OpenQuery) OpenQuery;
  decltype(DBEF_OpenTable) OpenTable;
  decltype(DBEF_ExecSQL) ExecSQL;
};

TLayerHooks& Layer() {
  static TLayerHooks hooks;
  return hooks;
}

std::unique_ptr<TDBVarList>& VarList() {
  static std::unique_ptr<TDBVarList> list;
  return list;
}

std::string Expanded(std::string text) {
  if (DefaultMacros) DefaultMacros->CheckStr(text);
  return text;
}

int32_t DefaultDatabase() { return Layer().OpenDatabase("", "", ""); }

bool IsTableFile(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) {
    std::string_view extension = std::string_view(name).substr(dot + 1);
    if (SameText(extension, "db") || SameText(extension, "dbf")) return true;
  }
  struct stat info;
  return stat(ToOsText(name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A table dataset needs a table, a query dataset a query: reusing one of the other kind (or of
// another layer) would run the wrong statement.
template <class TKind>
void CheckReusable(TDataSet* previous) {
  if (previous && !dynamic_cast<TKind*>(previous)) throw EInvalidCast("Invalid class typecast");
}

TDataSet* OpenTableIn(TDataSet* previous, const std::string& name) {
  CheckReusable<TSqlTable>(previous);
  if (IsTableFile(name)) {
    int32_t file = Layer().OpenDatabase(name, "", "");
    return Layer().OpenTable(file, previous, TableOfFile(name));
  }
  return Layer().OpenTable(DefaultDatabase(), previous, name);
}

TDataSet* OpenQueryIn(TDataSet* previous, const std::string& sql) {
  CheckReusable<TSqlQuery>(previous);
  return Layer().OpenQuery(DefaultDatabase(), previous, sql);
}

void InstallDesktopHooks() {
  InstallSqlHooks();
  TLayerHooks& layer = Layer();
  layer = {DBEF_OpenDatabase, DBEF_DatabaseName, DBEF_OpenQuery, DBEF_OpenTable, DBEF_ExecSQL};
  DBEF_OpenDatabase = [](const std::string& t1, const std::string& t2, const std::string& t3) {
    if (t1.empty() && t2.empty() && t3.empty()) return 0;
    return Layer().OpenDatabase(t1, t2, t3);
  };
  DBEF_DatabaseName = [](int32_t database) {
    return database == 0 ? std::string() : Layer().DatabaseName(database);
  };
  DBEF_OpenQuery = [](int32_t database, TDataSet* previous, const std::string& sql) {
    if (database != 0) return Layer().OpenQuery(database, previous, Expanded(sql));
    return OpenQueryIn(previous, Expanded(sql));
  };
  DBEF_OpenTable = [](int32_t database, TDataSet* previous, const std::string& table) {
    if (database != 0) return Layer().OpenTable(database, previous, Expanded(table));
    return OpenTableIn(previous, Expanded(table));
  };
  DBEF_ExecSQL = [](int32_t database, const std::string& sql) {
    return Layer().ExecSQL(database != 0 ? database : DefaultDatabase(), Expanded(sql));
  };
}

}  // namespace

void StartDatabaseUnit() {
  if (VarList()) return;
  InstallDesktopHooks();
  VarList().reset(CreateDBVarList(GetVarList()));
  SetVarList(VarList().get());
}

void StopDatabaseUnit() { VarList().reset(); }

TDBVarList* GetDBVarList() { return VarList().get(); }

std::string TableOfFile(const std::string& path) {
  int32_t database = Layer().OpenDatabase(path, "", "");
  std::unique_ptr<TDataSet> tables(Layer().OpenQuery(
      database, nullptr,
      "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
      "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
  std::string base = path.substr(path.find_last_of('/') + 1);
  base = base.substr(0, base.rfind('.'));
  std::vector<std::string> names;
  for (tables->First(); !tables->Eof(); tables->Next()) {
    std::string name = tables->GetField(0)->AsString();
    if (SameText(name, base)) return name;
    names.push_back(name);
  }
  if (names.size() == 1) return names[0];
  throw EDatabaseError(Format(Res("表文件%s中没有名为%s的表，也不是只有一个表"), {path, base}));
}

TDataSet* OpenDesktopTable(const std::string& name) { return OpenTableIn(nullptr, name); }

TDataSet* OpenDesktopQuery(const std::string& sql) { return OpenQueryIn(nullptr, sql); }

}  // namespace qnexp::workbench
