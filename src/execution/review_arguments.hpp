#pragma once
// The review-list arguments of the work-queue call. In review mode (work-queue mode 3) the editor
// passes them in the parameters of the request's first parameter set; in any other mode the call
// asks for no review list: "N", "N" and two empty texts.
#include <string>

namespace vz {

class clsDatabaseRequest;

// The four values in the order the work-queue object's Init takes them.
struct ReviewArguments {
  std::string rdrTranscriptionist;
  std::string includeViewing;
  std::string includeViewed;
  std::string rdrReviewer;
};

ReviewArguments GetRDRArgs(const clsDatabaseRequest& request);
// Each reads its parameter ("includeViewed", "includeViewing", "rdrTranscriptionist",
// "rdrReviewer") and traces "Returning " + the value.
std::string IncludeViewed(const clsDatabaseRequest& request);
std::string IncludeViewing(const clsDatabaseRequest& request);
std::string RDRTranscriptionist(const clsDatabaseRequest& request);
std::string RDRReviewer(const clsDatabaseRequest& request);

}  // namespace vz
