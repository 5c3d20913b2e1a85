// The fault plan's counting and the command-line form of faults.
#include "simulator/faults.hpp"

#include <gtest/gtest.h>

namespace vz::simulator {
namespace {

TEST(FaultPlan, LetsCallsThroughThenFiresTheGivenNumberOfTimesPerKind) {
  FaultPlan plan;
  plan.Set("download", Fault::Of(FaultKind::kDrop, 2, 1));
  EXPECT_FALSE(plan.Next("download"));
  EXPECT_FALSE(plan.Next("workqueue"));  // other kinds are not counted against it
  EXPECT_FALSE(plan.Next("download"));
  const auto fired = plan.Next("download");
  ASSERT_TRUE(fired);
  EXPECT_EQ(fired->kind, FaultKind::kDrop);
  EXPECT_FALSE(plan.Next("download"));

  plan.Set("workqueue", Fault::Status(503, "", -1));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(plan.Next("workqueue"));
  plan.Clear("workqueue");
  EXPECT_FALSE(plan.Next("workqueue"));
}

TEST(FaultPlan, AFaultForOneDictationCountsOnlyTheCallsForIt) {
  FaultPlan plan;
  const auto parsed = ParseFault("download:cut=100:after=1:utterance=1003");
  ASSERT_TRUE(parsed.problem.empty()) << parsed.problem;
  plan.Set(parsed.callKind, parsed.fault);
  // Calls for other dictations, in any number and order, neither meet nor count it.
  for (const char* other : {"1001", "1004", "1002", ""}) EXPECT_FALSE(plan.Next("download", other));
  EXPECT_FALSE(plan.Next("download", "1003"));  // the first is let through
  EXPECT_FALSE(plan.Next("download", "1005"));
  const auto fired = plan.Next("download", "1003");
  ASSERT_TRUE(fired);
  EXPECT_EQ(fired->kind, FaultKind::kCut);
  EXPECT_FALSE(plan.Next("download", "1003"));
}

TEST(ParseFault, ReadsEachFaultKindAndItsSettings) {
  const auto drop = ParseFault("download:drop:after=2:times=-1");
  ASSERT_EQ(drop.problem, "");
  EXPECT_EQ(drop.callKind, "download");
  EXPECT_EQ(drop.fault.kind, FaultKind::kDrop);
  EXPECT_EQ(drop.fault.after, 2);
  EXPECT_EQ(drop.fault.times, -1);

  const auto delay = ParseFault("workqueue:delay=1500");
  EXPECT_EQ(delay.fault.kind, FaultKind::kDelay);
  EXPECT_EQ(delay.fault.delay.count(), 1500);

  const auto status = ParseFault("upload:status=500:after=1:message=Disk full: try later");
  EXPECT_EQ(status.fault.kind, FaultKind::kStatus);
  EXPECT_EQ(status.fault.status, 500);
  EXPECT_EQ(status.fault.after, 1);
  EXPECT_EQ(status.fault.message, "Disk full: try later");

  EXPECT_EQ(ParseFault("download:checksum").fault.kind, FaultKind::kCorruptChecksum);
  EXPECT_EQ(ParseFault("download:digest").fault.kind, FaultKind::kCorruptDigest);
  EXPECT_EQ(ParseFault("login:credentials").fault.kind, FaultKind::kRejectCredentials);

  EXPECT_EQ(ParseFault("teleport:drop").problem, "unknown call kind teleport");
  EXPECT_EQ(ParseFault("download").problem, "a fault reads <call kind>:<fault>[:key=value...]");
  EXPECT_EQ(ParseFault("download:delay=soon").problem, "unknown fault delay=soon");
  EXPECT_EQ(ParseFault("download:drop:later=1").problem, "unknown fault setting later=1");
}

}  // namespace
}  // namespace vz::simulator
