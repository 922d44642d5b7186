// The console host under Ctrl+C: the built program runs an endless loop, receives SIGINT, stops
// the evaluation with "Operation aborted" and exits with status 1 without running the texts
// that follow.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// True once the process has a handler for sig (its SigCgt mask in /proc has the bit).
bool Catches(pid_t pid, int sig) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigCgt:", 0) != 0) continue;
    unsigned long long mask = std::strtoull(line.c_str() + 7, nullptr, 16);
    return (mask >> (sig - 1)) & 1u;
  }
  return false;
}

// Waits up to limit for the process to end; true with its wait status when it did.
bool WaitFor(pid_t pid, std::chrono::milliseconds limit, int& status) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

}  // namespace

TEST(HostInterrupt, CtrlCStopsAnEndlessLoopAndTheRun) {
  std::filesystem::path output =
      std::filesystem::temp_directory_path() / ("qnexp_interrupt_" + std::to_string(getpid()));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  std::vector<std::string> args{QNEXP_BINARY, "Loop(0, 0, No)", "'after'"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, QNEXP_BINARY, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  // The signal must not arrive before the program can catch it.
  auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!Catches(pid, SIGINT) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(10ms);
  std::this_thread::sleep_for(200ms);
  kill(pid, SIGINT);

  int status = 0;
  bool ended = WaitFor(pid, 30s, status);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  std::stringstream printed;
  printed << std::ifstream(output).rdbuf();
  std::filesystem::remove(output);
  ASSERT_TRUE(ended) << "the loop went on after SIGINT";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(printed.str(), "Operation aborted\n");
}
