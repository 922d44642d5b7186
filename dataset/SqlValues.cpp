// What the SQLite and PostgreSQL engines share: identifier quoting, text conversion from the
// database, field-type classes and the ISO texts dates and times are kept as.
#include <algorithm>
#include <cstdio>

#include "dataset/SqlEngine.h"
#include "runtime/DateTime.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

// The next UTF-8 character's length from its lead byte (1 for a stray byte).
size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

bool IsServerText(const std::string& text) {
  return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0 ||
         text.find("dbname=") != std::string::npos || text.find("host=") != std::string::npos;
}

std::string DatabaseTextToGbk(const std::string& utf8) {
  try {
    return Utf8ToGbk(utf8);
  } catch (const Exception&) {
  }
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    try {
      out += Utf8ToGbk(std::string_view(utf8).substr(i, n));
    } catch (const Exception&) {
      out += '?';
    }
    i += n;
  }
  return out;
}

std::string QuoteIdentifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

bool ParseIsoDateTime(const std::string& text, double& result) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0, used = 0;
  TDateTime date = 0, time = 0;
  const char* p = text.c_str();
  if (std::sscanf(p, "%4d-%2d-%2d%n", &y, &mo, &d, &used) == 3) {
    if (!TryEncodeDate(y, mo, d, date)) return false;
    p += used;
    if (*p == 0) {
      result = date;
      return true;
    }
    if (*p != ' ' && *p != 'T') return false;
    ++p;
  }
  used = 0;
  int n = std::sscanf(p, "%2d:%2d:%2d%n", &h, &mi, &s, &used);
  if (n < 3) {
    used = 0;
    if (std::sscanf(p, "%2d:%2d%n", &h, &mi, &used) < 2) return false;
    s = 0;
  }
  p += used;
  if (*p == '.') {
    ++p;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
      if (digits < 3) ms = ms * 10 + (*p - '0');
      ++digits;
      ++p;
    }
    for (; digits < 3; ++digits) ms *= 10;
  }
  if (*p != 0 || !TryEncodeTime(h, mi, s, ms, time)) return false;
  result = date < 0 ? date - time : date + time;
  return true;
}

std::string IsoText(TFieldType type, double value) {
  switch (type) {
    case ftDate:
      return FormatDateTime("yyyy\"-\"mm\"-\"dd", value);
    case ftTime:
      return FormatDateTime("hh\":\"nn\":\"ss", value);
    default:
      return FormatDateTime("yyyy\"-\"mm\"-\"dd hh\":\"nn\":\"ss", value);
  }
}

}  // namespace qnexp
