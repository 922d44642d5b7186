// The console host for people: help and version, "--", which arguments start the prompt, bad
// input lines, error positions, the function list with its patterns and suggestions, and the
// prompt's "?" commands.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/Catalogue.h"
#include "cli/Host.h"
#include "runtime/Gbk.h"
#include "HostRun.h"

using namespace qnexp::cli;

namespace {

using TRun = qnexp::testing::THostRun;

TRun Host(const std::vector<std::string>& args, const std::string& input = "") {
  return qnexp::testing::RunHostWith(args, input);
}

// The host at its prompt, fed the given lines, with standard error on a terminal.
TRun Prompt(const std::vector<std::string>& args, std::vector<std::string> lines) {
  std::istringstream in;
  std::ostringstream out, err;
  size_t next = 0;
  THostIo io{in, out, err, [&](std::string& line) {
               if (next == lines.size()) return false;
               line = lines[next++];
               return true;
             },
             true};
  int status = RunHost(args, io);
  return {status, out.str(), err.str()};
}

}  // namespace

TEST(HostHelp, HelpNamesEveryOptionAndTheExitStatuses) {
  for (const char* option : {"--help", "-h"}) {
    TRun run = Host({"--json", option, "1+"});
    EXPECT_EQ(run.Status, esOk);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.Out.rfind("usage: qnexp", 0), 0u);
    for (const char* name : {"-e TEXT", "-f FILE", "--load FILE", "  -- ", "--json", "--dump",
                             "--encoding NAME", "--sandbox", "--timeout SECONDS", "--db TEXT",
                             "--table ALIAS=NAME", "--sql ALIAS=SELECT", "--functions [PATTERN]",
                             "-h, --help", "--version", "Exit status: 0", "Examples:"})
      EXPECT_NE(run.Out.find(name), std::string::npos) << name;
  }
  TRun version = Host({"--version"});
  EXPECT_EQ(version.Status, esOk);
  EXPECT_TRUE(version.Out.starts_with("qnexp ")) << version.Out;
  EXPECT_NE(version.Out.find('.'), std::string::npos) << version.Out;
  EXPECT_TRUE(version.Out.ends_with("\n")) << version.Out;
}

TEST(HostHelp, DoubleDashMakesTheRestTexts) {
  EXPECT_EQ(Host({"--json", "--", "-1"}).Out,
            "{\"status\":0,\"type\":\"etInteger\",\"text\":\"-1\"}\n");
  TRun help = Host({"--", "--help"});
  EXPECT_EQ(help.Status, esTranslationFailed);
  EXPECT_EQ(help.Out, "");
}

TEST(HostHelp, OptionsNeverCountAsTexts) {
  struct {
    std::vector<std::string> Args;
    bool ReadsInput, Json, Gbk;
  } cases[] = {
      {{}, true, false, false},
      {{"--encoding", "GBK"}, true, false, true},
      {{"--dump"}, true, false, false},
      {{"--json", "--table", "A=t", "--db", ":memory:"}, true, true, false},
      {{"--sandbox", "--timeout", "1"}, true, false, false},
      {{"-e", "1"}, false, false, false},
      {{"--encoding", "GBK", "1"}, false, false, true},
      {{"--", "-x"}, false, false, false},
      {{"--help"}, false, false, false},
      {{"--version"}, false, false, false},
      {{"--functions"}, false, false, false},
      {{"--bogus"}, false, false, false},
  };
  for (const auto& c : cases) {
    THostMode mode = HostModeOf(c.Args);
    std::string args = ::testing::PrintToString(c.Args);
    EXPECT_EQ(mode.ReadsInput, c.ReadsInput) << args;
    EXPECT_EQ(mode.Json, c.Json) << args;
    EXPECT_EQ(mode.Gbk, c.Gbk) << args;
  }
}

TEST(HostHelp, AnUndecodableLineSpoilsOnlyItself) {
  TRun run = Host({"--json"}, "1+1\n\xff\n'\xF0\x9F\x98\x80'\n2\n");
  EXPECT_EQ(run.Status, esUsage);
  EXPECT_EQ(run.Out,
            "{\"status\":0,\"type\":\"etInteger\",\"text\":\"2\"}\n"
            "{\"status\":0,\"type\":\"etInteger\",\"text\":\"2\"}\n");
  EXPECT_EQ(run.Err,
            "qnexp: line 2: text is not valid UTF-8 or has no GBK form\n"
            "qnexp: line 3: text is not valid UTF-8 or has no GBK form\n");
}

TEST(HostHelp, TranslationErrorsGiveLineAndColumn) {
  struct {
    const char* Text;
    int Line, Column;
  } cases[] = {{"1+", 1, 3}, {"1 +\n2 +", 2, 4}, {"'中文' + 中(", 1, 9}, {"(1", 1, 1}};
  for (const auto& c : cases) {
    TRun json = Host({"--json", c.Text});
    std::string position = ",\"position\":{\"line\":" + std::to_string(c.Line) +
                           ",\"column\":" + std::to_string(c.Column) + "}}\n";
    EXPECT_TRUE(json.Out.ends_with(position)) << json.Out;
    TRun terminal = Prompt({}, {c.Text});
    EXPECT_TRUE(terminal.Err.ends_with("  at line " + std::to_string(c.Line) + ", column " +
                                       std::to_string(c.Column) + "\n"))
        << terminal.Err;
  }
}

TEST(HostHelp, FunctionsListedPickedAndSuggested) {
  TRun all = Host({"--functions"});
  EXPECT_EQ(all.Status, esOk);
  std::vector<TFunctionEntry> registered = RegisteredFunctions({});
  EXPECT_EQ(static_cast<size_t>(std::count(all.Out.begin(), all.Out.end(), '\n')),
            registered.size());
  EXPECT_NE(all.Out.find("\nRMBFormat(amount, format)  "), std::string::npos);

  struct {
    std::vector<std::string> Args;
    int Status;
    const char* Out;
    const char* Err;
  } cases[] = {
      {{"--functions", "abs"}, esOk, "Abs(x)  绝对值\n", ""},
      {{"--functions", "DB_Field?o"}, esOk, "DB_FieldNo(ds, name or index)  字段序号，没有为-1\n", ""},
      {{"--functions", "*大写金额*"}, esOk,
       "RMBFormat(amount, format)  金额格式化：大写金额、全角数字、分组、单格输出，"
       "如RMBFormat(1234.56, '@3&&~')\n", ""},
      {{"--encoding", "GBK", "--functions", "Ln"}, esOk, nullptr, ""},
      {{"--json", "--functions", "Pi"}, esOk,
       "{\"name\":\"Pi\",\"prototype\":\"Pi()\",\"description\":\"圆周率3.1415926535897932385\"}\n", ""},
      {{"--functions", "Lenght"}, esUsage, "",
       "qnexp: no function is named 'Lenght'; did you mean Length?\n"},
      {{"--functions", "Lenght*"}, esUsage, "",
       "qnexp: no function matches 'Lenght*'; did you mean Length?\n"},
      {{"--functions", "Qqqqqq"}, esUsage, "",
       "qnexp: no function is named 'Qqqqqq'; qnexp --functions lists them all\n"},
      {{"--functions", "Abs", "1"}, esUsage, "",
       "qnexp: --functions lists functions and evaluates no texts\n"},
  };
  for (const auto& c : cases) {
    TRun run = Host(c.Args);
    std::string args = ::testing::PrintToString(c.Args);
    EXPECT_EQ(run.Status, c.Status) << args;
    if (c.Out) {
      EXPECT_EQ(run.Out, c.Out) << args;
    }
    EXPECT_EQ(run.Err, c.Err) << args;
  }
  EXPECT_EQ(Host({"--encoding", "GBK", "--functions", qnexp::Utf8ToGbk("*大写金额*")}).Out,
            qnexp::Utf8ToGbk(cases[2].Out));
}

TEST(HostHelp, PromptDescribesFunctionsByQuestionMark) {
  TRun run = Prompt({}, {"?abs", " ? Lenght ", "?",
                         "CustomFunction('Twice', 1, 0, 2 * CustFuncParam(1))", "?twice", "1+1"});
  EXPECT_EQ(run.Status, esOk);
  EXPECT_NE(run.Out.find("\nAbs(x)  绝对值\n"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("\nTwice()  自定义函数\n"), std::string::npos) << run.Out;
  EXPECT_TRUE(run.Out.ends_with("\n2\n")) << run.Out;
  EXPECT_EQ(run.Err, "qnexp: no function is named 'Lenght'; did you mean Length?\n");
  // The prompt's help is shown at the start and for "?" alone.
  size_t first = run.Out.find("?NAME describes a function");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(run.Out.find("?NAME describes a function", first + 1), std::string::npos);
}

TEST(HostHelp, PatternsMatchWholeNamesByCharacter) {
  struct {
    const char* Text;
    const char* Pattern;
    bool Matches;
  } cases[] = {
      {"AddDay", "add*", true},       {"AddDay", "*DAY", true},   {"TimeToTime", "*Time", true},
      {"abcbc", "*bc", true},         {"abc", "a?c", true},        {"abc", "ab", false},
      {"abc", "*b", false},           {"", "*", true},             {"", "?", false},
      {"\xD6\xD0\xCE\xC4", "?\xCE\xC4", true},  // a two-byte character is one
      {"\xD6\xD0\xCE\xC4", "??\xCE\xC4", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesPattern(c.Text, c.Pattern), c.Matches) << c.Text << " " << c.Pattern;
}
