// The line editor reads and shows characters as the C library's character locale says; in the
// C locale it drops every byte above 127, so the editor gets a locale of the terminal's
// encoding, whatever the environment names: UTF-8, or GBK from the system or the one the
// build makes beside the program (<ProgramDir>/../lib/locale). Where no GBK locale can be had,
// a GBK terminal's bytes are decoded here and the editor works in UTF-8: input stays whole,
// only the echo is then not in GBK.
#include "cli/LineEditor.h"

#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>

#include <editline/readline.h>

#include "core/Abort.h"
#include "platform/OsText.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "support/ExpressDirs.h"

namespace qnexp::cli {

namespace {

// The editor works in UTF-8 but the terminal speaks GBK: its bytes are decoded by ReadGbkChar
// and the lines converted back.
bool GbkThroughUtf8 = false;

bool LocaleIs(const char* name, std::initializer_list<const char*> codesets) {
  if (!std::setlocale(LC_CTYPE, name)) return false;
  for (const char* codeset : codesets)
    if (std::strcmp(nl_langinfo(CODESET), codeset) == 0) return true;
  return false;
}

// A GBK locale from the system, else the one made by the build beside the program.
bool UseGbkLocale() {
  for (const char* name : {"", "zh_CN.GBK", "zh_CN.gbk", "zh_CN.GB18030"})
    if (LocaleIs(name, {"GBK", "GB18030"})) return true;
  // The locale path is needed while the locale loads only; started programs must not
  // inherit it, or their own locales would be looked for there.
  const char* previous = std::getenv("LOCPATH");
  std::optional<std::string> saved;
  if (previous) saved = previous;
  std::string folder = ToOsPath(GetExpressDir(0) + "/../lib/locale");
  setenv("LOCPATH", folder.c_str(), 1);
  bool found = LocaleIs("zh_CN.GBK", {"GBK"});
  if (saved)
    setenv("LOCPATH", saved->c_str(), 1);
  else
    unsetenv("LOCPATH");
  return found;
}

bool UseUtf8Locale() {
  for (const char* name : {"", "C.UTF-8", "C.utf8", "en_US.UTF-8"})
    if (LocaleIs(name, {"UTF-8"})) return true;
  return false;
}

// One byte of the terminal; false at the end of input, and when Ctrl+C interrupts the read.
int Pushback = -1;
bool ReadByte(int fd, unsigned char& byte) {
  if (Pushback >= 0) {
    byte = static_cast<unsigned char>(Pushback);
    Pushback = -1;
    return true;
  }
  for (;;) {
    ssize_t n = read(fd, &byte, 1);
    if (n == 1) return true;
    if (n < 0 && errno == EINTR && !AbortRequested()) continue;
    return false;
  }
}

// The code point of a valid UTF-8 sequence.
int CodePoint(const std::string& utf8) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(utf8[i]); };
  switch (utf8.size()) {
    case 1: return byte(0);
    case 2: return (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
    case 3: return (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
    default: return 0xFFFD;
  }
}

// One character of a GBK terminal as the code point the editor keeps; EOF at the end. A byte
// that starts no GBK character reads as U+FFFD.
int ReadGbkChar(FILE* in) {
  int fd = fileno(in);
  unsigned char lead, trail;
  if (!ReadByte(fd, lead)) return EOF;
  if (lead < 0x80) return lead;
  if (!IsLeadByte(lead)) return 0xFFFD;
  if (!ReadByte(fd, trail)) return EOF;
  if (!IsTrailByte(trail)) {
    Pushback = trail;
    return 0xFFFD;
  }
  char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  return CodePoint(GbkToUtf8Lenient(std::string_view(pair, 2)));
}

}  // namespace

void StartLineEditor(bool gbk) {
  if (gbk && !UseGbkLocale()) {
    GbkThroughUtf8 = true;
    rl_getc_function = ReadGbkChar;
  }
  if (!gbk || GbkThroughUtf8) UseUtf8Locale();
}

bool ReadEditedLine(std::string& line) {
  for (;;) {
    char* text = readline("qnexp> ");
    if (!text) {
      if (!AbortRequested()) {
        std::cout << std::endl;  // the shell's prompt starts on a line of its own
        return false;
      }
      ClearAbort();
      std::cout << std::endl;
      continue;
    }
    line = text;
    if (!line.empty()) add_history(text);
    std::free(text);
    if (GbkThroughUtf8) line = Utf8ToGbkLenient(line);
    return true;
  }
}

}  // namespace qnexp::cli
