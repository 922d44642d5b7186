// The workbench's files and the rules over their contents.
#include "workbench/WorkbenchFiles.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/OsText.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "support/ExpressDirs.h"
#include "support/StrFuncs.h"

namespace qnexp::workbench {

namespace {
std::string& Root() {
  static std::string root;
  return root;
}
}  // namespace

void SetResourceRoot(const std::string& folder) { Root() = folder; }

std::string ResourcePath(std::string_view relativeUtf8) {
  std::string root = Root().empty() ? GetExpressDir(0) + "/.." : Root();
  return GetRealPath(root + "/" + Utf8ToGbk(relativeUtf8));
}

std::string DataFolder() { return ResourcePath("Data/"); }
std::string ExpressionFolder() { return ResourcePath("Expressions"); }
std::string CatalogueFile() { return ResourcePath("Data/函数简表.DAT"); }
std::string AliasFile() { return ResourcePath("Data/函数别名表.DAT"); }
std::string PredefinedVariableFile() { return ResourcePath("Data/预定义变量表.DAT"); }
std::string InitialisationFile() { return ResourcePath("Expressions/程序初始化.EXP"); }
std::string GridColourFile() { return ResourcePath("Expressions/表格字体颜色.EXP"); }

std::string ReadDataFile(const std::string& path) {
  std::string bytes;
  if (int error = ReadFileContents(ToOsText(path), bytes)) {
    MessageDialog(Res(kOpenFileFailedTitle),
                  path + ": " + Utf8ToGbkLenient(std::strerror(error)), 16);
    return {};
  }
  return bytes;
}

void SaveTextFile(const std::string& path, std::string_view text) {
  if (int error = ReplaceFileContents(ToOsText(path), text))
    throw EFCreateError(path + ": " + Utf8ToGbkLenient(std::strerror(error)));
}

std::vector<std::string> TextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::optional<TDefinition> ParseDefinitionLine(std::string_view line) {
  std::string text = LTrim(line);
  if (text.empty() || text[0] == ';' || text[0] == '[') return std::nullopt;
  char quote = 0;
  for (size_t i = 0; i < text.size(); i += CharSize(text, i)) {
    char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '=') {
      return TDefinition{TrimBoth(text.substr(0, i)), text.substr(i + 1)};
    }
  }
  return TDefinition{TrimBoth(text), {}};
}

std::vector<std::string> ExampleMenuPath(std::string_view fileName) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t dot = fileName.find('.', start);
    parts.emplace_back(fileName.substr(start, dot - start));
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  if (parts.size() < 2 || !SameText(parts.back(), "exp")) return {};
  parts.pop_back();
  return parts;
}

TParameterSelection FirstParameter(std::string_view prototype) {
  // Characters, not bytes: the editor counts characters.
  int characters = 0;
  int open = -1;
  int firstEnd = -1;
  for (size_t i = 0; i < prototype.size(); i += CharSize(prototype, i), ++characters) {
    char c = prototype[i];
    if (open < 0 && c == '(') {
      open = characters;
    } else if (open >= 0 && firstEnd < 0 && (c == ',' || c == ')')) {
      firstEnd = characters;
    }
  }
  if (open < 0) return {};
  int after = open + 1;
  return {after - characters, firstEnd < 0 ? 0 : firstEnd - after};
}

std::vector<std::string> TableFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(ToOsText(folder).c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = FromOsText(entry->d_name);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) continue;
    std::string_view extension = std::string_view(name).substr(dot + 1);
    if (SameText(extension, "db") || SameText(extension, "dbf")) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace qnexp::workbench
