#pragma once
// Records that the process is ending without its orderly shutdown (the system is going down, say),
// so that the next start can tell a crash from a clean exit.
#include <string_view>

namespace vz {

// Appends "time stamp, application, reason" to "AbnormalEnds.log" beside the detail log, and
// writes the reason to the summary log.
void MarkAbnormalProcessEnd(std::string_view reason);

}  // namespace vz
