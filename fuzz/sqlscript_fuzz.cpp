// Fuzz target: splitting a SQL script into statements, from arbitrary bytes. Splitting must
// never crash, hang or leak, and it loses nothing but separators and blanks: every statement
// is a piece of the script, in order, without overlap.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dataset/SqlScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string script(reinterpret_cast<const char*>(data), size);
  size_t from = 0;
  for (const std::string& statement : qnexp::SplitStatements(script)) {
    if (statement.empty()) std::abort();
    size_t at = script.find(statement, from);
    if (at == std::string::npos) {
      std::fprintf(stderr, "statement not found in order in the script\n");
      std::abort();
    }
    from = at + statement.size();
  }
  return 0;
}
