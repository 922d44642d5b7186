// The console host's --dump and --load: the exact text form of translated trees, trees dumped
// and loaded back (text and binary form) evaluating to the same results, and bad files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Host.h"
#include "core/EntryPoints.h"
#include "runtime/Gbk.h"
#include "support/ObjStream.h"
#include "support/StoredStrList.h"
#include "HostRun.h"

using namespace qnexp;
using namespace qnexp::cli;

namespace {

using TRun = qnexp::testing::THostRun;

TRun Host(const std::vector<std::string>& args) { return qnexp::testing::RunHostWith(args); }

std::filesystem::path DumpFolder() {
  return std::filesystem::path(QNEXP_CLI_CASES).parent_path() / "dump";
}

std::vector<std::string> Lines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class HostDump : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = std::filesystem::temp_directory_path() / ("qnexp-dump-" + std::to_string(getpid()));
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::string Path(const std::string& name) const { return (Dir / name).string(); }
  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(Path(name), std::ios::binary) << content;
  }
  std::filesystem::path Dir;
};

}  // namespace

// dump/trees.txt: an expression, the exact lines --dump prints for it, then "%%".
TEST_F(HostDump, DumpPrintsTheExactTextForm) {
  std::vector<std::string> lines = Lines(DumpFolder() / "trees.txt");
  size_t checked = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("%%", 0) == 0) continue;
    std::string expression = lines[i], expected;
    while (++i < lines.size() && lines[i] != "%%") expected += lines[i] + "\n";
    TRun run = Host({"--dump", "-e", expression});
    EXPECT_EQ(run.Status, esOk) << expression;
    EXPECT_EQ(run.Out, expected) << expression;
    ++checked;
  }
  EXPECT_GE(checked, 4u);
}

// dump/roundtrip.txt: pairs of an expression and its JSON result, the same directly and after
// --dump into a file and --load from it.
TEST_F(HostDump, DumpedTreesLoadBackToTheSameResults) {
  std::vector<std::string> lines, texts, expected;
  for (const std::string& line : Lines(DumpFolder() / "roundtrip.txt"))
    if (!line.empty() && line.rfind("%%", 0) != 0) lines.push_back(line);
  ASSERT_EQ(lines.size() % 2, 0u);
  std::vector<std::string> direct{"--json"}, loaded{"--json"};
  for (size_t i = 0; i < lines.size(); i += 2) {
    expected.push_back(lines[i + 1]);
    direct.insert(direct.end(), {"-e", lines[i]});
    TRun dump = Host({"--dump", "-e", lines[i]});
    ASSERT_EQ(dump.Status, esOk) << lines[i];
    std::string file = Path("tree" + std::to_string(i) + ".txt");
    std::ofstream(file, std::ios::binary) << dump.Out;
    loaded.insert(loaded.end(), {"--load", file});
  }
  for (const auto& args : {direct, loaded}) {
    std::istringstream out(Host(args).Out);
    std::vector<std::string> got;
    for (std::string line; std::getline(out, line);) got.push_back(line);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << lines[2 * i];
  }
}

TEST_F(HostDump, LoadReadsTheBinaryFormAndMixesWithTexts) {
  std::unique_ptr<TExpression> tree = TranslateExp("6 * 7 + TickCount() * 0");
  ASSERT_NE(tree, nullptr);
  SaveObjectToFile(tree.get(), Path("tree.bin"));
  TRun run = Host({"-e", "1", "--load", Path("tree.bin"), "'x'"});
  EXPECT_EQ(run.Status, esOk);
  EXPECT_EQ(run.Out, "1\n42\nx\n");
  // The binary form dumps as text too, and an empty tree is an empty text.
  TRun dump = Host({"--dump", "--load", Path("tree.bin")});
  EXPECT_EQ(dump.Out.rfind("object TExp_Add\n", 0), 0u);
  Write("null.bin", std::string("TPF0") + '\0');
  EXPECT_EQ(Host({"--json", "--load", Path("null.bin")}).Out,
            "{\"status\":0,\"type\":\"etAny\",\"text\":\"\"}\n");
}

TEST_F(HostDump, DumpInJsonAndInGbk) {
  TRun json = Host({"--json", "--dump", "-e", "'中'"});
  EXPECT_EQ(json.Out,
            "{\"status\":0,\"dump\":\"object TExpression\\n  DataType = 4\\n  Value = '中'\\nend\\n\"}"
            "\n");
  TRun gbk = Host({"--encoding", "GBK", "--dump", "-e", Utf8ToGbk("'中'")});
  EXPECT_EQ(gbk.Out, Utf8ToGbk("object TExpression\n  DataType = 4\n  Value = '中'\nend\n"));
  Write("gbk.txt", gbk.Out);
  EXPECT_EQ(Host({"--encoding", "GBK", "--load", Path("gbk.txt")}).Out, Utf8ToGbk("中\n"));
  // A failed translation is reported as without --dump.
  TRun failed = Host({"--dump", "-e", "1 +"});
  EXPECT_EQ(failed.Status, esTranslationFailed);
  EXPECT_EQ(failed.Out, "");
}

TEST_F(HostDump, FilesThatHoldNoTreeAreUsageErrors) {
  TStoredStrList list;
  list.SaveToTextFile(Path("list.txt"));
  Write("broken.txt", "object TExpression\n  DataType = \n");
  Write("truncated.bin", "TPF0\x0BTExpression");
  Write("unknown.bin", std::string("TPF0\x06TNoOne") + '\0' + '\0' + '\0');
  struct TCase {
    std::string File;
    std::string Message;
  } cases[] = {
      {Path("missing.txt"), "qnexp: cannot read file '" + Path("missing.txt") + "'\n"},
      {Path("list.txt"), "qnexp: '" + Path("list.txt") + "' holds a TStoredStrList, not an expression\n"},
      {Path("broken.txt"), "qnexp: cannot load '" + Path("broken.txt") + "': Line 3: value expected\n"},
      {Path("truncated.bin"), "qnexp: cannot load '" + Path("truncated.bin") + "': Stream read error\n"},
      {Path("unknown.bin"),
       "qnexp: cannot load '" + Path("unknown.bin") + "': 创建类 TNoOne 的对象实例失败\n"},
  };
  for (const auto& c : cases) {
    TRun run = Host({"-e", "1", "--load", c.File});
    EXPECT_EQ(run.Status, esUsage) << c.File;
    EXPECT_EQ(run.Out, "") << c.File;  // nothing runs when a file cannot be used
    EXPECT_EQ(run.Err, c.Message);
  }
  EXPECT_EQ(Host({"--load"}).Status, esUsage);
}
