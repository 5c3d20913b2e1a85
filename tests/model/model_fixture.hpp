#pragma once
// The request-model tests drive the classes the way a client does: created by name from a registry
// holding the model's classes, read, written and called through the generic dispatch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "raised_by.hpp"
#include "diagnostics/automation_error.hpp"
#include "diagnostics_fixture.hpp"
#include "model/register_model_classes.hpp"
#include "object/dispatch.hpp"

namespace vz::testing {

class ModelTest : public DiagnosticsTest {
 protected:
  void SetUp() override {
    DiagnosticsTest::SetUp();
    RegisterModelClasses(registry);
  }

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

inline Value Long(std::int32_t value) { return Value(value); }
inline Value Integer(std::int16_t value) { return Value(value); }


}  // namespace vz::testing
