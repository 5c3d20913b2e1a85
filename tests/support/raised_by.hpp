#pragma once
// Runs a statement that must raise an automation error and hands the error back for inspection.
#include <gtest/gtest.h>

#include "diagnostics/automation_error.hpp"

namespace vz::testing {

template <class Statement>
AutomationError RaisedBy(Statement&& statement) {
  try {
    statement();
  } catch (const AutomationError& error) {
    return error;
  }
  ADD_FAILURE() << "no error was raised";
  return AutomationError(0, "");
}

}  // namespace vz::testing
