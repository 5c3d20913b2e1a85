#pragma once
// The request-model tests drive the model's classes the way a client does.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "raised_by.hpp"
#include "diagnostics/automation_error.hpp"
#include "dispatch_fixture.hpp"
#include "model/register_model_classes.hpp"

namespace vz::testing {

class ModelTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    RegisterModelClasses(registry);
  }
};

inline Value Long(std::int32_t value) { return Value(value); }
inline Value Integer(std::int16_t value) { return Value(value); }
}  // namespace vz::testing
