#include <gtest/gtest.h>

#include "diagnostics/trace.hpp"
#include "execution/retry_classification.hpp"

namespace vz {
namespace {

TEST(RetryClassification, ErrorTextsThatMeanRetry) {
  struct Case {
    const char* message;
    bool retry;
  };
  const Case cases[] = {
      {"File failed its checksum", true},  // CHECKSUM in any case
      {"REQUEST TERMINATED DURING SHUTDOWN", true},
      {"request terminated during shutdown", false},  // this marker is compared as written
      {"Error verifying security rights for jsmith", true},
      {"a network communications error occurred", true},
      {"Missing request number", true},
      {"(12002) The operation timed out", true},
      {"(12029) Cannot connect", true},
      {"(12171) last of the range", true},
      {"(12172) just past the range", false},
      {"(11999) just before the range", false},
      {"(35930) listed code", true},
      {"(404) Not Found", false},
      {"( 12007 ) blanks around the code", true},
      {"(abc) not a number", false},
      {"(12002 no closing bracket", false},
      {"plain failure", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(bfnRequestTimeOutMessage(c.message), c.retry) << c.message;
}

TEST(RetryClassification, DiscardableKindsAndDocumentVersions) {
  for (const std::int32_t kept : {5, 7, 9, 10, 12, 19, 22, 24, 32, 40, 47, 50}) EXPECT_FALSE(bfnIsDiscardable(kept)) << kept;
  for (const std::int32_t dropped : {1, 2, 4, 6, 8, 49, -1, 0}) EXPECT_TRUE(bfnIsDiscardable(dropped)) << dropped;
  EXPECT_EQ(GetDocVersionFromError("Conflict: DocumentVersion=3"), "3");
  EXPECT_EQ(GetDocVersionFromError("no version here"), "");
}

TEST(RetryClassification, HostsThatCannotBeReached) {
  EXPECT_TRUE(bfnNoRemoteHostMessage("(12029) Cannot connect to host:443"));
  EXPECT_TRUE(bfnNoRemoteHostMessage("(12007) The server name could not be resolved: host"));
  EXPECT_FALSE(bfnNoRemoteHostMessage("(12002) The operation timed out")) << "a time-out is retried";
  EXPECT_FALSE(bfnNoRemoteHostMessage("(12030) The connection with the server was ended"));
  EXPECT_FALSE(bfnNoRemoteHostMessage("Cannot connect to host"));
  EXPECT_FALSE(bfnNoRemoteHostMessage("(abc) 12029"));
}

}  // namespace
}  // namespace vz
