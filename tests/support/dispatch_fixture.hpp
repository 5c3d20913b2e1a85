#pragma once
// Tests that drive classes the way a client does: created by name from the test's own registry,
// read, written and called through the generic dispatch, with the error boxes shown at hand.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics_fixture.hpp"
#include "object/class_registry.hpp"
#include "object/dispatch.hpp"

namespace vz::testing {

class DispatchTest : public DiagnosticsTest {
 protected:
  // A new object of a creatable class, created by name.
  template <class T>
  std::shared_ptr<T> Create() {
    auto object = std::dynamic_pointer_cast<T>(dispatch::Create(T::kClassName, registry));
    EXPECT_NE(object, nullptr) << T::kClassName;
    return object;
  }

  static Value Get(Object& object, std::string_view member, std::vector<Value> args = {}) {
    return dispatch::Get(object, member, args);
  }
  static void Set(Object& object, std::string_view member, const Value& value) { dispatch::Set(object, member, value); }
  static Value Call(Object& object, std::string_view member, std::vector<Value> args = {}) {
    return dispatch::Call(object, member, args);
  }

  // The texts of the error boxes shown so far.
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : prompter->Shown()) texts.push_back(box.text);
    return texts;
  }

  ClassRegistry registry;
};

}  // namespace vz::testing
