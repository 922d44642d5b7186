// Database figures: DB_Count over a large SQLite table against a plain loop over sqlite3_step
// in the same run, and the cost of opening a table and reading its first record for two table
// sizes. Not a test: ctest never runs it. The tables live in a temporary folder.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/EntryPoints.h"
#include "core/Variables.h"
#include "dataset/SqlDataSet.h"
#include "dataset/SqlHooks.h"
#include "dbfunctions/DBHooks.h"
#include "dbfunctions/DBVarList.h"

namespace {

using namespace qnexp;

std::filesystem::path Folder() {
  static std::filesystem::path folder = [] {
    auto path = std::filesystem::temp_directory_path() / ("qnexp-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

// A database file with table t of rows (id, qty, price); made once per size.
std::string Database(int rows) {
  std::string path = (Folder() / ("rows" + std::to_string(rows) + ".db")).string();
  if (std::filesystem::exists(path)) return path;
  TSqlConnection db(path);
  db.ExecuteScript("CREATE TABLE t (id INTEGER PRIMARY KEY, qty INT, price MONEY);"
                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                   std::to_string(rows) + ") INSERT INTO t SELECT i, i % 7, (i % 100) * 0.5 FROM n");
  return path;
}

void BM_DBCount(benchmark::State& state) {
  InstallSqlHooks();
  std::string path = Database(static_cast<int>(state.range(0)));
  std::unique_ptr<TDBVarList> list(CreateDBVarList(PubVarList));
  TVarList* saved = GetVarList();
  SetVarList(list.get());
  std::unique_ptr<TExpression> open = TranslateExp("DB := DB_OpenDatabase('" + path + "')");
  ExpEvaluate(*open, kForceStamp);
  std::unique_ptr<TExpression> count =
      TranslateExp("DB_Count(DB_OpenTable(DB, 't', 'T'), n := 0, T.QTY > 2, n := n + T.QTY)");
  for (auto _ : state) {
    ExpEvaluate(*count, kForceStamp);
    benchmark::DoNotOptimize(count->GetInteger());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::unique_ptr<TExpression> close = TranslateExp("DB_Close(T)");
  ExpEvaluate(*close, kForceStamp);
  count.reset();
  SetVarList(saved);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_mb"] = usage.ru_maxrss / 1024.0;
}
BENCHMARK(BM_DBCount)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_PlainStepLoop(benchmark::State& state) {
  std::string path = Database(static_cast<int>(state.range(0)));
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  for (auto _ : state) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM t", -1, &stmt, nullptr);
    int64_t sum = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      int qty = sqlite3_column_int(stmt, 1);
      if (qty > 2) sum += qty;
    }
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PlainStepLoop)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_OpenAndReadFirst(benchmark::State& state) {
  std::string path = Database(static_cast<int>(state.range(0)));
  TSqlConnection db(path);
  for (auto _ : state) {
    TSqlTable table(db);
    table.SetStatement("t");
    table.Open();
    benchmark::DoNotOptimize(table.GetField(1)->AsInteger());
  }
}
BENCHMARK(BM_OpenAndReadFirst)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(Folder());
  return 0;
}
