// The object stream: its byte format's tags and limits, and the functions that write a
// persistable object to a stream or file and read one back, in the binary form or the text form.
//
// A stream is the signature "TPF0" followed by one object record. Objects describe their state
// through their property enumeration (see BaseObject.h); the writer and reader in ObjWriter.h
// and ObjReader.h do the work. Everything here is single-threaded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Object.h"

namespace qnexp {

class TStream;

// The tag that starts every value of a property.
enum TValueType : uint8_t {
  vaNull = 0x00,        // end of a list
  vaList = 0x01,        // values up to vaNull
  vaInt8 = 0x02,
  vaInt16 = 0x03,
  vaInt32 = 0x04,
  vaExtended = 0x05,    // 10-byte x87 extended
  vaString = 0x06,      // 1 length byte, characters
  vaIdent = 0x07,       // 1 length byte, characters
  vaFalse = 0x08,
  vaTrue = 0x09,
  vaBinary = 0x0A,      // 32-bit count, bytes
  vaSet = 0x0B,         // names as extended short strings, ended by an empty one
  vaLString = 0x0C,     // 32-bit length, characters
  vaNil = 0x0D,         // never written; not accepted
  vaCollection = 0x0E,  // items: optional integer index, vaList of properties ... vaNull
  vaSingle = 0x0F,      // 4-byte IEEE single
  vaCurrency = 0x10,    // 8-byte integer, value times 10000
  vaDate = 0x11,        // 8-byte IEEE double
  vaWString = 0x12,     // 32-bit count of UTF-16 units, the units
  vaInt64 = 0x13,
};

// The four bytes every object stream starts with.
inline constexpr std::string_view ObjectSignature = "TPF0";

// How deeply objects (and lists, collections and variants inside values) may nest in a stream.
// The reader, the writer and the text conversions recurse once per level; deeper input is
// refused with EReadError "Object nesting too deep" (EWriteError when writing) instead of
// exhausting the stack.
inline constexpr int MaxObjectNesting = 2000;

// Counts one level of object nesting while it lives; going past MaxObjectNesting raises
// "Object nesting too deep" as EReadError (reading) or EWriteError (writing).
struct TDepthGuard {
  explicit TDepthGuard(int& depth, bool reading = true);
  ~TDepthGuard() { --Depth; }
  int& Depth;
};

// Writes the signature and obj (null writes the single byte 0x00). Errors of the writer (a
// nesting too deep, a failing stream) propagate; the stream then holds a partial record.
void StreamWriteObject(TStream& stream, TObject* obj);
// Checks the signature and reads one object, which the caller owns; null for a null record.
// A wrong signature or a damaged record raises EReadError ("Invalid stream format", "Invalid
// property value", "Stream read error"), an unknown class EClassNotFound; nothing read so far
// is kept.
TObject* StreamReadObject(TStream& stream);
inline TObject* LoadObjectFromStream(TStream& stream) { return StreamReadObject(stream); }
// The same over a whole file; a file that cannot be opened raises EFOpenError.
TObject* LoadObjectFromFile(const std::string& fileName);
// Reads the text form: converted to the binary form first (ObjectTextToBinary, whose parse
// errors are EParserError), then read as above.
TObject* LoadObjectFromTextStream(TStream& stream);
TObject* LoadObjectFromTextFile(const std::string& fileName);
// Reads a binary or a text form, told apart by the signature at the start.
TObject* LoadObjectFromAnyStream(TStream& stream);
// The legacy layout (read only): the signature, then one legacy object record.
TObject* StreamReadObjectOld(TStream& stream);

// Writes obj to a file in the binary or the text form; the file is replaced whole or not at
// all (EFCreateError).
void SaveObjectToFile(TObject* obj, const std::string& fileName);
void SaveObjectToTextFile(TObject* obj, const std::string& fileName);
// Writes obj in the text form (the binary form converted by ObjectBinaryToText).
void SaveObjectToTextStream(TObject* obj, TStream& stream);

// The extended short string directly on a stream: below 255 bytes one length byte and the
// bytes, otherwise 0xFF, a 32-bit length and the bytes. Reading raises "Stream read error"
// when the stream holds fewer bytes than announced.
void StreamWriteStr(TStream& stream, std::string_view text);
std::string StreamReadStr(TStream& stream);

}  // namespace qnexp
