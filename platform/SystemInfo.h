// Facts about the machine that expressions ask for: the tick count, the allocator's free
// memory and the free and total bytes of a drive. Single-threaded.
#pragma once

#include <cstdint>
#include <string>

namespace qnexp {

// Milliseconds of the monotonic clock (time since the system started), as a signed 32-bit
// value that wraps: after about 24.8 days it turns negative, after about 49.7 days it is back
// at 0.
int32_t TickCount();

// The wrapping of TickCount applied to a millisecond count.
int32_t WrapTickCount(uint64_t milliseconds);

// The bytes the memory allocator holds free for the process (mallinfo2's fordblks).
uint64_t HeapFreeBytes();

// The folder whose file system stands for a drive number: 0 (the current drive) is the current
// folder, 3 (C:) is "/"; empty for every other number, which names no drive on Linux.
std::string DriveFolder(int drive);

// The free bytes available to the process on a drive, and the drive's size; -1 for a drive
// number with no folder, or when the file system cannot be asked.
int64_t DiskFreeBytes(int drive);
int64_t DiskSizeBytes(int drive);

// A count in the 32-bit integer of an expression: counts above 2147483647 become 2147483647,
// counts below -2147483648 become -2147483648.
int32_t ClampToInt32(int64_t count);

}  // namespace qnexp
