// The request sentence of a completed request (the summary log's "completed" line), by request
// kind, with and without errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "request_fixture.hpp"

namespace vz {
namespace {

class CompletedSentenceTest : public testing::LoneRequestTest {
 protected:
  // A request of `kind` for North with dictations 7 and 9, 9 carrying `dictationError`.
  std::string Completed(std::int32_t kind, const std::string& globalError, const std::string& dictationError) {
    auto dictations = std::make_shared<clsUtterances>();
    for (const std::int32_t id : {7, 9}) {
      dictations->Add(id, 1, "Ready for Transcription", (downloads / ("Local_" + std::to_string(id) + ".cfg")).string(), "0");
    }
    dictations->Item("U9", "0")->SetErrorString(dictationError);
    request->SetUtterances(dictations);
    request->SetID("DBR00012");
    request->SetLocation("North");
    request->SetCompletionAction(kind);
    request->ConstructDescription();
    request->SetGlobalErrorMessage(globalError);
    return request->Description(kCompleted);
  }
};

TEST_F(CompletedSentenceTest, LayoutByKindAndErrors) {
  const struct {
    std::int32_t kind;
    const char* globalError;
    const char* dictationError;
    const char* sentence;
  } cases[] = {
      {1, "", "", "Request DBR00012 completed successfully: Retrieving North workqueue entries."},
      {4, "", "",
       "Request DBR00012 completed successfully.\r\n\t\t\tOriginal request: Locking and downloading the next dictation in the "
       "North queue.\r\n\t\t\tThe request successfully downloaded these dictations: 7, 9"},
      {4, "", "locked",
       "Request DBR00012 completed with errors.\r\n\t\t\tOriginal request: Locking and downloading the next dictation in the "
       "North queue.\r\n\t\t\tAttempted to download these dictations: 7, 9. The errors were: \t\tlocked"},
      {1, "Request truncated.", "locked",
       "Request DBR00012 completed with errors.\r\n\t\tOriginal request: Retrieving North workqueue entries.\r\n\t\t.  "
       "The errors were: Request truncated.\t\tlocked"},
  };
  for (const auto& one : cases) {
    EXPECT_EQ(Completed(one.kind, one.globalError, one.dictationError), one.sentence) << one.kind << " " << one.dictationError;
  }
}

}  // namespace
}  // namespace vz
