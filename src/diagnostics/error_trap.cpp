#include "diagnostics/error_trap.hpp"

#include "diagnostics/error_box.hpp"

namespace vz {

std::string FormatTrappedError(const AutomationError& error, std::string_view className, std::string_view operation,
                               ProjectName project) {
  std::string text = "Error " + std::to_string(error.Number()) + ": " + error.Description() + "\r\n";
  text.append("in ").append(project.name).append(".").append(className).append(".").append(operation).append(".\r\n");
  text.append("The error occured at line: ").append(std::to_string(error.Line()));
  return text;
}

int ReportTrappedError(const AutomationError& error, std::string_view className, std::string_view operation,
                       ProjectName project) {
  std::string source(project.name);
  source.append(".").append(className).append(".").append(operation);
  return ErrMsgBox(FormatTrappedError(error, className, operation, project), kErrorBoxStyle, "Error", true, source,
                   ErrorDetails{error.Number(), error.Line(), false});
}

std::string AppendRaisedAt(std::string_view description, int line, std::string_view location) {
  std::string text(description);
  text.append("\r\nRaised at line ").append(std::to_string(line)).append(" in ").append(location);
  return text;
}

}  // namespace vz
