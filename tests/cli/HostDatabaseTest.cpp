// The console host's database options on a real SQLite file: --db, --table and --sql publish
// datasets before the texts run, and bad options or tables stop with a usage error.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/Host.h"
#include "dataset/SqlDataSet.h"
#include "platform/Dialogs.h"
#include "runtime/Gbk.h"

using namespace qnexp::cli;

namespace {

class HostDatabase : public ::testing::Test {
protected:
  void SetUp() override {
    Folder = std::filesystem::temp_directory_path() / ("qnexp-host-db-" + std::to_string(getpid()));
    std::filesystem::create_directories(Folder);
    Path = (Folder / "shop.db").string();
    qnexp::TSqlConnection setup(Path);
    setup.ExecuteScript(qnexp::Utf8ToGbk(
        "CREATE TABLE orders (id INTEGER PRIMARY KEY, item VARCHAR(10), qty INT);"
        "INSERT INTO orders VALUES (1, '茶叶', 3), (2, '瓷器', 4), (3, '丝绸', 5);"));
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }
  struct TRun {
    int Status;
    std::string Out, Err;
  };
  TRun Run(std::vector<std::string> args) {
    qnexp::SetDialogMode(qnexp::dmSilent);
    std::istringstream in;
    std::ostringstream out, err;
    THostIo io{in, out, err, nullptr};
    int status = RunHost(args, io);
    return {status, out.str(), err.str()};
  }
  std::filesystem::path Folder;
  std::string Path;
};

TEST_F(HostDatabase, TablesAndQueriesArePublishedBeforeTheTextsRun) {
  TRun run = Run({"--db", Path, "--table", "O=orders", "n := 0",
                  "DB_Count(O, n := 0, Yes, n := n + O.QTY)", "n"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, "0\n12\n12\n");
  run = Run({"--db", Path, "--sql", "Q=SELECT item FROM orders WHERE qty > 3 ORDER BY id",
             "Q.ITEM", "DB_RecCount(Q)"});
  EXPECT_EQ(run.Out, "瓷器\n2\n");
}

TEST_F(HostDatabase, ADataSetClosedByATextIsNotFreedAgain) {
  TRun run = Run({"--db", Path, "--table", "O=orders", "DB_Close(O)", "VarExist('O.QTY')"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, "0\nNo\n");
}

TEST_F(HostDatabase, BadOptionsAndTablesAreUsageErrors) {
  struct {
    std::vector<std::string> Args;
    const char* Err;
  } cases[] = {
      {{"--db", "", "--table", "O=nowhere", "1"}, "qnexp: Table 'nowhere' does not exist\n"},
      {{"--table", "orders", "1"}, "qnexp: --table needs ALIAS=NAME, not 'orders'\n"},
      {{"--sql", "Q=", "1"}, "qnexp: --sql needs ALIAS=SELECT..., not 'Q='\n"},
      {{"--db"}, "qnexp: option --db needs a value\n"},
      {{"--db", "/nonexistent/folder/x.db", "--table", "O=orders", "1"},
       "qnexp: Database '/nonexistent/folder/x.db' not found\n"},
      {{"--sql", "Q=SELEC 1", "1"}, "qnexp: near \"SELEC\": syntax error\n"}};
  for (auto& c : cases) {
    if (c.Args.size() > 1 && c.Args[1].empty()) c.Args[1] = Path;
    if (c.Args.size() > 1 && c.Args[0] == "--sql") c.Args.insert(c.Args.begin(), {"--db", Path});
    TRun run = Run(c.Args);
    EXPECT_EQ(run.Status, 3) << c.Err;
    EXPECT_EQ(run.Err, c.Err);
  }
}

}  // namespace
