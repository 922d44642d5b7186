// What the dataset tests of both engines share: a connection, and queries, tables and error
// texts in one call.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "dataset/SqlDataSet.h"

namespace qnexp::testing {

class TSqlFixture : public ::testing::Test {
protected:
  std::unique_ptr<TSqlQuery> Query(const std::string& sql) {
    auto q = std::make_unique<TSqlQuery>(*Db);
    q->SetStatement(sql);
    q->Open();
    return q;
  }
  std::unique_ptr<TSqlTable> Table(const std::string& name) {
    auto t = std::make_unique<TSqlTable>(*Db);
    t->SetStatement(name);
    t->Open();
    return t;
  }
  // The message of the error action raises, or "no error".
  static std::string Message(const std::function<void()>& action) {
    try {
      action();
    } catch (const Exception& e) {
      return e.what();
    }
    return "no error";
  }
  std::unique_ptr<TSqlConnection> Db;
};

}  // namespace qnexp::testing
