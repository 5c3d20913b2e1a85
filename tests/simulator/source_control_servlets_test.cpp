// Source control (0105) without the network: locks per workstation, the upload a check-in needs,
// the pending note a check-in leaves in the queue, and what the locked list and the work queue
// show of it all.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "servlet_wire/form_codec.hpp"
#include "servlets_fixture.hpp"
#include "simulator/replay_store.hpp"

namespace vz::simulator {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kNote =
    "<?xml version=\"1.0\" ?>\r\n<pendingNote>\r\n<item>\r\n<type>7</type>\r\n<text>Unclear at 01:12</text>\r\n</item>\r\n"
    "<item>\r\n<type>6</type>\r\n<contactInfo><name>Dr. Lee</name><fax>555-0100</fax></contactInfo>\r\n</item>\r\n</pendingNote>";

class SourceControlServletsTest : public ServletsFixture {
 protected:
  // One operation on a dictation from a workstation; the error message, "" when it succeeded
  // ("replayed" when it was the answer kept for `key`).
  std::string Operate(long id, int operation, const std::string& machineID, const std::string& note = "", const std::string& key = "") {
    const HttpReply reply = Post("0105", "utteranceID=" + std::to_string(id) + "&operation=" + std::to_string(operation) +
                                             "&machineID=" + servlet_wire::FormEncode(machineID) + "&pendingNote=" + servlet_wire::FormEncode(note), key);
    if (reply.status == 200) return reply.replayed ? "replayed" : "";
    return std::to_string(reply.status) + " " + Message(reply);
  }
  // The transcription of a dictation arrives and is committed.
  void UploadTranscription(long id) {
    const std::string name = "Local_" + std::to_string(id) + ".rtf";
    const std::string bytes = "{\\rtf1 done}";
    ASSERT_EQ(Upload("utteranceID=" + std::to_string(id) + "&fileName=" + name, bytes, servlet_wire::Sha256Hex(bytes)).status, 200);
    ASSERT_EQ(Post("0104", "utteranceID=" + std::to_string(id) + "&files=" + name).status, 200);
  }
  std::string LockedList(const std::string& machineID) { return Post("0107", "machineID=" + machineID).body; }
  std::string WorkQueue() { return Post("0100", "retrieveLocked=0").body; }
  static std::string Listed(long id) { return "<utteranceID>" + std::to_string(id) + "</utteranceID>"; }

};

TEST_F(SourceControlServletsTest, ALockBelongsToOneWorkstationUntilItsHolderChecksIn) {
  const std::string heldByFirst = "409 Utterance 1001 is checked out to jdoe at workstation WS-1";
  EXPECT_EQ(Operate(1001, 1, "WS-1"), "");
  EXPECT_EQ(Operate(1001, 1, "WS-1"), "") << "the holder may check out again";
  EXPECT_EQ(Operate(1001, 1, "WS-2"), heldByFirst);
  EXPECT_EQ(Operate(1001, 6, "WS-2"), heldByFirst);
  EXPECT_EQ(Operate(1001, 3, "WS-2"), heldByFirst);
  EXPECT_EQ(Operate(1001, 2, "WS-2"), heldByFirst);
  EXPECT_THAT(LockedList("WS-1"), HasSubstr(Listed(1001)));
  EXPECT_THAT(LockedList("WS-2"), Not(HasSubstr(Listed(1001))));
  EXPECT_THAT(LockedList(""), HasSubstr(Listed(1001)));
  EXPECT_THAT(WorkQueue(), HasSubstr(Listed(1001)));

  // A check-in follows the upload; until then the lock stays.
  EXPECT_EQ(Operate(1001, 2, "WS-1"), "409 Utterance 1001 has no upload since its check-out");
  EXPECT_EQ(Operate(1001, 1, "WS-2"), heldByFirst);
  UploadTranscription(1001);
  EXPECT_EQ(Operate(1001, 2, "WS-1"), "");
  EXPECT_THAT(WorkQueue(), Not(HasSubstr(Listed(1001))));
  EXPECT_THAT(LockedList(""), Not(HasSubstr(Listed(1001))));
  EXPECT_EQ(Operate(1001, 2, "WS-1"), "409 Utterance 1001 is not checked out to jdoe");
}

TEST_F(SourceControlServletsTest, UnlockReleasesAndEveryRefusalIsADictationError) {
  EXPECT_EQ(Operate(1002, 3, "WS-1"), "") << "a free dictation stays free";
  EXPECT_EQ(Operate(1002, 1, "WS-1"), "");
  EXPECT_EQ(Operate(1002, 8, "WS-1"), "");
  EXPECT_EQ(Operate(1002, 1, "WS-2"), "");
  EXPECT_EQ(Operate(1002, 2, "WS-1"), "409 Utterance 1002 is checked out to jdoe at workstation WS-2");
  EXPECT_EQ(Operate(1002, 12, "WS-2"), "400 Unknown operation 12");
  EXPECT_EQ(Operate(4242, 1, "WS-2"), "404 No such dictation");
  EXPECT_EQ(Operate(1002, 7, "WS-1"), "") << "operation 7 changes nothing";
  EXPECT_THAT(LockedList("WS-2"), HasSubstr(Listed(1002)));
}

TEST_F(SourceControlServletsTest, APendingCheckInKeepsTheDictationAndShowsItsNote) {
  EXPECT_EQ(Operate(1003, 1, "WS-1"), "");
  UploadTranscription(1003);
  EXPECT_THAT(Operate(1003, 4, "WS-1", "<pendingNote><item>"), HasSubstr("400 Bad pendingNote: "));
  EXPECT_EQ(Operate(1003, 4, "WS-1", "<?xml version=\"1.0\" ?><other/>"), "400 Bad pendingNote: the document is not a pendingNote");
  EXPECT_THAT(LockedList("WS-1"), HasSubstr(Listed(1003))) << "a refused check-in keeps the lock";

  EXPECT_EQ(Operate(1003, 4, "WS-1", kNote), "");
  EXPECT_THAT(LockedList(""), Not(HasSubstr(Listed(1003))));
  EXPECT_THAT(WorkQueue(), HasSubstr("<problemNote>Unclear at 01:12\nname: Dr. Lee\nfax: 555-0100</problemNote>"));
  std::string kept;
  servlets.Inspect("north", [&](const Institution& north) {
    for (const Dictation& dictation : north.Dictations()) {
      if (dictation.utteranceID == 1003) kept = dictation.pendingNoteDocument;
    }
  });
  EXPECT_EQ(kept, kNote);
  EXPECT_EQ(Operate(1003, 1, "WS-2"), "") << "another workstation may take it up";
}

TEST_F(SourceControlServletsTest, FaultsStillApplyToSourceControl) {
  servlets.Faults().Set("sourcecontrol", Fault::Status(503, "Busy"));
  EXPECT_EQ(Operate(1001, 1, "WS-1"), "503 Busy");
  EXPECT_EQ(Operate(1001, 1, "WS-1"), "");
}

TEST_F(SourceControlServletsTest, ARepeatedIdempotencyKeyGetsTheAnswerOfTheCallThatWasDone) {
  ASSERT_EQ(Operate(1001, 1, "WS-1"), "");
  // Refused: nothing was done, nothing kept; the same key is served afresh once the upload came.
  EXPECT_EQ(Operate(1001, 2, "WS-1", "", "k1"), "409 Utterance 1001 has no upload since its check-out");
  UploadTranscription(1001);
  EXPECT_EQ(Operate(1001, 2, "WS-1", "", "k1"), "");
  // Done: a repeat gets that answer, where the call itself would now be refused.
  EXPECT_EQ(Operate(1001, 2, "WS-1", "", "k1"), "replayed");
  EXPECT_EQ(Operate(1001, 2, "WS-1"), "409 Utterance 1001 is not checked out to jdoe");
  // The key names one call: another dictation or number is refused, as is a key that is no key.
  EXPECT_EQ(Operate(1002, 2, "WS-1", "", "k1"), "422 Idempotency-Key k1 was used for another call");
  EXPECT_EQ(Operate(1002, 1, "WS-1", "", "a key"), "400 Bad Idempotency-Key");
  EXPECT_EQ(Operate(1002, 1, "WS-1", "", std::string(ReplayStore::kMaxKeyLength + 1, 'k')), "400 Bad Idempotency-Key");
}

TEST(ReplayStoreTest, ForgetsTheOldestAnswersBeyondItsBound) {
  ReplayStore store;
  HttpReply done;
  done.body = "<InfoResponse/>";
  for (std::size_t i = 0; i <= ReplayStore::kMaxAnswers; ++i) store.Keep("north/jdoe", "k" + std::to_string(i), "0105 1001", done);
  EXPECT_EQ(store.Size(), ReplayStore::kMaxAnswers);
  EXPECT_FALSE(store.Find("north/jdoe", "k0", "0105 1001"));
  EXPECT_TRUE(store.Find("north/jdoe", "k1", "0105 1001"));
  EXPECT_FALSE(store.Find("north/other", "k1", "0105 1001"));  // a key is its caller's own
  // Answers too large to keep are served afresh.
  done.body.assign(ReplayStore::kMaxAnswerBytes + 1, 'x');
  store.Keep("north/jdoe", "large", "0105 1001", done);
  EXPECT_FALSE(store.Find("north/jdoe", "large", "0105 1001"));
}

}  // namespace
}  // namespace vz::simulator
