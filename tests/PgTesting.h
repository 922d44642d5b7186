// The PostgreSQL server the database tests share, and a fresh database for each test on it.
// CTest starts the server before these tests and stops it after them; a test program run on
// its own starts it on first use and stops it when it exits.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "dataset/SqlDataSet.h"

namespace qnexp::testing {

inline std::string PgServerFolder() { return QNEXP_PG_FOLDER; }

inline std::string PgConnectionText(const std::string& database) {
  return "host=" + PgServerFolder() + " dbname=" + database + " user=postgres";
}

inline void EnsurePgServer() {
  static bool ready = false;
  if (ready) return;
  struct stat info;
  std::string socket = PgServerFolder() + "/.s.PGSQL.5432";
  if (stat(socket.c_str(), &info) != 0) {
    std::string script = std::string(QNEXP_PG_SCRIPT) + " ";
    if (std::system((script + "start " + PgServerFolder()).c_str()) != 0)
      throw std::runtime_error("the PostgreSQL test server did not start");
    static std::string stop = script + "stop " + PgServerFolder();
    std::atexit([] { (void)std::system(stop.c_str()); });
  }
  ready = true;
}

// A database made for one test and dropped after it, with every connection still open to it.
class TPgTestDatabase {
public:
  TPgTestDatabase() {
    static std::atomic<int> made{0};
    EnsurePgServer();
    Name = "qnexp_test_" + std::to_string(getpid()) + "_" + std::to_string(++made);
    TSqlConnection(PgConnectionText("postgres")).ExecSQL("CREATE DATABASE " + Name);
  }
  ~TPgTestDatabase() {
    try {
      TSqlConnection(PgConnectionText("postgres")).ExecSQL("DROP DATABASE " + Name + " WITH (FORCE)");
    } catch (...) {
    }
  }
  TPgTestDatabase(const TPgTestDatabase&) = delete;
  TPgTestDatabase& operator=(const TPgTestDatabase&) = delete;
  std::string Text() const { return PgConnectionText(Name); }

private:
  std::string Name;
};

}  // namespace qnexp::testing
