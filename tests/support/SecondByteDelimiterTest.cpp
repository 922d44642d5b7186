// Every scanner that looks for an ASCII delimiter walks whole characters: a character whose
// second byte is the delimiter ("]", "[", "}", "{", "\", "~", "|", "@") never ends a field, a
// name, a comment or a reference, and a stray lead byte before a delimiter that no character
// can end with ("'", '"', "=", ";", ",") never swallows it. The scanners live in runtime/,
// platform/ and support/; one table holds them all because they share the one rule.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/OsText.h"
#include "platform/Spawn.h"
#include "runtime/DateTime.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/Stream.h"
#include "runtime/StringList.h"
#include "support/Macros.h"
#include "support/Money.h"
#include "support/ObjStream.h"
#include "support/QnStringList.h"
#include "support/SplitStr.h"
#include "support/StrFuncs.h"
#include "support/Wildcard.h"

using namespace qnexp;

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

// Characters of the extension area (first byte 0x81) whose second byte is a delimiter; under
// a lead-byte rule of 0xA0 and above they were split, so each row below failed before.
const std::string kOpenBracket = G("乕");   // 81 5B
const std::string kBackslash = G("乗");     // 81 5C
const std::string kCloseBracket = G("乚");  // 81 5D
const std::string kOpenBrace = G("亄");     // 81 7B
const std::string kBar = G("亅");           // 81 7C
const std::string kCloseBrace = G("亇");    // 81 7D
const std::string kTilde = G("亊");         // 81 7E
const std::string kAt = G("丂");            // 81 40
const std::string kLetterD = G("乨");       // 81 64: looks like the date pattern letter d
// A lead byte before a byte that no character ends with stays a character of its own.
const std::string kStray = "\x81";

std::string Joined(const TStringList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i) out += (i ? "|" : "") + list.Get(i);
  return out;
}

std::string Expand(char start, char end, const std::string& name, const std::string& text) {
  TMacros set;
  set.StartSign = start;
  set.EndSign = end;
  set.SetMacroText(name, "v");
  std::string expanded = text;
  set.CheckStr(expanded);
  return expanded;
}

// An item through the object stream's text form and back.
std::string ThroughTextForm(const std::string& item) {
  TQnStringList list;
  list.Add(item);
  TMemoryStream text;
  SaveObjectToTextStream(&list, text);
  text.SetPosition(0);
  std::unique_ptr<TObject> loaded(LoadObjectFromTextStream(text));
  auto* copy = dynamic_cast<TQnStringList*>(loaded.get());
  return copy && copy->Count() == 1 ? copy->Get(0) : "(lost)";
}

struct TRow {
  const char* Scanner;
  std::function<std::string()> Run;
  std::string Expected;
};

}  // namespace

TEST(SecondByteDelimiter, ScannersWalkWholeCharacters) {
  const TRow rows[] = {
      // Quote-aware splitting and the scanners of support/SplitStr.
      {"SParam |", [] { return SParam(kBar + "|b", "|", 1); }, "b"},
      {"SParam ~", [] { return SParam(kTilde + "~b", "~", 0); }, kTilde},
      {"SParam @", [] { return SParam(kAt + "@b", "@", 1); }, "b"},
      {"SParam \\", [] { return SParam(kBackslash + "\\b", "\\", 0); }, kBackslash},
      {"SParam ,", [] { return SParam(kStray + ",b", ",", 1); }, "b"},
      {"SubStrCount ;", [] { return std::to_string(SubStrCount(kStray + ";b", ";")); }, "2"},
      {"SParam ' =", [] { return SParam("'" + kStray + "'=b", "=", 1); }, "b"},
      {"ConstToStr '", [] { std::string s = "'a" + kStray + "'+'b' x"; return ConstToStr(s); },
       "a" + kStray + "b"},
      {"RPos }", [] { return std::to_string(RPos('}', kCloseBrace + "}")); }, "3"},
      {"RPos ]", [] { return std::to_string(RPos(']', kCloseBracket)); }, "0"},
      {"FindText {", [] { return std::to_string(FindText(kOpenBrace + "{", "{")); }, "3"},
      {"CutNoteStr {}",
       [] {
         std::string s = "a{x" + kOpenBrace + "}b{" + kCloseBrace + "}c", notes;
         CutNoteStr(s, notes);
         return s + "|" + notes;
       },
       "abc|x" + kOpenBrace + kCloseBrace},
      // The plain and keyed string lists.
      {"Names =",
       [] {
         TStringList list;
         list.Add("k" + kStray + "=v");
         return list.Names(0) + "|" + list.ValueFromIndex(0);
       },
       "k" + kStray + "|v"},
      {"Values |",
       [] {
         TStringList list;
         list.NameValueSeparator = '|';
         list.Add(kBar + "|v");
         return list.Values(kBar);
       },
       "v"},
      {"DelimitedText |",
       [] {
         TStringList list;
         list.Delimiter = '|';
         list.SetDelimitedText(kBar + "|b");
         return Joined(list);
       },
       kBar + "|b"},
      {"CommaText \"",
       [] {
         TStringList list;
         list.SetCommaText("\"a" + kStray + "\",b");
         return Joined(list);
       },
       "a" + kStray + "|b"},
      {"LoadSections [",
       [] {
         TQnStringList list, section;
         list.SetText(kOpenBracket + "a]\r\nk=1\r\n[b]\r\nj=2\r\n");
         list.LoadSections("a", section);
         return std::to_string(section.Count());
       },
       "0"},
      // Wildcards and pattern lists.
      {"LikeAny |", [] { return LikeAny("b", kBar + "|b", '|', true) ? "Yes" : "No"; }, "Yes"},
      {"LikeAny ~", [] { return LikeAny(kTilde, kTilde + "~b", '~', true) ? "Yes" : "No"; },
       "Yes"},
      // Macro references with each pair of signs.
      {"macro ~~", [] { return Expand('~', '~', kTilde, "<~" + kTilde + "~>"); }, "<v>"},
      {"macro []",
       [] { return Expand('[', ']', kCloseBracket, kOpenBracket + "[" + kCloseBracket + "]"); },
       kOpenBracket + "v"},
      {"macro {}", [] { return Expand('{', '}', kOpenBrace + kCloseBrace, "{" + kOpenBrace + kCloseBrace + "}"); },
       "v"},
      {"macro ||", [] { return Expand('|', '|', kBar, "|" + kBar + "|"); }, "v"},
      {"macro @@", [] { return Expand('@', '@', kAt, "@" + kAt + "@"); }, "v"},
      {"macro \\\\", [] { return Expand('\\', '\\', kBackslash, "\\" + kBackslash + "\\"); },
       "v"},
      // The object stream's text form.
      {"text form",
       [] { return ThroughTextForm(kOpenBracket + kCloseBracket + kOpenBrace + "'" + kStray + "'" + kStray); },
       kOpenBracket + kCloseBracket + kOpenBrace + "'" + kStray + "'" + kStray},
      // Command lines and paths.
      {"SplitCommandLine \" \\",
       [] {
         std::string joined;
         for (const std::string& argument : SplitCommandLine(kBar + " \"" + kBackslash + " b\""))
           joined += "<" + argument + ">";
         return joined;
       },
       "<" + kBar + "><" + kBackslash + " b>"},
      {"ForwardSlashes \\", [] { return ForwardSlashes(kBackslash + "\\x"); }, kBackslash + "/x"},
      {"IsAddress \\", [] { return IsAddress("ab" + kBackslash + ":x") ? "Yes" : "No"; }, "Yes"},
      // Money formats: "~", "@" and "^" are directives, but not inside a character.
      {"FormatMoney ~", [] { return FormatMoney(1, kTilde + "#"); }, kTilde + FormatMoney(1, "#")},
      {"FormatMoney @", [] { return FormatMoney(1, kAt + "#"); }, kAt + FormatMoney(1, "#")},
      // Date patterns: a character whose second byte is a pattern letter prints as it is.
      {"FormatDateTime d",
       [] { return FormatDateTime(kLetterD + "yyyy", EncodeDate(2024, 3, 5)); },
       kLetterD + "2024"},
      {"FormatDateTime '",
       [] { return FormatDateTime("'a" + kStray + "'yyyy", EncodeDate(2024, 3, 5)); },
       "a" + kStray + "2024"},
      // Format's text precision never keeps half a character.
      {"Format %.1s", [] { return Format("%.1s|%.2s", {kAt, kAt + "x"}); }, "|" + kAt},
  };
  for (const TRow& row : rows) EXPECT_EQ(row.Run(), row.Expected) << row.Scanner;
}
