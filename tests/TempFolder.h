// A fixture that gives each test a fresh temporary folder, removed with all it holds afterwards.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace qnexp::testing {

class TTempFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/qnexp-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
  }
  void TearDown() override {
    // A test may have taken the permissions away to provoke a failure.
    chmod(Folder.c_str(), 0700);
    std::error_code ignored;
    std::filesystem::remove_all(Folder, ignored);
  }
  std::string Folder;
};

}  // namespace qnexp::testing
