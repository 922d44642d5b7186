// Tick count from the monotonic clock, allocator statistics and file-system sizes.
#include "platform/SystemInfo.h"

#include <malloc.h>
#include <sys/statvfs.h>

#include <ctime>
#include <limits>

namespace qnexp {

namespace {

bool FileSystemOf(int drive, struct statvfs& info) {
  std::string folder = DriveFolder(drive);
  return !folder.empty() && statvfs(folder.c_str(), &info) == 0;
}

// blocks * blockSize, or the largest count when the product would not fit.
int64_t Bytes(uint64_t blocks, uint64_t blockSize) {
  constexpr auto largest = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (blockSize != 0 && blocks > largest / blockSize) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(blocks * blockSize);
}

}  // namespace

int32_t WrapTickCount(uint64_t milliseconds) {
  return static_cast<int32_t>(static_cast<uint32_t>(milliseconds));
}

int32_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  auto milliseconds = static_cast<uint64_t>(now.tv_sec) * 1000u +
                      static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return WrapTickCount(milliseconds);
}

uint64_t HeapFreeBytes() { return mallinfo2().fordblks; }

std::string DriveFolder(int drive) {
  if (drive == 0) return ".";
  if (drive == 3) return "/";
  return {};
}

int64_t DiskFreeBytes(int drive) {
  struct statvfs info {};
  if (!FileSystemOf(drive, info)) return -1;
  return Bytes(info.f_bavail, info.f_frsize);
}

int64_t DiskSizeBytes(int drive) {
  struct statvfs info {};
  if (!FileSystemOf(drive, info)) return -1;
  return Bytes(info.f_blocks, info.f_frsize);
}

int32_t ClampToInt32(int64_t count) {
  if (count > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (count < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(count);
}

}  // namespace qnexp
