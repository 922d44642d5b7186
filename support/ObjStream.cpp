// Writing objects to streams and files and reading them back, in the binary and the text form.
#include "support/ObjStream.h"

#include "runtime/Exception.h"
#include "runtime/Stream.h"
#include "support/ObjReader.h"
#include "support/ObjText.h"
#include "support/ObjWriter.h"

namespace qnexp {

TDepthGuard::TDepthGuard(int& depth, bool reading) : Depth(depth) {
  if (Depth >= MaxObjectNesting) {
    if (reading) throw EReadError("Object nesting too deep");
    throw EWriteError("Object nesting too deep");
  }
  ++Depth;
}

namespace {

void CheckSignature(TStream& stream) {
  char signature[4];
  if (stream.Read(signature, 4) != 4 || std::string_view(signature, 4) != ObjectSignature)
    throw EReadError(Msg::InvalidStreamFormat);
}

}  // namespace

void StreamWriteObject(TStream& stream, TObject* obj) {
  stream.WriteBuffer(ObjectSignature);
  TObjWriter writer(stream);
  writer.WriteObject(obj, "");
}

TObject* StreamReadObject(TStream& stream) {
  CheckSignature(stream);
  TObjReader reader(stream);
  return reader.ReadObject();
}

TObject* StreamReadObjectOld(TStream& stream) {
  CheckSignature(stream);
  TObjReader reader(stream);
  return reader.ReadObjectOld();
}

TObject* LoadObjectFromFile(const std::string& fileName) {
  // Read whole first: the reader's many small reads and checks are cheap in memory.
  TMemoryStream bytes(ReadFileBytes(fileName));
  return StreamReadObject(bytes);
}

TObject* LoadObjectFromTextStream(TStream& stream) {
  TMemoryStream binary;
  ObjectTextToBinary(stream, binary);
  binary.SetPosition(0);
  return StreamReadObject(binary);
}

TObject* LoadObjectFromTextFile(const std::string& fileName) {
  TMemoryStream text(ReadFileBytes(fileName));
  return LoadObjectFromTextStream(text);
}

TObject* LoadObjectFromAnyStream(TStream& stream) {
  int64_t start = stream.Position();
  char signature[4];
  bool binary = stream.Read(signature, 4) == 4 && std::string_view(signature, 4) == ObjectSignature;
  stream.SetPosition(start);
  return binary ? StreamReadObject(stream) : LoadObjectFromTextStream(stream);
}

void SaveObjectToFile(TObject* obj, const std::string& fileName) {
  TMemoryStream bytes;
  StreamWriteObject(bytes, obj);
  WriteFileBytes(fileName, bytes.Data());
}

void SaveObjectToTextStream(TObject* obj, TStream& stream) {
  TMemoryStream binary;
  StreamWriteObject(binary, obj);
  binary.SetPosition(0);
  ObjectBinaryToText(binary, stream);
}

void SaveObjectToTextFile(TObject* obj, const std::string& fileName) {
  TMemoryStream text;
  SaveObjectToTextStream(obj, text);
  WriteFileBytes(fileName, text.Data());
}

void StreamWriteStr(TStream& stream, std::string_view text) {
  TObjWriter writer(stream);
  writer.WriteStr(text);
}

std::string StreamReadStr(TStream& stream) {
  TObjReader reader(stream);
  return reader.ReadStr();
}

}  // namespace qnexp
