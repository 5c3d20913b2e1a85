#pragma once
// Error reports: the plain errors file, the summary log and the XML error table.
#include <string>
#include <string_view>

#include "diagnostics/error_details.hpp"

namespace vz {

// Reports an error: traced, appended as "source: message" to the plain errors file, and, when the
// global log path is set, copied to the summary log and the error table as the flags ask.
// Never raises (except for a NUL message, which is binary data handed to GlobalLog).
void GlobalErrorsLog(std::string_view source, std::string_view message, int severity = 1, bool toSummary = true,
                     bool toErrorTable = true, const ErrorDetails& details = {});

// "Component.Module.Member" split from the right: "frmTimer.tmrRequest_Timer" has no component.
struct ErrorSource {
  std::string component;
  std::string module;
  std::string member;
};
ErrorSource ParseErrorSource(std::string_view source);

}  // namespace vz
