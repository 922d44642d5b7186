// The binary object stream written as readable text.
#include "support/ObjText.h"

#include <charconv>
#include <cmath>

#include "runtime/GbkChars.h"
#include "runtime/Stream.h"
#include "support/ObjCreators.h"
#include "support/ObjReader.h"
#include "support/ObjStream.h"

namespace qnexp {

namespace {

// Longer strings are written in pieces of about this many bytes, one per line.
constexpr size_t StringPieceLength = 64;
// Bytes of binary data per line.
constexpr size_t BinaryBytesPerLine = 32;

// Blanks before a line at nesting level; deeper levels than this are not indented further, so
// that the text of a deep tree grows with its size and not with the square of its depth.
constexpr int MaxIndentLevel = 32;

std::string Indent(int level) {
  return std::string(static_cast<size_t>(std::min(level, MaxIndentLevel)) * 2, ' ');
}

template <class T>
std::string Shortest(T value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, result.ptr);
  // A number without a point or an exponent would read back as an integer.
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

template <class T>
std::string FloatText(T value) {
  if (!std::isfinite(value)) throw EWriteError("Invalid floating point value");
  return Shortest(value);
}

std::string CurrencyText(int64_t scaled) {
  bool negative = scaled < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  while (fraction.size() > 1 && fraction.back() == '0') fraction.pop_back();
  return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction + "c";
}

class TBinaryToText {
public:
  TBinaryToText(TStream& source, TStream& dest) : Reader(source), Dest(dest) {}

  void Convert() {
    for (char expected : ObjectSignature)
      if (Reader.ReadByte() != static_cast<uint8_t>(expected))
        throw EReadError(Msg::InvalidStreamFormat);
    if (Reader.EndOfList()) {
      Reader.ReadByte();
      return;
    }
    ConvertObject(0);
  }

private:
  void Put(std::string_view text) {
    if (SpacePending) {
      SpacePending = false;
      Dest.WriteBuffer(" ");
    }
    Dest.WriteBuffer(text);
  }
  void Line(int indent, std::string_view text) {
    Put(Indent(indent));
    Put(text);
    Put("\n");
  }

  void ConvertObject(int indent) {
    TDepthGuard guard(Depth);
    std::string className = Reader.ReadStr();
    std::string name = Reader.ReadStr();
    if (className.empty()) throw EReadError(Msg::InvalidStreamFormat);
    Line(indent, "object " + (name.empty() ? className : name + ": " + className));
    while (!Reader.EndOfList()) {
      std::string propName = Reader.ReadStr();
      Put(Indent(indent + 1) + propName + " =");
      // The value goes on the same line unless it is a string written in pieces.
      SpacePending = true;
      ConvertValue(indent + 1);
      Put("\n");
    }
    Reader.ReadListEnd();
    if (HasChildList(className)) {
      while (!Reader.EndOfList()) ConvertObject(indent + 1);
      Reader.ReadListEnd();
    }
    Line(indent, "end");
  }

  static bool HasChildList(const std::string& className) {
    // A class this process does not know is taken to have children, as most objects do.
    try {
      return ObjectHasChildList(className);
    } catch (const EClassNotFound&) {
      return true;
    }
  }

  void PutString(const std::string& text, int indent) {
    if (text.empty()) {
      Put("''");
      return;
    }
    bool pieces = text.size() > StringPieceLength;
    size_t i = 0;
    while (i < text.size()) {
      if (pieces) {
        if (i == 0) SpacePending = false;
        Put(i == 0 ? "\n" : " +\n");
        Put(Indent(indent + 1));
      }
      size_t end = pieces ? std::min(text.size(), i + StringPieceLength) : text.size();
      bool quoted = false;
      while (i < end) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t width = CharSize(text, i);
        if (c < 0x20 || (c >= 0x80 && width == 1)) {
          if (quoted) Put("'");
          quoted = false;
          Put("#" + std::to_string(c));
        } else {
          if (!quoted) Put("'");
          quoted = true;
          if (c == '\'') Put("'");
          Put(std::string_view(text).substr(i, width));
        }
        i += width;
      }
      if (quoted) Put("'");
    }
  }

  void ConvertValue(int indent) {
    TDepthGuard guard(Depth);
    switch (Reader.NextValue()) {
      case vaList: {
        Reader.ReadValue();
        Put("(");
        while (!Reader.EndOfList()) {
          Put("\n" + Indent(indent + 1));
          ConvertValue(indent + 1);
        }
        Reader.ReadListEnd();
        Put(")");
        break;
      }
      case vaInt8: case vaInt16: case vaInt32: case vaInt64:
        Put(std::to_string(Reader.ReadInteger()));
        break;
      case vaExtended:
        Put(FloatText(Reader.ReadFloat()));
        break;
      case vaSingle:
        Put(FloatText(Reader.ReadSingle()) + "s");
        break;
      case vaDate:
        Put(FloatText(Reader.ReadDate()) + "d");
        break;
      case vaCurrency:
        Put(CurrencyText(Reader.ReadCurrency()));
        break;
      case vaString: case vaLString: case vaWString:
        PutString(Reader.ReadString(), indent);
        break;
      case vaIdent:
        Put(Reader.ReadIdent());
        break;
      case vaFalse: case vaTrue:
        Put(Reader.ReadBoolean() ? "True" : "False");
        break;
      case vaBinary:
        PutBinary(indent);
        break;
      case vaSet: {
        Reader.ReadValue();
        Put("[");
        bool first = true;
        for (std::string name = Reader.ReadStr(); !name.empty(); name = Reader.ReadStr()) {
          if (!first) Put(", ");
          first = false;
          Put(name);
        }
        Put("]");
        break;
      }
      case vaCollection:
        PutCollection(indent);
        break;
      default:
        throw EReadError(Msg::InvalidPropertyValue);
    }
  }

  void PutBinary(int indent) {
    static const char digits[] = "0123456789ABCDEF";
    std::string bytes = Reader.ReadBinary();
    Put("{");
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (i % BinaryBytesPerLine == 0)
        Put("\n" + Indent(indent + 1));
      auto byte = static_cast<uint8_t>(bytes[i]);
      char pair[2] = {digits[byte >> 4], digits[byte & 15]};
      Put(std::string_view(pair, 2));
    }
    Put("}");
  }

  void PutCollection(int indent) {
    Reader.ReadValue();
    Put("<");
    while (!Reader.EndOfList()) {
      Put("\n" + Indent(indent + 1) + "item");
      TValueType next = Reader.NextValue();
      if (next == vaInt8 || next == vaInt16 || next == vaInt32 || next == vaInt64)
        Put(" [" + std::to_string(Reader.ReadInteger()) + "]");
      Reader.ReadListBegin();
      while (!Reader.EndOfList()) {
        Put("\n" + Indent(indent + 2) + Reader.ReadStr() + " = ");
        ConvertValue(indent + 2);
      }
      Reader.ReadListEnd();
      Put("\n" + Indent(indent + 1) + "end");
    }
    Reader.ReadListEnd();
    Put(">");
  }

  TObjReader Reader;
  TStream& Dest;
  int Depth = 0;
  bool SpacePending = false;
};

}  // namespace

void ObjectBinaryToText(TStream& source, TStream& dest) {
  TBinaryToText converter(source, dest);
  converter.Convert();
}

}  // namespace qnexp
