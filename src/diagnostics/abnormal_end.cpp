#include "diagnostics/abnormal_end.hpp"

#include <filesystem>

#include "diagnostics/trace.hpp"
#include "diagnostics/trace_module.hpp"

namespace vz {

void MarkAbnormalProcessEnd(std::string_view reason) {
  const std::string message = "Abnormal process end: " + std::string(reason);
  GlobalSummaryLog("modVBTrace.MarkAbnormalProcessEnd", message, true, true);
  if (LogFilePath().empty()) return;
  const auto file = std::filesystem::path(LogFilePath()).parent_path() / "AbnormalEnds.log";
  detail::AppendLineWithRetry(file.string(), SystemTimeStamp() + "\t" + ApplicationName() + "\t" + std::string(reason),
                              "Couldn't open log. Msg = ");
}

}  // namespace vz
