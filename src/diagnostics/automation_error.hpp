#pragma once
// The error every class of the server raises: an automation error number, a description and the
// source that raised it, plus the line of the raising statement for the error trap's text.
#include <source_location>
#include <stdexcept>
#include <string>

namespace vz {

// Errors the server detects itself carry this number.
inline constexpr long kServerDetectedError = -1;

class AutomationError : public std::runtime_error {
 public:
  AutomationError(long number, std::string description, std::string source = {}, int line = 0);

  long Number() const { return number_; }
  const std::string& Description() const { return description_; }
  const std::string& Source() const { return source_; }
  // Line of the statement that raised the error; 0 when unknown.
  int Line() const { return line_; }

 private:
  long number_;
  std::string description_;
  std::string source_;
  int line_;
};

// Raises error `number`; the line of the calling statement travels with it.
[[noreturn]] void Raise(long number, std::string description, std::string source = {},
                        std::source_location where = std::source_location::current());

// Raises an error the server detected itself (number -1).
[[noreturn]] void RaiseServerError(std::string description, std::string source = {},
                                   std::source_location where = std::source_location::current());

// The exception in flight as an automation error: automation errors pass unchanged, other C++
// exceptions get the number an automation layer would give them (7 out of memory, 75 file access,
// 5 otherwise) and `line` when they carry none. Call only inside a catch block.
AutomationError CurrentErrorAsAutomationError(int line = 0);

}  // namespace vz
