#pragma once
// Internal to src/xml: the trap location and trace location of clsXMLDocument's operations.
#include <string>
#include <string_view>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"

namespace vz::xml::detail {

// "in ZERUredoz.clsXMLDocument.<operation>.", the location a re-raised error names (read after
// "... in ", hence the doubled "in").
inline std::string Where(std::string_view operation) {
  std::string where = "in ";
  where.append(kProjectName).append(".clsXMLDocument.").append(operation).append(".");
  return where;
}

// Traces at location "clsXMLDocument.<operation>".
inline void Trace(std::string_view operation, std::string_view message, int level) {
  GlobalTrace("clsXMLDocument." + std::string(operation), message, level);
}

}  // namespace vz::xml::detail
