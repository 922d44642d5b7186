// INI files read and written with the private-profile rules, whose values may carry a note
// after ";". Texts and file names are GBK. Single-threaded.
//
// The file is read afresh by every call and every change rewrites it whole, atomically (a
// temporary file beside it, then a rename), so a failure never leaves a half-written file.
// Rules: "[name]" starts a section; "name=value" lines hold the entries; section and entry
// names are compared without regard to the case of a to z, and the first match wins; names and
// values lose blanks around them when read, and a value enclosed in a pair of the same quote
// (' or ") loses the quotes; lines starting with ";" and lines without "=" are not entries; a
// missing file reads as empty and is created by the first change. Lines may end in CR LF, LF
// or CR; a rewritten file keeps the line end it had (CR LF for a new one). A file that starts
// with the UTF-8 byte-order mark is read as UTF-8 and written back so, with its mark: a
// character GBK lacks (or a byte that is not UTF-8) reads as "?", and every line that a change
// does not replace is written back byte for byte, whatever it holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Exception.h"
#include "runtime/Object.h"

namespace qnexp {

class TStringList;

// A change that could not be written: "Unable to write to %s" with the file name.
class EIniFileException : public Exception {
public:
  explicit EIniFileException(std::string message) : Exception(std::move(message)) {}
};

// An INI file bound to one file name. Reading a file that exists but cannot be read raises
// EFOpenError "Cannot open file "%s". %s"; reading a missing file gives the defaults. Every
// change that cannot be written raises EIniFileException and leaves the file as it was.
// Line breaks inside a section name, an entry name or a value would start new lines of the
// file, so they are written as blanks.
class TIniFile : public TObject {
  QN_CLASS(TIniFile, TObject)
public:
  TIniFile() = default;
  explicit TIniFile(std::string fileName) : Name(std::move(fileName)) {}

  const std::string& FileName() const { return Name; }

  // The stored text of the entry (defaultValue when absent) split at its first ";": value
  // the part before it, note the part after it (empty without ";").
  void ReadStrNote(std::string_view section, std::string_view name, std::string& value,
                   std::string& note, std::string_view defaultValue);
  // The value of ReadStrNote: every reading through this class drops notes.
  std::string ReadString(std::string_view section, std::string_view name,
                         std::string_view defaultValue);
  // The note of ReadStrNote with an empty default.
  std::string ReadNote(std::string_view section, std::string_view name);
  // The value without trailing blanks, "0x" or "0X" in front read as hexadecimal; the integer,
  // or defaultValue when the value is empty or not an integer of 32 bits.
  int32_t ReadIntNote(std::string_view section, std::string_view name, std::string& note,
                      int32_t defaultValue);
  int32_t ReadInteger(std::string_view section, std::string_view name, int32_t defaultValue);
  // True when the integer reading (with defaultValue as 1 or 0) is not zero.
  bool ReadBoolNote(std::string_view section, std::string_view name, std::string& note,
                    bool defaultValue);
  bool ReadBool(std::string_view section, std::string_view name, bool defaultValue);

  // True when the section, or the entry in it, exists.
  bool SectionExists(std::string_view section);
  bool ValueExists(std::string_view section, std::string_view name);
  // Clears names and fills it with the entry names of the section, in file order.
  void ReadSection(std::string_view section, TStringList& names);
  // Clears names and fills it with the names of all sections, in file order.
  void ReadSections(TStringList& names);
  // Clears strings and fills it with "name=value" of every entry of the section, notes kept.
  void ReadSectionValues(std::string_view section, TStringList& strings);
  // For every entry of the section, sets the value of its name in strings (SetValue) to the
  // value, ";" and the note; strings is not cleared first.
  void ReadSectionNotes(std::string_view section, TStringList& strings);
  // Clears lines and fills it with every line of the file as it stands; empty for a missing
  // file.
  void ReadLines(TStringList& lines);

  // Sets the entry, adding it at the end of its section, or the section at the end of the
  // file, when missing.
  void WriteString(std::string_view section, std::string_view name, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view name, int32_t value);
  void WriteBool(std::string_view section, std::string_view name, bool value);
  // Erases the whole section, then writes, for every item of strings (none when null), the
  // entry named by field 0 of the item split at "=" (quotes protecting the separator) with
  // field 1 as its value. Items with an empty name are skipped. One rewrite of the file.
  void WriteSection(std::string_view section, const TStringList* strings);
  // Removes the first section of that name with all its lines; nothing when absent.
  void EraseSection(std::string_view section);
  // Removes the entry's line; nothing when absent.
  void DeleteKey(std::string_view section, std::string_view name);
  // Replaces the whole file with text, byte for byte.
  void WriteText(std::string_view text);

private:
  std::string Name;
};

}  // namespace qnexp
