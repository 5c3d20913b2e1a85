#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "model/register_model_classes.hpp"
#include "model/status_string.hpp"
#include "member_lines.hpp"
#include "object/dispatch.hpp"

namespace vz {
namespace {

using testing::ExpectedInterface;

// The public interface of the request model, member by member in interface order.
const ExpectedInterface& Interface() {
  static const ExpectedInterface classes = {
      {"clsRequestSpec",
       {true,
        {"Utterances rw", "WorkQueue rw", "Actions rw",
         "ShowProgress rw", "Location rw", "GenericRequests r",
         "Discardable rw", "CompletionAction rw", "MaxRetries rw",
         "IsVersionGraded rw",
         "ReInitialize op ([objUtterances], [objWorkQueue], [arrRequests], [sLocation], [bShowProgress])"}}},
      {"clsWorkQueue",
       {true,
        {"RetrieveLocked rw", "RetrieveLocation rw", "NumToRetrieve rw",
         "XMLResponse rw", "DownloadPath rw", "DatabaseURL rw",
         "Transcriptionist rw", "MachineID rw", "WorkQueueMode rw",
         "HighPriorityLevelRequired rw", "GridDownload rw", "MaxRows rw",
         "ReInitialize op ([nNumToRetrieve], [bLocked], [nRetrieveLocation])",
         "ExtractXML op (&colUtteranceObjects)"}}},
      {"clsConnectInfo",
       {true,
        {"DownloadPath rw", "Transcriptionist rw", "Password rw",
         "PenwrightClientPath rw", "CurrentLocation rw", "CurrentLocationID rw",
         "CurrentDatabaseURL rw", "InformationURL rw", "InstitutionID rw",
         "PenwrightVersion rw", "MachineID rw", "Realm rw",
         "InstitutionDirectory rw", "RealTimePath rw",
         "RealTimeTemplateChooser rw", "CurrentUrlStem rw"}}},
      {"clsGenericRequests",
       {true,
        {"Add op (eType)", "Count r", "Item r (Index) default", "NewEnum op enum",
         "Remove op (Index)", "NextAction op (eRequestType, eState)", "GetFirst op (eType)",
         "LogErrors op (sContext)"}}},
      {"clsGenericRequest",
       {false,
        {"Transmitted rw", "Completed rw", "Retrieved rw",
         "Parameters r", "ResponseCodes r", "ErrorMessages r",
         "ResponseStrings r", "FileNames r", "ID rw",
         "RequestType rw", "Tag rw", "GenericFiles rw",
         "DictionaryFiles rw", "Clear op"}}},
      {"clsParameters",
       {true,
        {"Add op (sParmValue, sParmName, [eIncrement])", "Exists op (sParmName)", "Count r",
         "Item r (Index) default", "NewEnum op enum"}}},
      {"clsParameter", {false, {"ParmValue rw default", "ParmName rw"}}},
      {"clsGenericFiles",
       {false,
        {"Add op", "Count r", "Item r (Index)", "NewEnum op enum",
         "Remove op (Index)", "FileType rw", "CreateFileLists op",
         "FileNames r", "FileIDs r", "FilePaths r"}}},
      {"clsGenericFile", {false, {"FileName rw", "FilePath rw", "FileID rw"}}},
      {"clsCollectionOfStrings",
       {true,
        {"Add op (sString, sID)", "Count r", "Item r (Index) default",
         "NewEnum op enum", "Remove op (Index)"}}},
      {"clsCollectionOfLongs",
       {true,
        {"Add op (lLong, vID)", "Count r", "Item r (Index)", "NewEnum op enum",
         "Remove op (Index)"}}},
      {"Collection",
       {false,
        {"Add op (Item, [Key])", "Count op", "Item op (Index) default",
         "Remove op (Index)", "NewEnum op enum"}}},
      {"clsXMLResponse",
       {true,
        {"XMLResponse rw", "ResponseType rw", "Filled rw",
         "ErrorMessage rw"}}},
      {"clsStatusString",
       {true,
        {"NewStatus op (eStatChange, sCurStatus)", "MarkedForUpload op (sStatus)",
         "Downloaded op (sStatus)", "CheckedOut op (sStatus)",
         "ReadyForLiteralTranscription op (sStatus)", "TypeFromStatus op (sStatus)"}}},
  };
  return classes;
}

TEST(ModelInterface, EveryClassDescribesExactlyItsMembersInOrder) {
  ClassRegistry registry;
  RegisterModelClasses(registry);
  std::vector<std::string> registered;
  for (const ClassInfo* info : registry.Classes()) registered.push_back(info->Name());
  std::vector<std::string> expectedNames;
  for (const auto& [name, expected] : Interface()) expectedNames.push_back(name);
  EXPECT_THAT(registered, ::testing::UnorderedElementsAreArray(expectedNames));

  testing::ExpectDescribedAsIn(Interface(), registry);
}

TEST(ModelInterface, StatusStringAnswersThroughDispatch) {
  ClassRegistry registry;
  RegisterModelClasses(registry);
  const ObjectRef status = dispatch::Create("clsStatusString", registry);
  std::vector<Value> args{Value(std::int32_t{2}), Value("Ready for Transcription")};
  EXPECT_EQ(dispatch::Call(*status, "NewStatus", args), Value("Downloaded for Standard Transcription"));
  EXPECT_EQ(dispatch::Get(*status, "TypeFromStatus", std::vector<Value>{Value("Ready for Editing")}),
            Value(std::int32_t{3}));  // a variant holding a 32-bit number
  EXPECT_EQ(dispatch::Get(*status, "CheckedOut", std::vector<Value>{Value("CHECKED OUT")}), Value(true));
}

}  // namespace
}  // namespace vz
