#include <gtest/gtest.h>

#include "model/register_model_classes.hpp"
#include "model/status_string.hpp"
#include "object/dispatch.hpp"

namespace vz {
namespace {

struct StatusExample {
  int change;
  const char* current;
  const char* expected;
};

TEST(StatusString, NewStatusExamples) {
  const StatusExample examples[] = {
      {2, "Ready for Transcription", "Downloaded for Standard Transcription"},
      {4, "Downloaded for Edited Transcription", "Downloaded and Checked out for Edited Transcription"},
      {0, "Downloaded and Checked out for Literal Transcription", "Ready to Upload Literal Transcription"},
      {6, "Checked out for Edited Transcription", "Ready for Editing"},
      {6, "Downloaded for Standard Transcription", "Downloaded for Standard Transcription"},
      // The first phrase found decides the job kind: Edit before Literal before Transcription.
      {2, "Ready for Editing", "Downloaded for Edited Transcription"},
      {4, "Ready for Literal Transcription", "Checked out for Literal Transcription"},
      // Checked out is recognised in any capitalisation.
      {2, "CHECKED OUT for Standard Transcription", "Downloaded and Checked out for Standard Transcription"},
      {0, "", "Ready to Upload"},
      {6, "", ""},
      {6, "Downloaded", "Downloaded"},
      {4, "", "Checked out"},
      // Unknown changes keep the text as it is.
      {1, "Anything at all", "Anything at all"},
      {7, "Downloaded for Edited Transcription", "Downloaded for Edited Transcription"},
  };
  const clsStatusString status;
  for (const auto& example : examples) {
    EXPECT_EQ(status.NewStatus(example.change, example.current), example.expected)
        << "change " << example.change << " on \"" << example.current << "\"";
  }
}

TEST(StatusString, PredicatesIgnoreCase) {
  const clsStatusString status;
  EXPECT_TRUE(status.MarkedForUpload("ready TO upload Edited Transcription"));
  EXPECT_TRUE(status.Downloaded("DOWNLOADED for Standard Transcription"));
  EXPECT_FALSE(status.Downloaded("Ready for Transcription"));
  EXPECT_TRUE(status.CheckedOut("Downloaded and checked out"));
  EXPECT_TRUE(status.ReadyForLiteralTranscription("ready for literal transcription"));
  EXPECT_FALSE(status.ReadyForLiteralTranscription("Downloaded for Literal Transcription"));
}

TEST(StatusString, TypeFromStatus) {
  const clsStatusString status;
  EXPECT_EQ(status.TypeFromStatus("Ready for Literal Transcription"), 1);
  EXPECT_EQ(status.TypeFromStatus("Ready for Editing"), 3);
  EXPECT_EQ(status.TypeFromStatus("Downloaded"), 2);
  // Literal wins over Edit.
  EXPECT_EQ(status.TypeFromStatus("edited literal"), 1);
}

// Through dispatch, as a client calls it: a number comes back as a variant holding a Long.
TEST(StatusString, AnswersThroughDispatch) {
  ClassRegistry registry;
  RegisterModelClasses(registry);
  const ObjectRef status = dispatch::Create("clsStatusString", registry);
  std::vector<Value> args{Value(std::int32_t{2}), Value("Ready for Transcription")};
  EXPECT_EQ(dispatch::Call(*status, "NewStatus", args), Value("Downloaded for Standard Transcription"));
  EXPECT_EQ(dispatch::Get(*status, "TypeFromStatus", std::vector<Value>{Value("Ready for Editing")}), Value(std::int32_t{3}));
  EXPECT_EQ(dispatch::Get(*status, "CheckedOut", std::vector<Value>{Value("CHECKED OUT")}), Value(true));
}

}  // namespace
}  // namespace vz
