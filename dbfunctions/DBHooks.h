// The six database hooks: replaceable operations through which the database functions open
// databases, queries and tables and run SQL. The library holds no engine; a host installs its
// own implementations (dataset/ installs the SQLite ones). Until then each hook raises
// EAbstractError. Single-threaded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/Exception.h"

namespace qnexp {

class TDataSet;

// A hook (or any operation) that has no implementation.
class EAbstractError : public Exception {
public:
  explicit EAbstractError(std::string message) : Exception(std::move(message)) {}
};

// Opens a database from three texts (a path or connection text, a user, a password); all
// three empty ask for the default database. Returns its handle (0 allowed).
extern std::function<int32_t(const std::string&, const std::string&, const std::string&)>
    DBEF_OpenDatabase;
// The name of the database with that handle.
extern std::function<std::string(int32_t database)> DBEF_DatabaseName;
// Opens a query (or a table) on the database, reusing previous (may be null) or returning a
// new dataset that the caller then owns. Raises what the engine raises.
extern std::function<TDataSet*(int32_t database, TDataSet* previous, const std::string& sql)>
    DBEF_OpenQuery;
extern std::function<TDataSet*(int32_t database, TDataSet* previous, const std::string& table)>
    DBEF_OpenTable;
// Runs SQL (one or more statements) or a script (in one transaction); true on success.
extern std::function<bool(int32_t database, const std::string& sql)> DBEF_ExecSQL;
extern std::function<bool(int32_t database, const std::string& script)> DBEF_ExecuteScript;

// Puts the six defaults back: each raises EAbstractError
// "系统没有为函数 <name> 提供正确的执行代码" with the name the function is known by.
void InstallDefaultDBHooks();

}  // namespace qnexp
