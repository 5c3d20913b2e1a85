#pragma once
// The error trap every public operation runs in. An error escaping the operation's body is shown
// as "Error N: description / in ZERUredoz.Class.Operation. / The error occured at line: L" in the
// error box; Retry runs the body again, Abort and Ignore return the operation's default result.
//
//   long clsDatabaseRequests::Count() {
//     return ErrorTrap("clsDatabaseRequests", "Count")([&] { return list_.Count(); });
//   }
//
// Persistence operations instead pass the error up with where it was raised appended:
//
//   RaiseTrap("in ZERUredoz.clsXMLDocument.AddNode.")([&] { ... });
#include <source_location>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "diagnostics/automation_error.hpp"

namespace vz {

// The project name in error texts.
inline constexpr std::string_view kProjectName = "ZERUredoz";

// The project a trap names when it is not ZERUredoz (a few operations name the whole product).
struct ProjectName {
  std::string_view name;
};

// "Error " + number + ": " + description, CR LF, "in ZERUredoz." + class + "." + operation + ".",
// CR LF, "The error occured at line: " + line.
std::string FormatTrappedError(const AutomationError& error, std::string_view className, std::string_view operation,
                               ProjectName project = {kProjectName});

// Records and shows a trapped error; returns the box's answer (0 when none was given).
int ReportTrappedError(const AutomationError& error, std::string_view className, std::string_view operation,
                       ProjectName project = {kProjectName});

class ErrorTrap {
 public:
  ErrorTrap(std::string_view className, std::string_view operation,
            std::source_location where = std::source_location::current())
      : class_name_(className), operation_(operation), line_(static_cast<int>(where.line())) {}
  ErrorTrap(ProjectName project, std::string_view className, std::string_view operation,
            std::source_location where = std::source_location::current())
      : project_(project), class_name_(className), operation_(operation), line_(static_cast<int>(where.line())) {}

  // Runs `body`; on an error returns a default-constructed result (nothing for void).
  template <class Body>
  auto operator()(Body&& body) -> std::invoke_result_t<Body&> {
    using Result = std::invoke_result_t<Body&>;
    if constexpr (std::is_void_v<Result>) {
      Run(body, [] {});
    } else {
      return Run(body, [] { return Result{}; });
    }
  }

  // Runs `body`; on an error returns `fallback`.
  template <class Body, class Result>
  Result operator()(Body&& body, Result fallback) {
    return Run(body, [&] { return std::move(fallback); });
  }

 private:
  template <class Body, class Fallback>
  auto Run(Body& body, Fallback&& fallback) -> std::invoke_result_t<Body&> {
    for (;;) {
      try {
        return body();
      } catch (...) {
        const AutomationError error = CurrentErrorAsAutomationError(line_);
        if (ReportTrappedError(error, class_name_, operation_, project_) == 4 /* Retry */) continue;
        return fallback();
      }
    }
  }

  ProjectName project_{kProjectName};
  std::string_view class_name_;
  std::string_view operation_;
  int line_;
};

// Builds the re-raised description: the original, CR LF, "Raised at line " + line + " in " +
// location.
std::string AppendRaisedAt(std::string_view description, int line, std::string_view location);

// Runs `body`; an error escaping it is raised again with the same number and source and the
// description extended by where it was raised.
class RaiseTrap {
 public:
  explicit RaiseTrap(std::string location, std::source_location where = std::source_location::current())
      : location_(std::move(location)), line_(static_cast<int>(where.line())) {}

  template <class Body>
  auto operator()(Body&& body) -> std::invoke_result_t<Body&> {
    try {
      return body();
    } catch (...) {
      const AutomationError error = CurrentErrorAsAutomationError(line_);
      throw AutomationError(error.Number(), AppendRaisedAt(error.Description(), error.Line(), location_),
                            error.Source(), error.Line());
    }
  }

 private:
  std::string location_;
  int line_;
};

}  // namespace vz
