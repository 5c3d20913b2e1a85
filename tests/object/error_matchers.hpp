#pragma once
#include <gmock/gmock.h>

#include "diagnostics/automation_error.hpp"

// EXPECT_AUTOMATION_ERROR(statement, number): the statement raises automation error `number`.
#define EXPECT_AUTOMATION_ERROR(statement, number)                                           \
  EXPECT_THROW(                                                                              \
      {                                                                                      \
        try {                                                                                \
          statement;                                                                         \
        } catch (const ::vz::AutomationError& error_) {                                      \
          EXPECT_EQ(error_.Number(), (number)) << error_.Description();                      \
          throw;                                                                             \
        }                                                                                    \
      },                                                                                     \
      ::vz::AutomationError)
