// Tick count wrapping, the drive mapping and clamping of byte counts.
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <cstdint>
#include <limits>

#include "platform/SystemInfo.h"

using namespace qnexp;

TEST(SystemInfo, TickCountWrapsAt32Bits) {
  constexpr uint64_t day = 24ull * 60 * 60 * 1000;
  struct TRow {
    uint64_t Milliseconds;
    int32_t Expected;
  };
  const TRow rows[] = {
      {0, 0},
      {1000, 1000},
      {2147483647, 2147483647},
      {2147483648ull, -2147483647 - 1},
      {25 * day, static_cast<int32_t>(25 * day - 4294967296ull)},
      {4294967295ull, -1},
      {4294967296ull, 0},
      {4294967296ull * 3 + 5, 5},
  };
  for (const TRow& row : rows) EXPECT_EQ(WrapTickCount(row.Milliseconds), row.Expected);
  EXPECT_LT(WrapTickCount(25 * day), 0) << "negative after 25 days";
}

TEST(SystemInfo, TickCountAdvances) {
  int32_t first = TickCount();
  timespec pause{0, 20 * 1000 * 1000};
  nanosleep(&pause, nullptr);
  int32_t elapsed = static_cast<int32_t>(static_cast<uint32_t>(TickCount()) -
                                         static_cast<uint32_t>(first));
  EXPECT_GE(elapsed, 19);
  EXPECT_LT(elapsed, 60000);
}

TEST(SystemInfo, DrivesMapToFolders) {
  EXPECT_EQ(DriveFolder(0), ".");
  EXPECT_EQ(DriveFolder(3), "/");
  for (int drive : {-1, 1, 2, 4, 26, 1000}) {
    EXPECT_EQ(DriveFolder(drive), "") << drive;
    EXPECT_EQ(DiskFreeBytes(drive), -1) << drive;
    EXPECT_EQ(DiskSizeBytes(drive), -1) << drive;
  }
  struct statvfs root {};
  ASSERT_EQ(statvfs("/", &root), 0);
  EXPECT_EQ(DiskSizeBytes(3), static_cast<int64_t>(root.f_blocks * root.f_frsize));
  EXPECT_GE(DiskFreeBytes(3), 0);
  EXPECT_LE(DiskFreeBytes(3), DiskSizeBytes(3));
  EXPECT_GT(DiskSizeBytes(0), 0);
}

TEST(SystemInfo, CountsAreClampedToInt32) {
  EXPECT_EQ(ClampToInt32(0), 0);
  EXPECT_EQ(ClampToInt32(-1), -1);
  EXPECT_EQ(ClampToInt32(2147483647), 2147483647);
  EXPECT_EQ(ClampToInt32(2147483648LL), 2147483647);
  EXPECT_EQ(ClampToInt32(std::numeric_limits<int64_t>::max()), 2147483647);
  EXPECT_EQ(ClampToInt32(std::numeric_limits<int64_t>::min()), -2147483647 - 1);
}
