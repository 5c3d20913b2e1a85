#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "model/register_model_classes.hpp"
#include "model/status_string.hpp"
#include "object/dispatch.hpp"

namespace vz {
namespace {

// One member as a line: name, kind, read/write for properties, arguments ([optional], &byref),
// and whether it is the default member or the enumerator.
std::string MemberLine(const MemberInfo& member) {
  std::string line = member.name + " " + std::string(MemberKindName(member.kind));
  if (member.kind == MemberKind::Property) line += member.writable ? " rw" : " r";
  line += " (";
  for (std::size_t i = 0; i < member.arguments.size(); ++i) {
    const ArgumentInfo& argument = member.arguments[i];
    if (i > 0) line += ", ";
    line += argument.byRef ? "&" : "";
    line += argument.optional ? "[" + argument.name + "]" : argument.name;
  }
  line += ")";
  if (member.isDefault) line += " default";
  if (member.isEnumerator) line += " enum";
  return line;
}

struct ExpectedClass {
  bool creatable;
  std::vector<std::string> members;
};

// The public interface of the request model, member by member in interface order.
const std::map<std::string, ExpectedClass>& Interface() {
  static const std::map<std::string, ExpectedClass> classes = {
      {"clsRequestSpec",
       {true,
        {"Utterances property rw ()", "WorkQueue property rw ()", "Actions property rw ()",
         "ShowProgress property rw ()", "Location property rw ()", "GenericRequests property r ()",
         "Discardable property rw ()", "CompletionAction property rw ()", "MaxRetries property rw ()",
         "IsVersionGraded property rw ()",
         "ReInitialize operation ([objUtterances], [objWorkQueue], [arrRequests], [sLocation], [bShowProgress])"}}},
      {"clsWorkQueue",
       {true,
        {"RetrieveLocked property rw ()", "RetrieveLocation property rw ()", "NumToRetrieve property rw ()",
         "XMLResponse property rw ()", "DownloadPath property rw ()", "DatabaseURL property rw ()",
         "Transcriptionist property rw ()", "MachineID property rw ()", "WorkQueueMode property rw ()",
         "HighPriorityLevelRequired property rw ()", "GridDownload property rw ()", "MaxRows property rw ()",
         "ReInitialize operation ([nNumToRetrieve], [bLocked], [nRetrieveLocation])",
         "ExtractXML operation (&colUtteranceObjects)"}}},
      {"clsConnectInfo",
       {true,
        {"DownloadPath property rw ()", "Transcriptionist property rw ()", "Password property rw ()",
         "PenwrightClientPath property rw ()", "CurrentLocation property rw ()", "CurrentLocationID property rw ()",
         "CurrentDatabaseURL property rw ()", "InformationURL property rw ()", "InstitutionID property rw ()",
         "PenwrightVersion property rw ()", "MachineID property rw ()", "Realm property rw ()",
         "InstitutionDirectory property rw ()", "RealTimePath property rw ()",
         "RealTimeTemplateChooser property rw ()", "CurrentUrlStem property rw ()"}}},
      {"clsGenericRequests",
       {true,
        {"Add operation (eType)", "Count property r ()", "Item property r (Index) default", "NewEnum operation () enum",
         "Remove operation (Index)", "NextAction operation (eRequestType, eState)", "GetFirst operation (eType)",
         "LogErrors operation (sContext)"}}},
      {"clsGenericRequest",
       {false,
        {"Transmitted property rw ()", "Completed property rw ()", "Retrieved property rw ()",
         "Parameters property r ()", "ResponseCodes property r ()", "ErrorMessages property r ()",
         "ResponseStrings property r ()", "FileNames property r ()", "ID property rw ()",
         "RequestType property rw ()", "Tag property rw ()", "GenericFiles property rw ()",
         "DictionaryFiles property rw ()", "Clear operation ()"}}},
      {"clsParameters",
       {true,
        {"Add operation (sParmValue, sParmName, [eIncrement])", "Exists operation (sParmName)", "Count property r ()",
         "Item property r (Index) default", "NewEnum operation () enum"}}},
      {"clsParameter", {false, {"ParmValue property rw () default", "ParmName property rw ()"}}},
      {"clsGenericFiles",
       {false,
        {"Add operation ()", "Count property r ()", "Item property r (Index)", "NewEnum operation () enum",
         "Remove operation (Index)", "FileType property rw ()", "CreateFileLists operation ()",
         "FileNames property r ()", "FileIDs property r ()", "FilePaths property r ()"}}},
      {"clsGenericFile", {false, {"FileName property rw ()", "FilePath property rw ()", "FileID property rw ()"}}},
      {"clsCollectionOfStrings",
       {true,
        {"Add operation (sString, sID)", "Count property r ()", "Item property r (Index) default",
         "NewEnum operation () enum", "Remove operation (Index)"}}},
      {"clsCollectionOfLongs",
       {true,
        {"Add operation (lLong, vID)", "Count property r ()", "Item property r (Index)", "NewEnum operation () enum",
         "Remove operation (Index)"}}},
      {"Collection",
       {false,
        {"Add operation (Item, [Key])", "Count operation ()", "Item operation (Index) default",
         "Remove operation (Index)", "NewEnum operation () enum"}}},
      {"clsXMLResponse",
       {true,
        {"XMLResponse property rw ()", "ResponseType property rw ()", "Filled property rw ()",
         "ErrorMessage property rw ()"}}},
      {"clsStatusString",
       {true,
        {"NewStatus operation (eStatChange, sCurStatus)", "MarkedForUpload operation (sStatus)",
         "Downloaded operation (sStatus)", "CheckedOut operation (sStatus)",
         "ReadyForLiteralTranscription operation (sStatus)", "TypeFromStatus operation (sStatus)"}}},
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

  for (const auto& [name, expected] : Interface()) {
    const ClassInfo& info = dispatch::Describe(name, registry);
    std::vector<std::string> members;
    for (const MemberInfo& member : info.Members()) members.push_back(MemberLine(member));
    EXPECT_EQ(members, expected.members) << name;
    EXPECT_EQ(info.Creatable(), expected.creatable) << name;
  }
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
