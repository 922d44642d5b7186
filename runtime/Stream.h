// Byte streams: the abstract stream with its position, a stream in memory and a stream over a
// file, as the object streams and the lists read and write them. Single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qnexp {

// Where Seek counts from.
enum TSeekOrigin : uint8_t { soBeginning, soCurrent, soEnd };

// A sequence of bytes with a current position. Read and Write move as far as they can and say
// how far that was; ReadBuffer and WriteBuffer insist on the whole count and raise EReadError
// "Stream read error" or EWriteError "Stream write error" otherwise.
class TStream {
public:
  virtual ~TStream() = default;

  // Reads up to count bytes into buffer; the number read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes up to count bytes; the number written.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  // Moves the position; a target before the start raises EStreamError "Invalid stream
  // position". The new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  // The bytes between the position and the end (0 when the position is past the end).
  int64_t Remaining();

  void ReadBuffer(void* buffer, size_t count);
  void WriteBuffer(const void* buffer, size_t count);
  void WriteBuffer(std::string_view bytes) { WriteBuffer(bytes.data(), bytes.size()); }
  // Copies count bytes from source (all of it from its start when count is 0); the number
  // copied. A short source raises "Stream read error".
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream held in memory; writing past the end grows it (a gap left by seeking past the end
// is filled with zero bytes).
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : Bytes(std::move(bytes)) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(Bytes.size()); }

  // Empties the stream and rewinds it.
  void Clear();
  // Truncates or extends (with zero bytes) to size; the position stays where it is.
  void SetSize(int64_t size);
  const std::string& Data() const { return Bytes; }
  // Hands the bytes over and leaves the stream empty.
  std::string TakeData();

private:
  std::string Bytes;
  size_t Pos = 0;
};

// How a file stream opens its file.
enum TFileMode : uint8_t {
  fmOpenRead,   // an existing file, for reading
  fmCreate,     // a new or replaced file, for writing
};

// A stream over a file; names are GBK (UTF-8 at the operating system, backslashes taken as
// folder separators). A file that cannot be opened raises EFOpenError "Cannot open file \"%s\".
// %s"; one that cannot be created EFCreateError "Cannot create file \"%s\". %s" (the second
// %s is the system's reason).
//
// fmCreate never writes into the named file directly: it writes a temporary file beside it,
// and Commit puts that in place with a rename, so the named file is either left as it was or
// replaced whole. A stream destroyed without Commit (after an error, say) throws its
// temporary file away.
class TFileStream : public TStream {
public:
  TFileStream(const std::string& fileName, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;

  // Flushes and renames the temporary file over the named one; raises EFCreateError when that
  // fails (the named file is then unchanged). Nothing for a stream opened for reading; after
  // Commit the stream is closed.
  void Commit();
  const std::string& FileName() const { return Name; }

private:
  std::string Name;      // as given, GBK
  std::string OsTarget;  // the named file, for the operating system
  std::string OsTemp;    // the temporary file while writing
  int Handle = -1;
  TFileMode Mode;
};

// The whole content of a file, read through a TFileStream (its errors as above).
std::string ReadFileBytes(const std::string& fileName);
// Replaces a file with bytes through a TFileStream and Commit.
void WriteFileBytes(const std::string& fileName, std::string_view bytes);

}  // namespace qnexp
