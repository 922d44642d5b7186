// Object handles: positive, stable, never reused, checked by kind, and none for released or
// unknown handles.
#include <gtest/gtest.h>

#include "runtime/Handles.h"

using namespace qnexp;

TEST(Handles, SameObjectSameHandleCheckedByKind) {
  int first = 0, second = 0;
  int32_t a = HandleOf(&first, hkDataSet);
  int32_t b = HandleOf(&second, hkField);
  EXPECT_GT(a, 0);
  EXPECT_GT(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(HandleOf(&first, hkDataSet), a);
  EXPECT_EQ(ObjectOfHandle(a, hkDataSet), &first);
  EXPECT_EQ(ObjectOfHandleAs<int>(b, hkField), &second);
  EXPECT_EQ(ObjectOfHandle(a, hkField), nullptr);
  ReleaseHandle(&first);
  ReleaseHandle(&second);
}

TEST(Handles, NoneForNullUnknownAndReleased) {
  EXPECT_EQ(HandleOf(nullptr, hkComponent), 0);
  EXPECT_EQ(ObjectOfHandle(0, hkComponent), nullptr);
  EXPECT_EQ(ObjectOfHandle(-5, hkComponent), nullptr);
  EXPECT_EQ(ObjectOfHandle(2147483647, hkComponent), nullptr);
  int object = 0;
  int32_t handle = HandleOf(&object, hkMacros);
  ReleaseHandle(&object);
  EXPECT_EQ(ObjectOfHandle(handle, hkMacros), nullptr);
  // The same object registered again gets a new handle; the old one stays dead.
  int32_t again = HandleOf(&object, hkMacros);
  EXPECT_NE(again, handle);
  EXPECT_EQ(ObjectOfHandle(handle, hkMacros), nullptr);
  EXPECT_EQ(ObjectOfHandle(again, hkMacros), &object);
  ReleaseHandle(&object);
  ReleaseHandle(&object);  // releasing twice is harmless
}

TEST(Handles, AnAddressReusedForAnotherKindDropsTheOldHandle) {
  int object = 0;
  int32_t asSound = HandleOf(&object, hkSound);
  int32_t asScreen = HandleOf(&object, hkScreen);
  EXPECT_NE(asSound, asScreen);
  EXPECT_EQ(ObjectOfHandle(asSound, hkSound), nullptr);
  EXPECT_EQ(ObjectOfHandle(asScreen, hkScreen), &object);
  ReleaseHandle(&object);
}
