// The database hooks and their defaults.
#include "dbfunctions/DBHooks.h"

#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {

std::function<int32_t(const std::string&, const std::string&, const std::string&)>
    DBEF_OpenDatabase;
std::function<std::string(int32_t)> DBEF_DatabaseName;
std::function<TDataSet*(int32_t, TDataSet*, const std::string&)> DBEF_OpenQuery;
std::function<TDataSet*(int32_t, TDataSet*, const std::string&)> DBEF_OpenTable;
std::function<bool(int32_t, const std::string&)> DBEF_ExecSQL;
std::function<bool(int32_t, const std::string&)> DBEF_ExecuteScript;

namespace {

[[noreturn]] void NoImplementation(const char* name) {
  throw EAbstractError(Format(Res("系统没有为函数 %s 提供正确的执行代码"), {name}));
}

}  // namespace

void InstallDefaultDBHooks() {
  DBEF_OpenDatabase = [](const std::string&, const std::string&, const std::string&) -> int32_t {
    NoImplementation("DBEF_OpenDatabase");
  };
  DBEF_DatabaseName = [](int32_t) -> std::string { NoImplementation("DBEF_DatabaseName"); };
  DBEF_OpenQuery = [](int32_t, TDataSet*, const std::string&) -> TDataSet* {
    NoImplementation("DB_OpenSQL");
  };
  DBEF_OpenTable = [](int32_t, TDataSet*, const std::string&) -> TDataSet* {
    NoImplementation("DB_OpenTable");
  };
  DBEF_ExecSQL = [](int32_t, const std::string&) -> bool { NoImplementation("DB_ExecSQL"); };
  DBEF_ExecuteScript = [](int32_t, const std::string&) -> bool {
    NoImplementation("DBEF_ExecuteScript");
  };
}

}  // namespace qnexp
