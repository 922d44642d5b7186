// The database hooks of the desktop database layer: install them to let the database functions
// open SQLite and PostgreSQL databases, queries and tables and run SQL. Single-threaded.
#pragma once

#include <string>

namespace qnexp {

// Installs the six hooks. DBEF_OpenDatabase opens a SQLite file (or ":memory:") named by its
// first text, or a PostgreSQL server its first text describes ("postgresql://..." or
// "host=... dbname=..."), with the second and third as user and password when given; the same
// texts give the same connection again while it stays connected. All
// three texts empty give the default database (SetDefaultDatabase, else $QNEXP_DATABASE, else
// <program folder>/../Data/qnexp.db), which must exist (EDatabaseError "Database '%s' not
// found"), opened once and kept. Datasets the hooks make belong
// to their callers; those still alive when the library unloads are freed then, before their
// connections.
void InstallSqlHooks();

// The database the empty texts stand for (qnexp --db); an empty text restores the search
// described above. A connection to the former default stays open for the handles that use it.
void SetDefaultDatabase(const std::string& text);

// The path the default database resolves to now.
std::string DefaultDatabasePath();

}  // namespace qnexp
