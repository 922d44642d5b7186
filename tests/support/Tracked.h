// Objects that record their own destruction, for tests of which list frees what and when.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/Object.h"

namespace qnexp::testing {

// Records its own destruction (its name) in a log shared by the test.
class TTracked : public TObject {
  QN_CLASS(TTracked, TObject)
public:
  TTracked() = default;
  TTracked(std::vector<std::string>* log, std::string name) : Log(log), Name(std::move(name)) {}
  ~TTracked() override {
    if (Log) Log->push_back(Name);
  }
  std::vector<std::string>* Log = nullptr;
  std::string Name;
};

// A test whose tracked objects log into Freed.
class TTrackedTest : public ::testing::Test {
protected:
  TTracked* Make(const std::string& name) { return new TTracked(&Freed, name); }
  std::vector<std::string> Freed;
};

}  // namespace qnexp::testing
