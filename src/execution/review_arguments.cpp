#include "execution/review_arguments.hpp"

#include "diagnostics/trace.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/database_request.hpp"
#include "model/generic_requests.hpp"
#include "model/work_queue.hpp"

namespace vz {
namespace {

constexpr std::int16_t kReviewMode = 3;

// The parameter `name` of the first parameter set in review mode; `otherwise` in any other mode,
// and when the set or the parameter is missing.
std::string ReviewParameter(const clsDatabaseRequest& request, std::string_view name, std::string_view otherwise,
                            std::string_view reader) {
  std::string value(otherwise);
  const auto queue = request.WorkQueue();
  const auto requests = request.GenericRequests();
  if (queue && queue->WorkQueueMode() == kReviewMode && requests && requests->Count() > 0) {
    value = FindParameter(requests->Entries().front(), name).value_or(value);
  }
  GlobalTrace("clsDatabaseRequest." + std::string(reader), "Returning " + value);
  return value;
}

}  // namespace

std::string IncludeViewed(const clsDatabaseRequest& request) {
  return ReviewParameter(request, "includeViewed", "N", "IncludeViewed");
}

std::string IncludeViewing(const clsDatabaseRequest& request) {
  return ReviewParameter(request, "includeViewing", "N", "IncludeViewing");
}

std::string RDRTranscriptionist(const clsDatabaseRequest& request) {
  return ReviewParameter(request, "rdrTranscriptionist", "", "RDRTranscriptionist");
}

std::string RDRReviewer(const clsDatabaseRequest& request) {
  return ReviewParameter(request, "rdrReviewer", "", "RDRReviewer");
}

ReviewArguments GetRDRArgs(const clsDatabaseRequest& request) {
  return {RDRTranscriptionist(request), IncludeViewing(request), IncludeViewed(request), RDRReviewer(request)};
}

}  // namespace vz
