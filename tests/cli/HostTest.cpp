// The console host: case files of expressions with their exact JSON results, run in one
// process so that variables carry over, and the host's options and exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Host.h"
#include "platform/Dialogs.h"
#include "CaseFiles.h"
#include "HostRun.h"

using namespace qnexp::cli;

namespace {

using TRun = qnexp::testing::THostRun;

TRun Host(const std::vector<std::string>& args, const std::string& input = "") {
  return qnexp::testing::RunHostWith(args, input);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(HostCases, EveryCaseFileGivesItsExactResults) {
  std::vector<qnexp::testing::TCaseFile> files = qnexp::testing::CaseFiles();
  ASSERT_FALSE(files.empty());
  for (const auto& file : files) {
    SCOPED_TRACE(file.Path.filename().string());
    ASSERT_EQ(file.Texts.size(), file.Expected.size());
    std::vector<std::string> args{"--json"};
    for (const std::string& text : file.Texts) {
      args.push_back("-e");
      args.push_back(text);
    }
    std::vector<std::string> got = Lines(Host(args).Out);
    ASSERT_EQ(got.size(), file.Expected.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], file.Expected[i]) << file.Texts[i];
  }
}

TEST(Host, PlainOutputAndExitStatuses) {
  TRun ok = Host({"1+2*3", "'x'"});
  EXPECT_EQ(ok.Status, esOk);
  EXPECT_EQ(ok.Out, "7\nx\n");

  TRun failed = Host({"1+", "2"});
  EXPECT_EQ(failed.Status, esTranslationFailed);
  EXPECT_EQ(failed.Out, "2\n");
  EXPECT_EQ(failed.Err, "需要操作数 (1+[错])\n");

  TRun literal = Host({"2147483648"});
  EXPECT_EQ(literal.Status, esTranslationFailed);
  EXPECT_EQ(literal.Err, "'2147483648' is not a valid integer value\n");

  TRun raised = Host({"Mod(-2147483648, -1)"});
  EXPECT_EQ(raised.Status, esEvaluationRaised);
  EXPECT_EQ(raised.Out, "Integer overflow\n");

  EXPECT_EQ(Host({"-e", "-1"}).Out, "-1\n");
}

TEST(Host, StandardInputLinesAreTexts) {
  TRun run = Host({"--json"}, "a := 2\r\n\n   \na * 3\n");
  EXPECT_EQ(run.Status, esOk);
  EXPECT_EQ(run.Out,
            "{\"status\":0,\"type\":\"etInteger\",\"text\":\"2\"}\n"
            "{\"status\":0,\"type\":\"etInteger\",\"text\":\"6\"}\n");
}

TEST(Host, UsageErrors) {
  EXPECT_EQ(Host({"--bogus"}).Status, esUsage);
  EXPECT_EQ(Host({"--bogus"}).Err, "qnexp: unknown option '--bogus'\n");
  EXPECT_EQ(Host({"-e"}).Status, esUsage);
  EXPECT_EQ(Host({"-f", "/no/such/file"}).Status, esUsage);
  EXPECT_EQ(Host({"--encoding", "latin1", "1"}).Status, esUsage);
  EXPECT_EQ(Host({"\xff\xfe"}).Status, esUsage);
}

TEST(Host, FilesAndEncodings) {
  std::filesystem::path file = std::filesystem::temp_directory_path() / "qnexp_host_test.txt";
  {
    std::ofstream out(file, std::ios::binary);
    out << "'\xD6\xD0' + // comment\n'x'";  // GBK bytes of a Chinese character
  }
  TRun gbk = Host({"--encoding", "GBK", "-f", file.string()});
  EXPECT_EQ(gbk.Out, "\xD6\xD0x\n");
  {
    std::ofstream out(file, std::ios::binary);
    out << "\xEF\xBB\xBF'中' + 1";
  }
  TRun bom = Host({"-f", file.string()});
  EXPECT_EQ(bom.Out, "中1\n");
  std::filesystem::remove(file);
}

TEST(Host, JsonEscapesControlCharacters) {
  EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
}

TEST(Host, SandboxRefusesEffectsAndBoundsTime) {
  TRun refused = Host({"--sandbox", "Exec('true', '')", "1+1"});
  EXPECT_EQ(refused.Status, esEvaluationRaised);
  EXPECT_EQ(refused.Out, "沙箱中不能使用函数Exec\n2\n");

  TRun endless = Host({"--sandbox", "--timeout", "0.1", "Loop(i := 0, i := i + 1, False)"});
  EXPECT_EQ(endless.Status, esEvaluationRaised);
  EXPECT_EQ(endless.Out, "Operation aborted\n");

  // The setting lasts for one run of the host only.
  EXPECT_EQ(Host({"Length(ChrS('x', 16000000) + ChrS('y', 16000000))"}).Out, "32000000\n");

  EXPECT_EQ(Host({"--timeout", "1", "1"}).Err, "qnexp: --timeout needs --sandbox\n");
  EXPECT_EQ(Host({"--sandbox", "--timeout", "soon", "1"}).Status, esUsage);
  EXPECT_EQ(Host({"--sandbox", "--timeout", "-1", "1"}).Status, esUsage);
}

TEST(Host, TextsThatOnceKilledTheProcessGiveAnAnswer) {
  TRun run = Host({"--json", "VarDef(Trim(''),1)", "VarDef('a',VarDef(Trim('a'),1))+a",
                   "VarDef(b,b)+b", "Calc(s:='Calc(s)')", " {$ICalc('')",
                   "{$I Calc('2')} + {$I Calc('3')}"});
  EXPECT_EQ(run.Status, esTranslationFailed);
  EXPECT_EQ(Lines(run.Out),
            (std::vector<std::string>{
                "{\"status\":0,\"type\":\"etString\",\"text\":\"\"}",
                "{\"status\":0,\"type\":\"etInteger\",\"text\":\"2\"}",
                "{\"status\":0,\"type\":\"etString\",\"text\":\"变量b的公式嵌套太深(超过1000层)\","
                "\"raised\":true}",
                "{\"status\":0,\"type\":\"etString\",\"text\":\"表达式文本的计算嵌套太深(超过100层)\","
                "\"raised\":true}",
                "{\"status\":9,\"error\":\"需要操作数 ( [错])\","
                "\"position\":{\"line\":1,\"column\":2}}",
                "{\"status\":0,\"type\":\"etInteger\",\"text\":\"5\"}"}));
}
