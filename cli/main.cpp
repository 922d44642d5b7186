// qnexp: the console host of the expression engine.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <editline/readline.h>

#include "cli/Host.h"
#include "core/Abort.h"

namespace {

// One line from the terminal with line editing and history; false at the end of input. Ctrl+C
// at the prompt drops the line being typed and prompts again.
bool ReadTerminalLine(std::string& line) {
  for (;;) {
    char* text = readline("qnexp> ");
    if (!text) {
      if (!qnexp::AbortRequested()) return false;
      qnexp::ClearAbort();
      std::cout << std::endl;
      continue;
    }
    line = text;
    if (!line.empty()) add_history(text);
    std::free(text);
    return true;
  }
}

void OnInterrupt(int) { qnexp::RequestAbort(); }

// Ctrl+C stops the evaluation that runs, not the program. At the prompt, reading goes on after
// the signal; otherwise an interrupted read ends the input, and the host stops.
void CatchInterrupt(bool interactive) {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = interactive ? SA_RESTART : 0;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  qnexp::cli::THostIo io{std::cin, std::cout, std::cerr, nullptr};
  bool hasTexts = false;
  for (const std::string& arg : args)
    if (arg != "--json" && arg != "--encoding") hasTexts = true;
  if (!hasTexts && isatty(STDIN_FILENO)) io.ReadLine = ReadTerminalLine;
  CatchInterrupt(static_cast<bool>(io.ReadLine));
  return qnexp::cli::RunHost(args, io);
}
