// Fuzz target: the workbench's data files, from arbitrary bytes: the lines of a file, each read
// as a definition line, an example file name, a catalogue prototype, and the whole as a
// catalogue. None may crash, hang or leak; the selection of a prototype's first parameter must
// stay inside the prototype.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/Catalogue.h"
#include "runtime/GbkChars.h"
#include "workbench/WorkbenchFiles.h"

using namespace qnexp;
using namespace qnexp::workbench;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (const std::string& line : TextLines(text)) {
    ParseDefinitionLine(line);
    for (const std::string& part : ExampleMenuPath(line))
      if (part.find('.') != std::string::npos) std::abort();
    TParameterSelection selection = FirstParameter(line);
    int characters = 0;
    for (size_t i = 0; i < line.size(); i += CharSize(line, i)) ++characters;
    if (selection.Offset > 0 || -selection.Offset > characters || selection.Length < 0 ||
        selection.Length > -selection.Offset)
      std::abort();
  }
  cli::ParseCatalogue(text);
  return 0;
}
