// The console host's case files (tests/cli/cases/*.txt): pairs of lines, an expression then
// its exact JSON result. Blank lines and lines starting with "%%" are skipped; "\n" in an
// expression stands for a line break. Texts stay UTF-8, as the files hold them.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qnexp::testing {

struct TCaseFile {
  std::filesystem::path Path;
  std::vector<std::string> Texts;
  std::vector<std::string> Expected;
};

inline std::filesystem::path CaseFolder() {
  return std::filesystem::path(__FILE__).parent_path() / "cli" / "cases";
}

inline TCaseFile ReadCaseFile(const std::filesystem::path& path) {
  TCaseFile file{path, {}, {}};
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.rfind("%%", 0) == 0) continue;
    if (file.Texts.size() > file.Expected.size()) {
      file.Expected.push_back(line);
      continue;
    }
    std::string text;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'n') {
        text += '\n';
        ++i;
      } else {
        text += line[i];
      }
    }
    file.Texts.push_back(text);
  }
  return file;
}

// Every case file, in name order.
inline std::vector<TCaseFile> CaseFiles() {
  std::vector<std::filesystem::path> paths;
  for (const auto& entry : std::filesystem::directory_iterator(CaseFolder()))
    if (entry.path().extension() == ".txt") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  std::vector<TCaseFile> files;
  for (const auto& path : paths) files.push_back(ReadCaseFile(path));
  return files;
}

}  // namespace qnexp::testing
