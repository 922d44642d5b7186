// Byte streams in memory and over files.
#include "runtime/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/OsText.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"

namespace qnexp {

namespace {

[[noreturn]] void RaiseBadPosition() { throw EStreamError("Invalid stream position"); }

std::string ErrorText(int error) { return std::strerror(error); }

// A name for the temporary file beside target that no other writer is likely to pick.
std::string TemporaryName(const std::string& target) {
  static std::mt19937_64 generator{std::random_device{}()};
  return target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(generator() % 1000000007);
}

}  // namespace

int64_t TStream::Remaining() {
  int64_t rest = Size() - Position();
  return rest > 0 ? rest : 0;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  char buffer[65536];
  int64_t left = count;
  while (left > 0) {
    size_t chunk = left > static_cast<int64_t>(sizeof buffer) ? sizeof buffer
                                                             : static_cast<size_t>(left);
    source.ReadBuffer(buffer, chunk);
    WriteBuffer(buffer, chunk);
    left -= static_cast<int64_t>(chunk);
  }
  return count;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (Pos >= Bytes.size()) return 0;
  size_t n = std::min(count, Bytes.size() - Pos);
  std::memcpy(buffer, Bytes.data() + Pos, n);
  Pos += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (Pos > Bytes.size()) Bytes.resize(Pos, '\0');
  size_t overlap = std::min(count, Bytes.size() - Pos);
  std::memcpy(Bytes.data() + Pos, buffer, overlap);
  Bytes.append(static_cast<const char*>(buffer) + overlap, count - overlap);
  Pos += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0
                 : origin == soCurrent ? static_cast<int64_t>(Pos)
                                       : static_cast<int64_t>(Bytes.size());
  if (offset < -base) RaiseBadPosition();
  int64_t target = base + offset;
  // A position far past the end would only be filled with zeros by the next write.
  if (target > static_cast<int64_t>(Bytes.max_size() / 2)) RaiseBadPosition();
  Pos = static_cast<size_t>(target);
  return target;
}

void TMemoryStream::Clear() {
  Bytes.clear();
  Pos = 0;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0 || size > static_cast<int64_t>(Bytes.max_size() / 2)) RaiseBadPosition();
  Bytes.resize(static_cast<size_t>(size), '\0');
}

std::string TMemoryStream::TakeData() {
  std::string taken = std::move(Bytes);
  Clear();
  return taken;
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode)
    : Name(fileName), OsTarget(ToOsPath(fileName)), Mode(mode) {
  if (mode == fmOpenRead) {
    Handle = open(OsTarget.c_str(), O_RDONLY | O_CLOEXEC);
    if (Handle < 0)
      throw EFOpenError(Format("Cannot open file \"%s\". %s", {Name, ErrorText(errno)}));
    struct stat info;
    if (fstat(Handle, &info) == 0 && S_ISDIR(info.st_mode)) {
      close(Handle);
      Handle = -1;
      throw EFOpenError(Format("Cannot open file \"%s\". %s", {Name, ErrorText(EISDIR)}));
    }
    return;
  }
  // A new file takes the permissions a plain creation would give it; a replaced one keeps its own.
  mode_t permissions = 0666;
  struct stat info;
  if (stat(OsTarget.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode))
      throw EFCreateError(Format("Cannot create file \"%s\". %s", {Name, ErrorText(EISDIR)}));
    permissions = info.st_mode & 07777;
  }
  OsTemp = TemporaryName(OsTarget);
  Handle = open(OsTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
  if (Handle < 0)
    throw EFCreateError(Format("Cannot create file \"%s\". %s", {Name, ErrorText(errno)}));
  if (permissions != 0666) fchmod(Handle, permissions);
}

TFileStream::~TFileStream() {
  if (Handle >= 0) close(Handle);
  if (!OsTemp.empty()) unlink(OsTemp.c_str());
}

size_t TFileStream::Read(void* buffer, size_t count) {
  if (Handle < 0 || Mode != fmOpenRead) return 0;
  size_t done = 0;
  while (done < count) {
    ssize_t got = read(Handle, static_cast<char*>(buffer) + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  if (Handle < 0 || Mode != fmCreate) return 0;
  size_t done = 0;
  while (done < count) {
    ssize_t put = write(Handle, static_cast<const char*>(buffer) + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (Handle < 0) RaiseBadPosition();
  int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t result = lseek(Handle, static_cast<off_t>(offset), whence);
  if (result < 0) RaiseBadPosition();
  return static_cast<int64_t>(result);
}

int64_t TFileStream::Size() {
  struct stat info;
  if (Handle < 0 || fstat(Handle, &info) != 0) return 0;
  return static_cast<int64_t>(info.st_size);
}

void TFileStream::Commit() {
  if (Mode != fmCreate || Handle < 0) return;
  int error = 0;
  if (fsync(Handle) != 0 && errno != EINVAL) error = errno;
  if (close(Handle) != 0 && error == 0) error = errno;
  Handle = -1;
  if (error == 0 && rename(OsTemp.c_str(), OsTarget.c_str()) != 0) error = errno;
  if (error != 0)
    throw EFCreateError(Format("Cannot create file \"%s\". %s", {Name, ErrorText(error)}));
  OsTemp.clear();
}

std::string ReadFileBytes(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    size_t got = file.Read(buffer, sizeof buffer);
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  return bytes;
}

void WriteFileBytes(const std::string& fileName, std::string_view bytes) {
  TFileStream file(fileName, fmCreate);
  file.WriteBuffer(bytes);
  file.Commit();
}

}  // namespace qnexp
