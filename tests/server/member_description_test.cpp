// The member descriptions the automation layer serves: every member a client may use, in
// interface order, with how it may be used. A missing, misspelt or misplaced member fails here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "member_lines.hpp"
#include "object/class_registry.hpp"
#include "server/register_server_classes.hpp"

namespace vz {
namespace {

// Members without their arguments: "name kind", kind r, w, rw, op or ev.
using MemberList = std::vector<std::string>;
MemberList Listed(const ClassInfo& info) { return testing::MemberLines(info, /*withArguments=*/false); }

const ClassInfo& Find(const char* name) {
  RegisterServerClasses(ClassRegistry::Global());
  const ClassInfo* info = ClassRegistry::Global().Find(name);
  if (!info) throw std::runtime_error(std::string("not registered: ") + name);
  return *info;
}

TEST(MemberDescriptions, ServerObject) {
  const MemberList expected = {
      "Fire_LoginStatus op", "InitCrashHandlers op", "DatabaseRequests r", "LogFilePath rw", "GlobalLogFile rw",
      "GlobalSummaryLogFile rw", "TimeOutMonitor r", "Cleanup op", "DownloadPath rw", "TimerBlocked rw",
      "ProcessHandle r", "ThreadHandle r", "NewRequestSpec op", "NewConnectInfo op", "NewUtteranceCollection op",
      "NewParametersCollection op", "NewUtteranceObject op", "NewWorkQueue op", "NewStatusStringObject op", "StopAllRequests op", "ConnectionActive r",
      "ShutDownInProcess rw", "AppPath rw", "Instance rw", "TraceLevel rw", "LoggedIn rw", "PenwrightVersion rw",
      "ExitProcessWindowHandle r", "Terminator r", "RetryTimerInterval rw", "TruncateRequest op",
      "TurnOffTruncateFlag op", "CancelAllRequests rw", "ForceError rw", "MakeNewFormHandler op",
      "ShutDownPenwrightClientDLL op", "BinaryRTFUploadsImplemented rw", "CutoffForRTFTextUpload rw",
      "ReinitializeFormHandler r", "AdditionalCommWarning rw", "InitializeTimeOutMechanism op", "ForceCrash op",
      "DBRUseCustomDateFormat w", "DBRDateAndTimeFormat w", "DatabaseRequestComplete ev", "DBRError ev",
      "NewLogin ev", "CommunicationsWarning ev", "LoginStatus ev"};
  const ClassInfo& info = Find("clsZERUredoz");
  EXPECT_EQ(Listed(info), expected);
  EXPECT_TRUE(info.Creatable());
  const MemberInfo* complete = info.FindEvent("DatabaseRequestComplete");
  ASSERT_NE(complete, nullptr);
  ASSERT_EQ(complete->arguments.size(), 2u);
  EXPECT_FALSE(complete->arguments[0].byRef);
  EXPECT_TRUE(complete->arguments[1].byRef);
  EXPECT_TRUE(info.FindMember("InitializeTimeOutMechanism")->arguments[0].optional);
  EXPECT_TRUE(info.FindMember("InitCrashHandlers")->arguments[0].byRef);
  EXPECT_TRUE(info.FindMember("ForceCrash")->arguments[0].byRef);
}

TEST(MemberDescriptions, RequestQueue) {
  const MemberList expected = {"GetNextPending op", "Add op", "Count r", "Remove op", "ShutDownInProcess w",
                               "Item op default", "NewEnum op enum", "CurrentRequestKey rw", "CurrentRequest r",
                               "RequestActive rw", "ConnectionInfo r", "AcceptingRequests rw", "QueueType rw"};
  const ClassInfo& info = Find("clsDatabaseRequests");
  EXPECT_EQ(Listed(info), expected);
  EXPECT_FALSE(info.Creatable());
  EXPECT_TRUE(info.FindMember("GetNextPending")->arguments[0].byRef);
  EXPECT_EQ(info.DefaultMember()->name, "Item");
}

TEST(MemberDescriptions, Request) {
  const MemberList expected = {
      "SetupRequestList op", "Run op", "ActionsRemaining r", "CurrentActionID op", "ActionDescription op",
      "DeActivate op", "Active rw", "TruncateRequest op", "Truncated r", "Ignore rw", "ID rw", "Location rw",
      "GlobalErrorMessage rw", "ShowProgress rw", "Discardable rw", "CompletionAction rw", "MaxRetries rw",
      "IsVersionGraded rw", "SplitDictationID rw", "UsePendingReasons rw", "UseMTReview rw", "Retries r",
      "ContinueRetries w", "Utterances rw", "WorkQueue rw", "GenericRequests rw", "ConnectionInfo rw",
      "ConstructDescription op", "Description op", "sfnErrorMessagesAsOneString op", "RunTraceRouteLogger op",
      "HandleDictationListErrors op", "ApplyStatusUpdates op", "UpdateStatusCodes op", "CreateEmptyQAGFile op"};
  const ClassInfo& info = Find("clsDatabaseRequest");
  EXPECT_EQ(Listed(info), expected);
  EXPECT_TRUE(info.FindMember("ActionDescription")->arguments[0].byRef);
}

}  // namespace
}  // namespace vz
