// qnexp: the console host of the expression engine.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <editline/readline.h>

#include "cli/Host.h"

namespace {

// One line from the terminal with line editing and history; false at the end of input.
bool ReadTerminalLine(std::string& line) {
  char* text = readline("qnexp> ");
  if (!text) return false;
  line = text;
  if (!line.empty()) add_history(text);
  std::free(text);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  qnexp::cli::THostIo io{std::cin, std::cout, std::cerr, nullptr};
  bool hasTexts = false;
  for (const std::string& arg : args)
    if (arg != "--json" && arg != "--encoding") hasTexts = true;
  if (!hasTexts && isatty(STDIN_FILENO)) io.ReadLine = ReadTerminalLine;
  return qnexp::cli::RunHost(args, io);
}
