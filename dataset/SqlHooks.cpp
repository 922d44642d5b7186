// The SQLite implementations of the database hooks, the connection cache and the default
// database.
#include "dataset/SqlHooks.h"

#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "dataset/SqlDataSet.h"
#include "dataset/SqlEngine.h"
#include "dbfunctions/DBHooks.h"
#include "platform/ProcessInfo.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"

namespace qnexp {

namespace {

// Connections by their opening text, and every dataset the hooks made (by handle, so that one
// freed by its owner is simply gone). Freed at unload: datasets first, then connections.
struct TSqlRegistry {
  std::map<std::string, std::unique_ptr<TSqlConnection>> Connections;
  std::vector<int32_t> DataSets;
  std::string DefaultText;
  ~TSqlRegistry() {
    for (int32_t handle : DataSets) delete ObjectOfHandleAs<TDataSet>(handle, hkDataSet);
    DataSets.clear();
    Connections.clear();
  }
};

TSqlRegistry& Registry() {
  static TSqlRegistry registry;
  return registry;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(GbkToUtf8(path).c_str(), &info) == 0;
}

// The connection a database text (with user and password for a server) stands for: the open
// one made from the same texts, or a new one.
TSqlConnection& Connect(const std::string& text, const std::string& user,
                        const std::string& password) {
  auto& slot = Registry().Connections[text + '\n' + user + '\n' + password];
  if (!slot || !slot->Connected()) {
    std::unique_ptr<TSqlConnection> made = std::make_unique<TSqlConnection>(text, user, password);
    slot = std::move(made);
  }
  return *slot;
}

TSqlConnection& ConnectionOf(int32_t database) {
  auto* connection = ObjectOfHandleAs<TCustomConnection>(database, hkConnection);
  auto* sql = dynamic_cast<TSqlConnection*>(connection);
  if (!sql) throw EDatabaseError(Format(Res("句柄%d不代表数据库"), {database}));
  return *sql;
}

template <class TKind>
TDataSet* OpenDataSet(int32_t database, TDataSet* previous, const std::string& text) {
  TSqlConnection& connection = ConnectionOf(database);
  auto* reusable = dynamic_cast<TKind*>(previous);
  if (reusable && reusable->Connection() == &connection) {
    reusable->Close();
    reusable->SetStatement(text);
    reusable->Open();
    return reusable;
  }
  auto made = std::make_unique<TKind>(connection);
  made->SetStatement(text);
  made->Open();
  std::vector<int32_t>& list = Registry().DataSets;
  std::erase_if(list, [](int32_t h) { return !ObjectOfHandle(h, hkDataSet); });
  list.push_back(HandleOf(static_cast<TDataSet*>(made.get()), hkDataSet));
  return made.release();
}

}  // namespace

void SetDefaultDatabase(const std::string& text) { Registry().DefaultText = text; }

std::string DefaultDatabasePath() {
  if (!Registry().DefaultText.empty()) return Registry().DefaultText;
  if (const char* env = std::getenv("QNEXP_DATABASE"); env && *env) return Utf8ToGbkOrSame(env);
  std::string program = ProgramPath();
  std::string folder = program.substr(0, program.rfind('/') + 1);
  return folder + "../Data/qnexp.db";
}

void InstallSqlHooks() {
  DBEF_OpenDatabase = [](const std::string& t1, const std::string& t2,
                         const std::string& t3) -> int32_t {
    bool useDefault = t1.empty() && t2.empty() && t3.empty();
    std::string text = useDefault ? DefaultDatabasePath() : t1;
    if (useDefault && text != ":memory:" && !IsServerText(text) && !FileExists(text))
      throw EDatabaseError(Format("Database '%s' not found", {text}));
    return HandleOf(static_cast<TCustomConnection*>(&Connect(text, t2, t3)), hkConnection);
  };
  DBEF_DatabaseName = [](int32_t database) { return ConnectionOf(database).DatabaseName(); };
  DBEF_OpenQuery = [](int32_t database, TDataSet* previous, const std::string& sql) {
    return OpenDataSet<TSqlQuery>(database, previous, sql);
  };
  DBEF_OpenTable = [](int32_t database, TDataSet* previous, const std::string& table) {
    return OpenDataSet<TSqlTable>(database, previous, table);
  };
  DBEF_ExecSQL = [](int32_t database, const std::string& sql) {
    ConnectionOf(database).ExecSQL(sql);
    return true;
  };
  DBEF_ExecuteScript = [](int32_t database, const std::string& script) {
    ConnectionOf(database).ExecuteScript(script);
    return true;
  };
}

}  // namespace qnexp
