#pragma once
// Shared by the files that implement clsUtteranceObject: the names its traps and traces use.
#include <string>
#include <string_view>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"

namespace vz::dictation {

inline constexpr std::string_view kUtteranceClass = "clsUtteranceObject";
inline constexpr std::string_view kCrLf = "\r\n";

// "in ZERUredoz.clsUtteranceObject.<operation>.", where persistence members say they re-raised.
inline std::string RaisedIn(std::string_view operation) {
  return std::string("in ").append(kProjectName).append(".").append(kUtteranceClass).append(".").append(operation).append(".");
}

// "clsUtteranceObject.<operation>", the usual trace location.
inline std::string TraceAt(std::string_view operation) {
  return std::string(kUtteranceClass).append(".").append(operation);
}

// Whether a trace of `level` would be written: checked before building costly messages.
inline bool Tracing(int level = kTraceProgress) { return TraceLevel() >= level; }

}  // namespace vz::dictation
