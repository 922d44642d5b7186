// The text form of object streams read back into the binary form: a tokenizer that accepts
// identifiers with two-byte characters, and a recursive-descent converter over it.
#include <charconv>
#include <cmath>
#include <limits>

#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/Stream.h"
#include "support/ObjCreators.h"
#include "support/ObjStream.h"
#include "support/ObjText.h"
#include "support/ObjWriter.h"

namespace qnexp {

namespace {

enum TTokenKind : uint8_t {
  tkEnd,     // no more text
  tkSymbol,  // one punctuation byte
  tkIdent,   // identifier, possibly dotted
  tkString,  // quoted pieces and #number characters, already joined
  tkInteger,
  tkFloat,   // with its suffix in FloatSuffix (0, 'c', 'd' or 's')
};

// Splits the text into tokens. Identifiers start with a letter, "_" or a byte from 0x80 up
// (a two-byte character, or a byte of its own); they go on with letters, digits, "_", such
// characters and dots.
class TChineseParser {
public:
  explicit TChineseParser(std::string text) : Text(std::move(text)) { Next(); }

  TTokenKind Kind = tkEnd;
  std::string Token;       // identifier text, string value, or number text
  char Symbol = 0;
  char FloatSuffix = 0;
  int Line = 1;

  void Next() {
    SkipBlanks();
    TokenLine = Line;
    FloatSuffix = 0;
    Token.clear();
    if (Pos >= Text.size()) {
      Kind = tkEnd;
      return;
    }
    auto c = static_cast<unsigned char>(Text[Pos]);
    if (IsIdentStart(c)) {
      ScanIdent();
    } else if (c == '\'' || c == '#') {
      ScanString();
    } else if (IsDigit(c) || ((c == '-' || c == '+') && Pos + 1 < Text.size() &&
                              IsDigit(static_cast<unsigned char>(Text[Pos + 1])))) {
      ScanNumber();
    } else if (c == '$') {
      ScanHex();
    } else {
      Kind = tkSymbol;
      Symbol = static_cast<char>(c);
      ++Pos;
    }
  }

  [[noreturn]] void Error(const std::string& what) const {
    throw EParserError(Format("Line %d: %s", {TokenLine, what}));
  }

  bool IsSymbol(char c) const { return Kind == tkSymbol && Symbol == c; }
  bool IsWord(std::string_view word) const {
    if (Kind != tkIdent || Token.size() != word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
      if (AsciiLower(Token[i]) != AsciiLower(word[i])) return false;
    return true;
  }
  void ExpectSymbol(char c) {
    if (!IsSymbol(c)) Error(std::string("'") + c + "' expected");
    Next();
  }
  std::string ExpectIdent() {
    if (Kind != tkIdent) Error("identifier expected");
    std::string name = std::move(Token);
    Next();
    return name;
  }

  // Hexadecimal digits up to '}', blanks between them allowed; the '}' is consumed.
  std::string ReadHexBlock() {
    std::string bytes;
    int high = -1;
    for (;;) {
      SkipBlanks();
      if (Pos >= Text.size()) Error("'}' expected");
      char c = Text[Pos++];
      if (c == '}') break;
      int digit = HexDigit(c);
      if (digit < 0) Error("hexadecimal digit expected");
      if (high < 0) {
        high = digit;
      } else {
        bytes += static_cast<char>(high * 16 + digit);
        high = -1;
      }
    }
    if (high >= 0) Error("odd number of hexadecimal digits");
    Next();
    return bytes;
  }

private:
  static bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
  static bool IsIdentStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
  }
  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  }

  void SkipBlanks() {
    while (Pos < Text.size()) {
      char c = Text[Pos];
      if (c == '\n') {
        ++Line;
      } else if (c == '\r') {
        if (Pos + 1 >= Text.size() || Text[Pos + 1] != '\n') ++Line;
      } else if (c != ' ' && c != '\t' && c != '\f' && c != '\v') {
        break;
      }
      ++Pos;
    }
  }

  void ScanIdent() {
    Kind = tkIdent;
    while (Pos < Text.size()) {
      auto c = static_cast<unsigned char>(Text[Pos]);
      if (c >= 0x80) {
        size_t size = CharSize(Text, Pos);
        Token.append(Text, Pos, size);
        Pos += size;
      } else if (IsIdentStart(c) || IsDigit(c) || c == '.') {
        Token += Text[Pos++];
      } else {
        break;
      }
    }
  }

  // Quoted pieces ('' inside a piece is one quote) and #number characters, adjacent to one
  // another, form one string; bytes are taken as they are.
  void ScanString() {
    Kind = tkString;
    while (Pos < Text.size()) {
      if (Text[Pos] == '\'') {
        ++Pos;
        for (;;) {
          if (Pos >= Text.size() || Text[Pos] == '\n' || Text[Pos] == '\r')
            Error("unterminated string");
          if (Text[Pos] == '\'') {
            if (Pos + 1 < Text.size() && Text[Pos + 1] == '\'') {
              Token += '\'';
              Pos += 2;
              continue;
            }
            ++Pos;
            break;
          }
          Token += Text[Pos++];
        }
      } else if (Text[Pos] == '#') {
        ++Pos;
        int value = 0;
        size_t start = Pos;
        while (Pos < Text.size() && IsDigit(static_cast<unsigned char>(Text[Pos]))) {
          value = value * 10 + (Text[Pos++] - '0');
          if (value > 255) Error("character code above 255");
        }
        if (Pos == start) Error("character code expected");
        Token += static_cast<char>(value);
      } else {
        break;
      }
    }
  }

  void ScanNumber() {
    size_t start = Pos;
    if (Text[Pos] == '-' || Text[Pos] == '+') ++Pos;
    bool isFloat = false;
    auto digits = [&] {
      size_t from = Pos;
      while (Pos < Text.size() && IsDigit(static_cast<unsigned char>(Text[Pos]))) ++Pos;
      return Pos > from;
    };
    digits();
    if (Pos < Text.size() && Text[Pos] == '.') {
      ++Pos;
      isFloat = true;
      if (!digits()) Error("invalid number");
    }
    if (Pos < Text.size() && (Text[Pos] == 'e' || Text[Pos] == 'E')) {
      ++Pos;
      isFloat = true;
      if (Pos < Text.size() && (Text[Pos] == '-' || Text[Pos] == '+')) ++Pos;
      if (!digits()) Error("invalid number");
    }
    Token.assign(Text, start, Pos - start);
    if (Token[0] == '+') Token.erase(0, 1);
    Kind = isFloat ? tkFloat : tkInteger;
    if (Pos < Text.size()) {
      char suffix = AsciiLower(Text[Pos]);
      if (suffix == 'c' || suffix == 'd' || suffix == 's') {
        FloatSuffix = suffix;
        Kind = tkFloat;
        ++Pos;
      }
    }
    if (Pos < Text.size()) {
      auto c = static_cast<unsigned char>(Text[Pos]);
      if (IsIdentStart(c) || IsDigit(c) || c == '.') Error("invalid number");
    }
  }

  void ScanHex() {
    ++Pos;
    size_t start = Pos;
    while (Pos < Text.size() && HexDigit(Text[Pos]) >= 0) ++Pos;
    if (Pos == start || Pos - start > 16) Error("invalid hexadecimal number");
    uint64_t value = 0;
    for (size_t i = start; i < Pos; ++i) value = value * 16 + static_cast<uint64_t>(HexDigit(Text[i]));
    Kind = tkInteger;
    // "$FFFFFFFF" is the 32-bit pattern, as the classic notation means it.
    int64_t signedValue = Pos - start <= 8 ? static_cast<int32_t>(static_cast<uint32_t>(value))
                                           : static_cast<int64_t>(value);
    Token = std::to_string(signedValue);
  }

  std::string Text;
  size_t Pos = 0;
  int TokenLine = 1;
};

class TTextToBinary {
public:
  TTextToBinary(std::string text, TStream& dest) : Parser(std::move(text)), Writer(dest) {}

  void Convert() {
    for (char c : ObjectSignature) Writer.WriteByte(static_cast<uint8_t>(c));
    if (Parser.Kind == tkEnd) {
      Writer.WriteByte(vaNull);
      return;
    }
    ConvertObject();
    if (Parser.Kind != tkEnd) Parser.Error("end of text expected");
  }

private:
  struct TDepthGuard {
    TDepthGuard(int& depth, const TChineseParser& parser) : Depth(depth) {
      if (Depth >= MaxObjectNesting) parser.Error("nesting too deep");
      ++Depth;
    }
    ~TDepthGuard() { --Depth; }
    int& Depth;
  };

  bool AtObjectStart() const { return Parser.IsWord("object") || Parser.IsWord("inherited"); }

  // object-block := ("object" | "inherited") [name ":"] class ["[" integer "]"]
  //                 property* object-block* "end"
  void ConvertObject() {
    TDepthGuard guard(Depth, Parser);
    if (!AtObjectStart()) Parser.Error("'object' expected");
    bool inherited = Parser.IsWord("inherited");
    Parser.Next();
    std::string name, className = Parser.ExpectIdent();
    if (Parser.IsSymbol(':')) {
      Parser.Next();
      name = std::move(className);
      className = Parser.ExpectIdent();
    }
    bool indexed = false;
    int64_t index = 0;
    if (Parser.IsSymbol('[')) {
      Parser.Next();
      index = IntegerToken();
      Parser.ExpectSymbol(']');
      indexed = true;
    }
    if (inherited || indexed) {
      Writer.WriteByte(static_cast<uint8_t>(0xF0 | (inherited ? 1 : 0) | (indexed ? 2 : 0)));
      if (indexed) Writer.WriteInteger(index);
    }
    Writer.WriteStr(className);
    Writer.WriteStr(name);
    while (Parser.Kind != tkEnd && !Parser.IsWord("end") && !AtObjectStart()) ConvertProperty();
    Writer.WriteListEnd();
    bool childList = HasChildList(className);
    while (AtObjectStart()) {
      if (!childList) Parser.Error("object of class " + className + " cannot hold objects");
      ConvertObject();
    }
    if (!Parser.IsWord("end")) Parser.Error("'end' expected");
    Parser.Next();
    if (childList) Writer.WriteListEnd();
  }

  static bool HasChildList(const std::string& className) {
    try {
      return ObjectHasChildList(className);
    } catch (const EClassNotFound&) {
      return true;
    }
  }

  // property := name "=" value
  void ConvertProperty() {
    std::string name = Parser.ExpectIdent();
    Parser.ExpectSymbol('=');
    Writer.WriteStr(name);
    ConvertValue();
  }

  int64_t IntegerToken() {
    if (Parser.Kind != tkInteger) Parser.Error("integer expected");
    int64_t value = 0;
    auto result = std::from_chars(Parser.Token.data(), Parser.Token.data() + Parser.Token.size(),
                                  value);
    if (result.ec != std::errc() || result.ptr != Parser.Token.data() + Parser.Token.size())
      Parser.Error("integer out of range");
    Parser.Next();
    return value;
  }

  template <class T>
  T FloatOf(const std::string& text) {
    T value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(value))
      Parser.Error("invalid floating point number");
    return value;
  }

  // The exact currency value of a decimal text, times 10000 (further digits rounded half away
  // from zero).
  int64_t CurrencyOf(const std::string& text) {
    size_t i = 0;
    bool negative = text[0] == '-';
    if (negative) ++i;
    if (text.find_first_of("eE") != std::string::npos) {
      long double value = FloatOf<long double>(text) * 10000;
      value = std::round(value);
      if (!(value > -9.2233720368547758e18L && value < 9.2233720368547758e18L))
        Parser.Error("currency value out of range");
      return static_cast<int64_t>(value);
    }
    unsigned __int128 scaled = 0;
    int fractionDigits = -1;
    bool roundUp = false;
    for (; i < text.size(); ++i) {
      char c = text[i];
      if (c == '.') {
        fractionDigits = 0;
        continue;
      }
      if (fractionDigits >= 4) {
        if (fractionDigits == 4) roundUp = c >= '5';
        ++fractionDigits;
        continue;
      }
      scaled = scaled * 10 + static_cast<unsigned>(c - '0');
      if (fractionDigits >= 0) ++fractionDigits;
      if (scaled > (static_cast<unsigned __int128>(1) << 64)) Parser.Error("currency value out of range");
    }
    for (int d = fractionDigits < 0 ? 0 : fractionDigits; d < 4; ++d) scaled *= 10;
    if (roundUp) ++scaled;
    unsigned __int128 limit = static_cast<unsigned __int128>(INT64_MAX) + (negative ? 1 : 0);
    if (scaled > limit) Parser.Error("currency value out of range");
    return negative ? static_cast<int64_t>(0 - static_cast<uint64_t>(scaled))
                    : static_cast<int64_t>(scaled);
  }

  void ConvertValue() {
    TDepthGuard guard(Depth, Parser);
    switch (Parser.Kind) {
      case tkInteger:
        Writer.WriteInteger(IntegerToken());
        return;
      case tkFloat: {
        std::string text = std::move(Parser.Token);
        char suffix = Parser.FloatSuffix;
        if (suffix == 'c')
          Writer.WriteCurrency(CurrencyOf(text));
        else if (suffix == 'd')
          Writer.WriteDate(FloatOf<double>(text));
        else if (suffix == 's')
          Writer.WriteSingle(FloatOf<float>(text));
        else
          Writer.WriteFloat(FloatOf<long double>(text));
        Parser.Next();
        return;
      }
      case tkString: {
        std::string text = std::move(Parser.Token);
        Parser.Next();
        while (Parser.IsSymbol('+')) {
          Parser.Next();
          if (Parser.Kind != tkString) Parser.Error("string expected");
          text += Parser.Token;
          Parser.Next();
        }
        Writer.WriteString(text);
        return;
      }
      case tkIdent: {
        if (Parser.IsWord("True"))
          Writer.WriteBoolean(true);
        else if (Parser.IsWord("False"))
          Writer.WriteBoolean(false);
        else if (Parser.Token.size() > 255)
          Parser.Error("identifier too long");
        else
          Writer.WriteIdent(Parser.Token);
        Parser.Next();
        return;
      }
      case tkSymbol:
        break;
      case tkEnd:
        Parser.Error("value expected");
    }
    switch (Parser.Symbol) {
      case '[':
        ConvertSet();
        return;
      case '(':
        Parser.Next();
        Writer.WriteListBegin();
        while (!Parser.IsSymbol(')')) {
          if (Parser.Kind == tkEnd) Parser.Error("')' expected");
          ConvertValue();
        }
        Parser.Next();
        Writer.WriteListEnd();
        return;
      case '{': {
        std::string bytes = Parser.ReadHexBlock();
        if (bytes.size() > std::numeric_limits<uint32_t>::max()) Parser.Error("binary too long");
        Writer.WriteBinData(bytes.data(), static_cast<uint32_t>(bytes.size()));
        return;
      }
      case '<':
        ConvertCollection();
        return;
      default:
        Parser.Error("value expected");
    }
  }

  // set := "[" [name {"," name}] "]"
  void ConvertSet() {
    Parser.Next();
    Writer.WriteValue(vaSet);
    if (!Parser.IsSymbol(']')) {
      for (;;) {
        Writer.WriteStr(Parser.ExpectIdent());
        if (!Parser.IsSymbol(',')) break;
        Parser.Next();
      }
    }
    Parser.ExpectSymbol(']');
    Writer.WriteStr("");
  }

  // collection := "<" { "item" ["[" integer "]"] property* "end" } ">"
  void ConvertCollection() {
    Parser.Next();
    Writer.WriteValue(vaCollection);
    while (!Parser.IsSymbol('>')) {
      if (!Parser.IsWord("item")) Parser.Error("'item' expected");
      Parser.Next();
      if (Parser.IsSymbol('[')) {
        Parser.Next();
        Writer.WriteInteger(IntegerToken());
        Parser.ExpectSymbol(']');
      }
      Writer.WriteListBegin();
      while (!Parser.IsWord("end")) {
        if (Parser.Kind == tkEnd) Parser.Error("'end' expected");
        ConvertProperty();
      }
      Parser.Next();
      Writer.WriteListEnd();
    }
    Parser.Next();
    Writer.WriteListEnd();
  }

  TChineseParser Parser;
  TObjWriter Writer;
  int Depth = 0;
};

}  // namespace

void ObjectTextToBinary(TStream& source, TStream& dest) {
  std::string text;
  char buffer[65536];
  for (size_t got; (got = source.Read(buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  // A text saved with a UTF-8 byte-order mark is taken as UTF-8.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    try {
      text = Utf8ToGbk(std::string_view(text).substr(3));
    } catch (const EConvertError& error) {
      throw EParserError("Line 1: " + error.Message);
    }
  }
  TTextToBinary converter(std::move(text), dest);
  converter.Convert();
}

}  // namespace qnexp
