// What an object reports through EnumrateProperties, as comparable tuples.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "support/BaseObject.h"

namespace qnexp::testing {

// One reported property: its name, kind and HasData flag.
using TReported = std::tuple<std::string, TPropType, bool>;

template <class Object>
std::vector<TReported> Enumerate(Object& object, uint16_t purpose) {
  std::vector<TReported> out;
  object.EnumrateProperties(
      [&](void*, const std::string& name, TPropType type, bool hasData, intptr_t, void*) {
        out.emplace_back(name, type, hasData);
        return true;
      },
      purpose, nullptr);
  return out;
}

}  // namespace qnexp::testing
