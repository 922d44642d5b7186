// Fuzz target: arbitrary bytes as the contents of an INI file, GBK or UTF-8 with its mark.
// Every reading must succeed; an entry written into a section that was read must read back;
// and the write must keep every other line of the file byte for byte. A violation aborts.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/StringList.h"
#include "support/IniFile.h"

using namespace qnexp;

namespace {

const std::string& FilePath() {
  // A file in memory, so that the atomic rewrite's flush to disk costs nothing.
  static const std::string path = "/dev/shm/qnexp-fuzz-" + std::to_string(getpid()) + ".ini";
  return path;
}

void WriteFile(const std::string& bytes) {
  std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile() {
  std::ifstream in(FilePath(), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The file's lines as bytes, cut at CR LF, LF or CR as the reader cuts them.
std::vector<std::string> RawLines(std::string bytes) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
    if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n') ++start;
  }
  return lines;
}

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "violated: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  WriteFile(original);
  TIniFile ini(FilePath());
  TStringList sections, names, values;
  ini.ReadSections(sections);
  for (int i = 0; i < sections.Count() && i < 4; ++i) {
    ini.ReadSection(sections.Get(i), names);
    ini.ReadSectionValues(sections.Get(i), values);
    ini.ReadSectionNotes(sections.Get(i), values);
    for (int k = 0; k < names.Count() && k < 4; ++k) {
      std::string note;
      ini.ReadString(sections.Get(i), names.Get(k), "");
      ini.ReadIntNote(sections.Get(i), names.Get(k), note, 0);
    }
  }
  ini.ReadLines(values);

  const std::string section = sections.Count() > 0 ? sections.Get(0) : "fuzz";
  bool existed = ini.ValueExists(section, "fuzzkey");
  bool sectionExisted = sections.Count() > 0;
  try {
    ini.WriteString(section, "fuzzkey", "fuzzvalue");
  } catch (const EConvertError&) {
    // A GBK file may hold bytes that are not GBK; only a UTF-8 file converts on writing, and
    // every line it reads is valid GBK. So a conversion error here is a fault.
    Check(false, "writing raised a conversion error");
  }
  Check(ini.ReadString(section, "fuzzkey", "") == "fuzzvalue", "the written entry reads back");

  std::string written = ReadFile();
  Check((original.compare(0, 3, "\xEF\xBB\xBF") == 0) == (written.compare(0, 3, "\xEF\xBB\xBF") == 0),
        "the byte-order mark is kept");
  if (!existed) {
    // Every line of the old file is still there, in order, with only the new ones added.
    std::vector<std::string> before = RawLines(original), after = RawLines(written);
    size_t added = sectionExisted ? 1 : 2;
    Check(after.size() == before.size() + added, "one line per new entry or section");
    size_t kept = 0;
    for (const std::string& line : after)
      if (kept < before.size() && line == before[kept]) ++kept;
    Check(kept == before.size(), "old lines are kept byte for byte, in order");
  }
  ini.DeleteKey(section, "fuzzkey");
  ini.EraseSection(section);
  std::remove(FilePath().c_str());
  return 0;
}
