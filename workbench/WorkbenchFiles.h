// The files of the workbench and the plain rules over their contents: where the data and
// expression files live, reading them (a file that cannot be read is reported and read as
// empty), the definition lines of the variable and alias tables, the example menu's levels
// from a file name, the first parameter of a catalogue prototype, and the table files of a
// folder. Paths and texts are GBK, as everywhere in the engine.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qnexp::workbench {

// The title of the message that reports a data file the program cannot read.
inline constexpr const char* kOpenFileFailedTitle = "打开文件失败";

// The folder that holds Data/ and Expressions/: <ProgramDir>/.. unless another one is set (an
// empty text sets the default back).
void SetResourceRoot(const std::string& folder);
// <root>/<relative> as a full path; relative is UTF-8 (the names in this file).
std::string ResourcePath(std::string_view relativeUtf8);
// The data folder (<ProgramDir>/../Data/, with the trailing separator), the expression folder
// (<ProgramDir>/../Expressions, without) and the files the program reads at start.
std::string DataFolder();
std::string ExpressionFolder();
std::string CatalogueFile();
std::string AliasFile();
std::string PredefinedVariableFile();
std::string InitialisationFile();
std::string GridColourFile();

// The whole file; when it cannot be read the reason is shown to the user with the title
// kOpenFileFailedTitle and the result is empty.
std::string ReadDataFile(const std::string& path);
// Writes text to path at once (a reader sees the old file or the new one, never half of one).
// Raises EFCreateError with the reason when it cannot.
void SaveTextFile(const std::string& path, std::string_view text);

// The lines of a text (CR LF, LF or CR ends).
std::vector<std::string> TextLines(std::string_view text);

// A line of the predefined variable table: after leading blanks, an empty line or one
// beginning with ";" or "[" is nothing; otherwise the name is the trimmed text before the
// first "=" outside quotes and the text is what follows it (a line without "=" has an empty
// text).
struct TDefinition {
  std::string Name;
  std::string Text;
};
std::optional<TDefinition> ParseDefinitionLine(std::string_view line);

// The example menu's path for an expression file name: the parts between the dots, the last
// one ("exp" in any case) dropped, so "Text.Upper.exp" gives {"Text", "Upper"}. Empty when the
// name does not end in a part "exp" or has nothing before it.
std::vector<std::string> ExampleMenuPath(std::string_view fileName);

// For inserting a catalogue prototype: the characters (not bytes) from the end of the
// prototype back to just after its "(", and the length of its first parameter (up to the first
// "," or ")"). A prototype without "(" gives the end and no selection.
struct TParameterSelection {
  int Offset = 0;  // negative: back from the end of the inserted text
  int Length = 0;
};
TParameterSelection FirstParameter(std::string_view prototype);

// The names of the files in folder that a table list shows ("*.db" and "*.dbf", any case),
// sorted; empty when the folder cannot be read.
std::vector<std::string> TableFiles(const std::string& folder);

}  // namespace qnexp::workbench
