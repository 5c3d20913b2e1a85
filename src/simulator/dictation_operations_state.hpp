#pragma once
// What an institution remembers of the dictation operations and QA calls beyond its dictations:
// the QA reviews given and the options each user sent; and the review arguments its work-queue
// calls carried (what the servlet was asked, for tests).
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace vz::simulator {

struct QAReview {
  long utteranceID = 0;
  std::string documentVersion;
  std::string transcriptionist;  // whose work was graded
  std::string reviewer;          // who graded it
  int score = 0;
  std::string note;
};

struct WorkQueueReviewArguments {
  std::string workQueueMode;
  std::string rdrTranscriptionist;
  std::string includeViewing;
  std::string includeViewed;
  std::string rdrReviewer;
};

struct DictationOperationsState {
  static constexpr std::size_t kMaxReviews = 10'000;
  static constexpr std::size_t kMaxWorkQueueCalls = 100;  // the latest ones are kept

  std::vector<QAReview> reviews;
  std::map<std::string, std::string> optionsByLogin;  // the "Options" element each user sent last
};

}  // namespace vz::simulator
