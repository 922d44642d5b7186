// The workbench's database unit: the dataset variable list every translation binds to, and
// database hooks for a desktop database. Database 0 stands for the desktop: a table name that
// names a table file (a SQLite file, "*.db") opens that file's table, any other name and every
// query and statement go to the default database (Data/qnexp.db). SQL texts and table names
// have their macros expanded first. A database opened with texts behaves as in any host.
// User-interface thread only.
#pragma once

#include <string>

namespace qnexp {
class TDBVarList;
class TDataSet;
}

namespace qnexp::workbench {

// Installs the hooks, then makes the dataset variable list (its parent is the current list)
// and makes it current. Once per process; later calls do nothing.
void StartDatabaseUnit();

// Frees the dataset variable list (its parent becomes current again); the hooks stay.
void StopDatabaseUnit();

// The dataset variable list; null before StartDatabaseUnit.
TDBVarList* GetDBVarList();

// The table a table file holds: the table named like the file's base name (without regard to
// case), else its only table. Raises EDatabaseError when the file holds neither.
std::string TableOfFile(const std::string& path);

// A new dataset over a table (a table file's path, or a table of the default database) or over
// a SELECT of the default database, open; the caller owns it.
TDataSet* OpenDesktopTable(const std::string& name);
TDataSet* OpenDesktopQuery(const std::string& sql);

}  // namespace qnexp::workbench
