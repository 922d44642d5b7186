// The built program as people meet it: the prompt on a pseudo-terminal with Chinese typed in
// UTF-8 and GBK (in the C locale, which once dropped every Chinese character), JSON output
// that stays pure while started programs write, and every example of the README run exactly
// as printed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/Gbk.h"
#include "TempFolder.h"

extern char** environ;

namespace {

// The program on a pseudo-terminal of its own.
class TTerminalRun {
public:
  explicit TTerminalRun(const std::vector<std::string>& args) {
    struct winsize size {};
    size.ws_row = 24;
    size.ws_col = 200;
    Pid = forkpty(&Master, nullptr, nullptr, &size);
    if (Pid == 0) {
      setenv("TERM", "xterm", 1);
      setenv("LC_ALL", "C", 1);
      std::vector<std::string> all{QNEXP_BINARY};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (std::string& arg : all) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(QNEXP_BINARY, argv.data());
      _exit(127);
    }
  }
  ~TTerminalRun() {
    if (Pid > 0 && !Ended) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
    if (Master >= 0) close(Master);
  }

  // Reads until text appears after what earlier waits found; false when the output ends or
  // stays silent for half a minute (a hung program), never a measure of speed.
  bool WaitFor(const std::string& text) {
    for (;;) {
      size_t found = Output.find(text, Seen);
      if (found != std::string::npos) {
        Seen = found + text.size();
        return true;
      }
      if (!ReadSome()) return false;
    }
  }
  void Type(const std::string& bytes) {
    ASSERT_EQ(write(Master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Waits for the next prompt and for the editor to read the terminal raw, which it starts
  // only after the prompt is shown: a Ctrl+D typed before would end a cooked line instead.
  bool Prompted() {
    if (!WaitFor("qnexp> ")) return false;
    for (int tries = 0; tries < 3000; ++tries) {
      termios modes {};
      if (tcgetattr(Master, &modes) != 0) return false;
      if (!(modes.c_lflag & ICANON)) return true;
      usleep(10000);
    }
    return false;
  }
  // At the next prompt, ends the input with Ctrl+D, reads the rest and returns the exit
  // status; -1 when the program did not end by itself.
  int Finish() {
    if (!Prompted()) return -1;
    Type("\x04");
    while (ReadSome()) {
    }
    if (Silent) return -1;
    int status = 0;
    if (waitpid(Pid, &status, 0) != Pid) return -1;
    Ended = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Output;

private:
  bool ReadSome() {
    pollfd poller{Master, POLLIN, 0};
    if (poll(&poller, 1, 30000) <= 0) {
      Silent = true;
      return false;
    }
    char buffer[4096];
    ssize_t n = read(Master, buffer, sizeof buffer);
    if (n <= 0) return false;
    Output.append(buffer, static_cast<size_t>(n));
    return true;
  }
  pid_t Pid = -1;
  int Master = -1;
  size_t Seen = 0;
  bool Ended = false;
  bool Silent = false;  // nothing came for half a minute
};

struct TProcessRun {
  int Status = -1;
  std::string Out, Err;
};

// The program with the arguments, no input, and both outputs caught in files.
TProcessRun RunProgram(const std::vector<std::string>& args, const std::string& folder) {
  std::string outFile = folder + "/out", errFile = folder + "/err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> all{QNEXP_BINARY};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  TProcessRun run;
  pid_t pid = 0;
  if (posix_spawn(&pid, QNEXP_BINARY, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  std::stringstream out, err;
  out << std::ifstream(outFile).rdbuf();
  err << std::ifstream(errFile).rdbuf();
  run.Out = out.str();
  run.Err = err.str();
  return run;
}

class Console : public qnexp::testing::TTempFolderTest {};

}  // namespace

TEST(ConsolePrompt, ChineseTypedAtThePromptStaysWhole) {
  struct {
    std::vector<std::string> Args;
    std::string Typed, Shown;  // UTF-8; sent and expected in the terminal's encoding
    bool Gbk;
  } cases[] = {
      {{}, "'中文字符串' + 'x'\r", "\n中文字符串x\r\n", false},
      {{"--encoding", "GBK"}, "'中文字符串' + 'x'\r", "\n中文字符串x\r\n", true},
      {{"--json", "--encoding", "UTF-8"}, "Length('中文')\r",
       "{\"status\":0,\"type\":\"etInteger\",\"text\":\"4\"}", false},
      // An option that takes no value must not stop the prompt either.
      {{"--dump"}, "'中'\r", "Value = '中'", false},
      {{}, "?Lenght\r", "did you mean Length?", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Args));
    auto outside = [&](const std::string& utf8) { return c.Gbk ? qnexp::Utf8ToGbk(utf8) : utf8; };
    TTerminalRun run(c.Args);
    ASSERT_TRUE(run.Prompted()) << run.Output;
    run.Type(outside(c.Typed));
    EXPECT_TRUE(run.WaitFor(outside(c.Shown))) << run.Output;
    EXPECT_EQ(run.Finish(), 0) << ::testing::PrintToString(run.Output);
  }
}

TEST_F(Console, JsonOutputStaysPureWhileStartedProgramsWrite) {
  TProcessRun json = RunProgram({"--json", "Wait('echo', 'from the child')", "1"}, Folder);
  EXPECT_EQ(json.Status, 0);
  EXPECT_EQ(json.Out,
            "{\"status\":0,\"type\":\"etBoolean\",\"text\":\"Yes\"}\n"
            "{\"status\":0,\"type\":\"etInteger\",\"text\":\"1\"}\n");
  EXPECT_EQ(json.Err, "from the child\n");
  // Without JSON the child's output stays where it was.
  TProcessRun plain = RunProgram({"Wait('echo', 'from the child')"}, Folder);
  EXPECT_EQ(plain.Out, "from the child\nYes\n");
}

// Each "    $ qnexp ..." line of the README is run by the shell with the built program, and
// what it prints (both streams) must be the indented lines that follow it.
TEST(ConsoleReadme, ExamplesRunAsPrinted) {
  std::ifstream readme(std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() /
                       "README.md");
  std::vector<std::string> lines;
  for (std::string line; std::getline(readme, line);) lines.push_back(line);
  int examples = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string command;
    for (const char* program : {"    $ qnexp ", "    $ build/bin/qnexp "})
      if (lines[i].rfind(program, 0) == 0)
        command = std::string("'") + QNEXP_BINARY + "' " + lines[i].substr(strlen(program));
    if (command.empty()) continue;
    std::string expected;
    for (size_t j = i + 1; j < lines.size() && lines[j].rfind("    ", 0) == 0 &&
                           lines[j].rfind("    $ ", 0) != 0;
         ++j)
      expected += lines[j].substr(4) + "\n";
    FILE* pipe = popen((command + " 2>&1 </dev/null").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string printed;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) printed.append(buffer, n);
    pclose(pipe);
    EXPECT_EQ(printed, expected) << lines[i];
    ++examples;
  }
  EXPECT_GE(examples, 10);
}
