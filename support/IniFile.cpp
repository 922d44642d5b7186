// The INI file: parsing the lines into sections and entries, and atomic rewriting.
#include "support/IniFile.h"


#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/OsText.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/StringList.h"
#include "support/NumConv.h"
#include "support/SplitStr.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

// One line of the file: its GBK text, and the bytes it had in the file, written back as they
// were as long as the line is not replaced. A line of a UTF-8 file holding characters that GBK
// lacks reads with "?" in their place, but keeps them in the file.
struct TIniLine {
  explicit TIniLine(std::string text) : Text(std::move(text)) {}
  TIniLine(std::string text, std::string original)
      : Text(std::move(text)), Original(std::move(original)), FromFile(true) {}

  std::string Text;
  std::string Original;
  bool FromFile = false;
};

// The file as lines, with what is needed to write it back the way it was.
struct TIniLines {
  std::vector<TIniLine> Lines;
  std::string LineBreak = "\r\n";
  bool Utf8 = false;

  const std::string& operator[](int index) const { return Lines[static_cast<size_t>(index)].Text; }
  int Count() const { return static_cast<int>(Lines.size()); }
};

// The file's bytes; false when it does not exist. Raises EFOpenError when it exists but cannot
// be read.
bool ReadBytes(const std::string& fileName, std::string& bytes) {
  int error = ReadFileContents(ToOsPath(fileName), bytes);
  if (error == ENOENT || error == ENOTDIR) return false;
  if (error != 0)
    throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, std::strerror(error)}));
  return true;
}

TIniLines Load(const std::string& fileName) {
  TIniLines ini;
  std::string bytes;
  if (!ReadBytes(fileName, bytes)) return ini;
  size_t start = 0;
  if (bytes.compare(0, Utf8Mark.size(), Utf8Mark) == 0) {
    ini.Utf8 = true;
    start = Utf8Mark.size();
  }
  // Line breaks are found in the file's own bytes, which works for GBK and UTF-8 alike.
  auto addLine = [&](std::string original) {
    std::string text = ini.Utf8 ? Utf8ToGbkLenient(original) : original;
    ini.Lines.emplace_back(std::move(text), std::move(original));
  };
  bool breakSeen = false;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      addLine(bytes.substr(start));
      break;
    }
    addLine(bytes.substr(start, end - start));
    size_t next = end + 1;
    if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n') ++next;
    if (!breakSeen) {
      ini.LineBreak = bytes.substr(end, next - end);
      breakSeen = true;
    }
    start = next;
  }
  return ini;
}

// Replaces the file whole, so that a failure at any point leaves the old file as it was.
// Raises EIniFileException on failure.
void ReplaceFile(const std::string& fileName, std::string_view content) {
  if (fileName.empty() || ReplaceFileContents(ToOsPath(fileName), content) != 0)
    throw EIniFileException(Format("Unable to write to %s", {fileName}));
}

// Lines read from the file go back byte for byte; new and replaced lines are written in the
// file's encoding.
void Save(const std::string& fileName, const TIniLines& ini) {
  std::string text = ini.Utf8 ? std::string(Utf8Mark) : std::string();
  for (const TIniLine& line : ini.Lines) {
    if (line.FromFile)
      text += line.Original;
    else
      text += ini.Utf8 ? GbkToUtf8(line.Text) : line.Text;
    text += ini.LineBreak;
  }
  ReplaceFile(fileName, text);
}

// True for a "[name]" line, with the name between the brackets (up to the first "]" that is a
// character of its own, or to the end without one), blanks around it removed.
bool IsHeader(const std::string& line, std::string& name) {
  std::string trimmed = TrimBoth(line);
  if (trimmed.empty() || trimmed[0] != '[') return false;
  size_t close = FindChar(trimmed, ']', 1);
  name = TrimBoth(std::string_view(trimmed).substr(1, close == std::string::npos ? std::string::npos
                                                                                  : close - 1));
  return true;
}

// True for an entry line, with its name and its raw value (blanks around both removed).
bool IsEntry(const std::string& line, std::string& name, std::string& value) {
  size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  std::string trimmed = LTrim(line);
  if (!trimmed.empty() && trimmed[0] == ';') return false;
  name = TrimBoth(std::string_view(line).substr(0, equals));
  value = TrimBoth(std::string_view(line).substr(equals + 1));
  return true;
}

// The value as the profile rules give it: a pair of enclosing quotes removed.
std::string Unquoted(std::string value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

// The line index of the first header of the section, or -1.
int FindSection(const TIniLines& ini, std::string_view section) {
  std::string name;
  for (int i = 0; i < ini.Count(); ++i)
    if (IsHeader(ini[i], name) && SameText(name, section)) return i;
  return -1;
}

// The index just past the section whose header is at header: the next header, or the end.
int SectionEnd(const TIniLines& ini, int header) {
  std::string name;
  int i = header + 1;
  while (i < ini.Count() && !IsHeader(ini[i], name)) ++i;
  return i;
}

// The line index of the first entry of that name in the section at header, or -1.
int FindEntry(const TIniLines& ini, int header, std::string_view entry) {
  std::string name, value;
  int end = SectionEnd(ini, header);
  for (int i = header + 1; i < end; ++i)
    if (IsEntry(ini[i], name, value) && SameText(name, entry)) return i;
  return -1;
}

// Calls visit(name, value) for every entry of the first section of that name.
template <class F>
void ForEachEntry(const TIniLines& ini, std::string_view section, F visit) {
  int header = FindSection(ini, section);
  if (header < 0) return;
  std::string name, value;
  int end = SectionEnd(ini, header);
  for (int i = header + 1; i < end; ++i)
    if (IsEntry(ini[i], name, value)) visit(name, value);
}

// Text for one line of the file: line breaks would split it, so they become blanks.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

void SetEntry(TIniLines& ini, std::string_view section, std::string_view name,
              std::string_view value) {
  std::string line = OneLine(name) + "=" + OneLine(value);
  int header = FindSection(ini, section);
  if (header < 0) {
    ini.Lines.emplace_back("[" + OneLine(section) + "]");
    ini.Lines.emplace_back(std::move(line));
    return;
  }
  int entry = FindEntry(ini, header, name);
  if (entry >= 0) {
    ini.Lines[static_cast<size_t>(entry)] = TIniLine(std::move(line));
    return;
  }
  // After the last entry of the section, so that blank lines and notes that introduce the
  // next section stay with it.
  int at = header + 1;
  std::string entryName, entryValue;
  for (int i = header + 1, end = SectionEnd(ini, header); i < end; ++i)
    if (IsEntry(ini[i], entryName, entryValue)) at = i + 1;
  ini.Lines.insert(ini.Lines.begin() + at, TIniLine(std::move(line)));
}

void RemoveSection(TIniLines& ini, std::string_view section) {
  int header = FindSection(ini, section);
  if (header >= 0)
    ini.Lines.erase(ini.Lines.begin() + header, ini.Lines.begin() + SectionEnd(ini, header));
}

// The stored text of the entry; false when absent.
bool ReadRaw(const std::string& fileName, std::string_view section, std::string_view name,
             std::string& value) {
  TIniLines ini = Load(fileName);
  int header = FindSection(ini, section);
  if (header < 0) return false;
  int entry = FindEntry(ini, header, name);
  if (entry < 0) return false;
  std::string entryName;
  IsEntry(ini[entry], entryName, value);
  value = Unquoted(std::move(value));
  return true;
}

void SplitNote(const std::string& stored, std::string& value, std::string& note) {
  size_t semicolon = stored.find(';');
  value = stored.substr(0, semicolon);
  note = semicolon == std::string::npos ? std::string() : stored.substr(semicolon + 1);
}

}  // namespace

void TIniFile::ReadStrNote(std::string_view section, std::string_view name, std::string& value,
                           std::string& note, std::string_view defaultValue) {
  std::string stored;
  if (!ReadRaw(Name, section, name, stored)) stored = std::string(defaultValue);
  SplitNote(stored, value, note);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view name,
                                 std::string_view defaultValue) {
  std::string value, note;
  ReadStrNote(section, name, value, note, defaultValue);
  return value;
}

std::string TIniFile::ReadNote(std::string_view section, std::string_view name) {
  std::string value, note;
  ReadStrNote(section, name, value, note, "");
  return note;
}

int32_t TIniFile::ReadIntNote(std::string_view section, std::string_view name, std::string& note,
                              int32_t defaultValue) {
  std::string value;
  ReadStrNote(section, name, value, note, "");
  value = Trim(value);
  if (value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X'))
    value.replace(0, 2, "$");
  if (value.empty()) return defaultValue;
  try {
    return StrToInt(value);
  } catch (const EConvertError&) {
    return defaultValue;
  }
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view name,
                              int32_t defaultValue) {
  std::string note;
  return ReadIntNote(section, name, note, defaultValue);
}

bool TIniFile::ReadBoolNote(std::string_view section, std::string_view name, std::string& note,
                            bool defaultValue) {
  return ReadIntNote(section, name, note, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view name, bool defaultValue) {
  std::string note;
  return ReadBoolNote(section, name, note, defaultValue);
}

bool TIniFile::SectionExists(std::string_view section) {
  return FindSection(Load(Name), section) >= 0;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view name) {
  std::string value;
  return ReadRaw(Name, section, name, value);
}

void TIniFile::ReadSection(std::string_view section, TStringList& names) {
  TIniLines ini = Load(Name);
  names.BeginUpdate();
  names.Clear();
  ForEachEntry(ini, section, [&](const std::string& name, const std::string&) { names.Add(name); });
  names.EndUpdate();
}

void TIniFile::ReadSections(TStringList& names) {
  TIniLines ini = Load(Name);
  names.BeginUpdate();
  names.Clear();
  std::string name;
  for (const TIniLine& line : ini.Lines)
    if (IsHeader(line.Text, name)) names.Add(name);
  names.EndUpdate();
}

void TIniFile::ReadSectionValues(std::string_view section, TStringList& strings) {
  TIniLines ini = Load(Name);
  strings.BeginUpdate();
  strings.Clear();
  ForEachEntry(ini, section, [&](const std::string& name, const std::string& value) {
    strings.Add(name + "=" + Unquoted(value));
  });
  strings.EndUpdate();
}

void TIniFile::ReadSectionNotes(std::string_view section, TStringList& strings) {
  TIniLines ini = Load(Name);
  strings.BeginUpdate();
  // The first entry of a name is the one every reading finds.
  TStringList seen;
  ForEachEntry(ini, section, [&](const std::string& name, const std::string& stored) {
    if (seen.IndexOf(name) >= 0) return;
    seen.Add(name);
    std::string value, note;
    SplitNote(Unquoted(stored), value, note);
    strings.SetValue(name, value + ";" + note);
  });
  strings.EndUpdate();
}

void TIniFile::ReadLines(TStringList& lines) {
  TIniLines ini = Load(Name);
  lines.BeginUpdate();
  lines.Clear();
  for (const TIniLine& line : ini.Lines) lines.Add(line.Text);
  lines.EndUpdate();
}

void TIniFile::WriteString(std::string_view section, std::string_view name,
                           std::string_view value) {
  TIniLines ini = Load(Name);
  SetEntry(ini, section, name, value);
  Save(Name, ini);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view name, int32_t value) {
  WriteString(section, name, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view name, bool value) {
  WriteString(section, name, value ? "1" : "0");
}

void TIniFile::WriteSection(std::string_view section, const TStringList* strings) {
  TIniLines ini = Load(Name);
  RemoveSection(ini, section);
  if (strings) {
    for (int i = 0; i < strings->Count(); ++i) {
      const std::string& item = strings->Get(i);
      std::string name = SParam(item, "=", 0);
      if (TrimBoth(name).empty()) continue;
      SetEntry(ini, section, name, SParam(item, "=", 1));
    }
  }
  Save(Name, ini);
}

void TIniFile::EraseSection(std::string_view section) {
  TIniLines ini = Load(Name);
  if (FindSection(ini, section) < 0) return;
  RemoveSection(ini, section);
  Save(Name, ini);
}

void TIniFile::DeleteKey(std::string_view section, std::string_view name) {
  TIniLines ini = Load(Name);
  int header = FindSection(ini, section);
  int entry = header < 0 ? -1 : FindEntry(ini, header, name);
  if (entry < 0) return;
  ini.Lines.erase(ini.Lines.begin() + entry);
  Save(Name, ini);
}

void TIniFile::WriteText(std::string_view text) { ReplaceFile(Name, text); }

}  // namespace qnexp
