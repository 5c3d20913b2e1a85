// The reference-data calls of the HTTP client services against the institution simulator: lists
// and searches as single answers, file answers saved where the engine says (the compressed lists,
// the contact list with the server's time stamp, its changes), header documents per dictation, the
// names of the dictionary list, and template and dictionary files whose names the server chose.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>

#include "clientservices/http_client_services.hpp"
#include "execution/zip_unpacker.hpp"
#include "platform/event_loop.hpp"
#include "simulator/reference_data.hpp"
#include "simulator/simulator_server.hpp"
#include "temp_folder.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using simulator::Fault;
using testing::ReadFile;
using testing::TempFolder;

constexpr std::chrono::milliseconds kLimit{20'000};

CallArguments Named(std::map<std::string, std::string, std::less<>> named) {
  CallArguments arguments;
  arguments.named = std::move(named);
  return arguments;
}

// The call's dictations: each at location 3, version "0".
CallArguments Dictations(const std::vector<std::int32_t>& utteranceIDs) {
  CallArguments arguments;
  for (const std::int32_t id : utteranceIDs) arguments.dictations.push_back({3, id, "0", false, "0", ""});
  return arguments;
}

CallArguments Templates(std::vector<TemplateFile> files, const std::filesystem::path& folder) {
  CallArguments arguments = Named({{argument::kDownloadFolder, folder.string()}});
  arguments.templates = std::move(files);
  return arguments;
}

CallArguments Dictionaries(std::vector<std::string> names, const std::filesystem::path& folder) {
  CallArguments arguments = Named({{argument::kDownloadFolder, folder.string()}});
  arguments.dictionaries = std::move(names);
  return arguments;
}

class ReferenceDataCallsTest : public ::testing::Test {
 protected:
  ReferenceDataCallsTest() {
    simulator::SimulatorConfig config;
    config.dataFolder = data.Path();
    config.institutions[0].dictations = 3;
    config.institutions[0].secondsOfAudio = 1;
    simulator::InstitutionConfig hostile = config.institutions[0];
    hostile.name = "South Clinic";
    hostile.directory = "south";
    hostile.templates = {{"1", "../../x", "", "03/01/2026 10:00:00", "owned"}, {"2", "Fine.dot", "General", "03/01/2026 10:00:00", "fine"}};
    config.institutions.push_back(hostile);
    server = std::make_unique<simulator::InstitutionSimulator>(config);
    server->Start();
    north = config.institutions[0];
    std::filesystem::create_directories(downloads);
  }
  ~ReferenceDataCallsTest() override {
    if (server->Running()) server->Stop();
  }

  // Makes the object for `action`, starts its call and runs the loop until its completion.
  std::shared_ptr<ClientServiceObject> Call(Action action, CallArguments arguments, const std::string& directory = "north") {
    auto object = services.Create(action);
    object->Init(ConnectionInit{server->ServletURL(directory), "jdoe", "secret", "3"});
    int completions = 0;
    object->OnCompletion([&](bool errors) {
      ++completions;
      lastErrors = errors;
    });
    EXPECT_TRUE(object->Start(std::move(arguments)));
    loop.RunUntil([&] { return completions > 0; }, kLimit);
    loop.Poll();
    EXPECT_EQ(completions, 1);
    return object;
  }
  const simulator::Institution& Institution() {
    const simulator::Institution* found = nullptr;
    server->GetServlets().Inspect("north", [&](const simulator::Institution& institution) { found = &institution; });
    return *found;
  }

  TempFolder data;
  TempFolder app;
  std::filesystem::path downloads = app.Path() / "Downloads";
  std::unique_ptr<simulator::InstitutionSimulator> server;
  simulator::InstitutionConfig north;
  EventLoop loop;
  HttpClientServices services{loop.Context()};
  bool lastErrors = false;
};

TEST_F(ReferenceDataCallsTest, ListsAndSearchesAreSingleAnswersAndARefusedSearchIsItsError) {
  const auto searchLists = Call(Action::DBR_GETSEARCHLISTS, Named({{"institutionID", "12"}, {"application", "Penwright"}, {"selector", "NNYYNNNNNNNNNNNNY"}}));
  EXPECT_FALSE(lastErrors) << searchLists->getErrorMessage();
  EXPECT_EQ(searchLists->getXMLResponse(), *simulator::ListsDocument(Institution(), simulator::kSearchListSelector));

  const auto speakers = Call(Action::DBR_GETSPEAKERS, Named({{"institutionID", "12"}, {"application", ""}, {"selector", "NNY"}}));
  EXPECT_THAT(speakers->getXMLResponse(), HasSubstr("<Speaker code=\"DRX\">Dr. Alex Example</Speaker>"));
  EXPECT_THAT(speakers->getXMLResponse(), ::testing::Not(HasSubstr("<WorkType")));
  const auto otherInstitution = Call(Action::DBR_GETWORKTYPES, Named({{"institutionID", "99"}, {"application", ""}, {"selector", "NNNY"}}));
  EXPECT_EQ(otherInstitution->getErrorMessage(), "Institution 99 not found");

  const auto patients = Call(Action::DBR_SEARCHPATIENTINFO, Named({{"LastName", "do"}}));
  EXPECT_FALSE(lastErrors);
  EXPECT_THAT(patients->getXMLResponse(), HasSubstr("<lastName>Doe</lastName>"));
  EXPECT_THAT(patients->getXMLResponse(), ::testing::Not(HasSubstr("<lastName>Roe</lastName>")));
  const auto refused = Call(Action::DBR_SEARCHPATIENTINFO, Named({{"LastName", ""}, {"MRN", ""}, {"VisitCode", ""}}));
  EXPECT_TRUE(lastErrors);
  EXPECT_EQ(refused->getErrorMessage(), "A patient search needs LastName, MRN or VisitCode");

  const auto hl7 = Call(Action::DBR_HL7SEARCH, Named({{"parmString", "&MRN=MRN-4401"}}));
  EXPECT_THAT(hl7->getXMLResponse(), HasSubstr("<lastName>Roe</lastName>"));
  const auto online = Call(Action::DBR_ONLINESEARCH, Named({{"utteranceID", "1001"}, {"paramString", "&field=speaker&value=mira"}}));
  EXPECT_THAT(online->getXMLResponse(), HasSubstr("<SearchValue code=\"DRM\">Dr. Mira Sample</SearchValue>"));
  const auto dictations = Call(Action::DBR_DICTATIONSEARCH, Named({{"searchParameters", "&speakerCode=DRT"}}));
  EXPECT_THAT(dictations->getXMLResponse(), HasSubstr("<utteranceID>1003</utteranceID>"));
  EXPECT_THAT(dictations->getXMLResponse(), ::testing::Not(HasSubstr("<utteranceID>1001</utteranceID>")));
}

TEST_F(ReferenceDataCallsTest, CompressedListsAndContactsAreSavedWhereTheEngineSays) {
  const std::string zip = (app.Path() / "SearchLists_12_3.zip").string();
  Call(Action::DBR_GETLISTSCOMPRESSED, Named({{"institutionID", "12"},
                                              {"application", "Penwright"},
                                              {"selector", "NNYYNNNNNNNNNNNNY"},
                                              {"certificate", "031226094107"},
                                              {argument::kAnswerFile, zip}}));
  EXPECT_FALSE(lastErrors);
  ASSERT_TRUE(DecompressFile(zip));
  EXPECT_EQ(ReadFile(app.Path() / "SearchLists_12_3.xml"), *simulator::ListsDocument(Institution(), simulator::kSearchListSelector));

  const std::string list = (app.Path() / "ContactList_12_3_Dev.xml").string();
  const std::string stamp = (app.Path() / "Request206.ts").string();
  Call(Action::DBR_GETCONTACTSFILE, Named({{"VersionID", "7"},
                                            {"doCompress", "0"},
                                            {"institutionID", "12"},
                                            {argument::kAnswerFile, list},
                                            {argument::kTimestampFile, stamp}}));
  EXPECT_FALSE(lastErrors);
  EXPECT_EQ(ReadFile(list), simulator::ContactsDocument(north, ""));
  EXPECT_EQ(ReadFile(stamp), simulator::ContactListTimestamp(north) + "\r\n");

  const std::string changes = (app.Path() / "ContactDeltas_12_3_Dev.zip").string();
  Call(Action::DBR_GETCONTACTCHANGES, Named({{"VersionID", "7"},
                                              {"doCompress", "1"},
                                              {"since", "02/20/2026 00:00:00"},
                                              {"institutionID", "12"},
                                              {argument::kAnswerFile, changes}}));
  EXPECT_FALSE(lastErrors);
  ASSERT_TRUE(DecompressFile(changes));
  const std::string document = ReadFile(app.Path() / "ContactDeltas_12_3_Dev.xml");
  EXPECT_EQ(document, simulator::ContactsDocument(north, "02/20/2026 00:00:00"));
  EXPECT_THAT(document, HasSubstr("<contactID>"));
  EXPECT_LT(document.size(), ReadFile(list).size());

  // A malformed time stamp is the servlet's error; nothing is saved.
  std::filesystem::remove(changes);
  const auto bad = Call(Action::DBR_GETCONTACTCHANGES, Named({{"VersionID", "7"},
                                                                {"doCompress", "1"},
                                                                {"since", "last week"},
                                                                {"institutionID", "12"},
                                                                {argument::kAnswerFile, changes}}));
  EXPECT_EQ(bad->getErrorMessage(), "Bad parameter since: last week");
  EXPECT_FALSE(std::filesystem::exists(changes));
}

TEST_F(ReferenceDataCallsTest, InjectedFaultsReachTheReferenceDataCalls) {
  const std::string list = (app.Path() / "ContactList_12_3_Dev.xml").string();
  server->Faults().Set("contacts", Fault::Status(503));
  const auto unavailable = Call(Action::DBR_GETCONTACTSFILE, Named({{"VersionID", "7"},
                                                                {"doCompress", "0"},
                                                                {"institutionID", "12"},
                                                                {argument::kAnswerFile, list}}));
  EXPECT_THAT(unavailable->getErrorMessage(), ::testing::StartsWith("(12152) The server returned an invalid response: HTTP 503"));
  EXPECT_FALSE(std::filesystem::exists(list));

  server->Faults().Set("patientsearch", Fault::Status(500, "Patient index offline"));
  EXPECT_EQ(Call(Action::DBR_SEARCHPATIENTINFO, Named({{"LastName", "Doe"}}))->getErrorMessage(),
            "Patient index offline");

  server->Faults().Set("templatefiles", Fault::Of(simulator::FaultKind::kCorruptDigest));
  const auto corrupt = Call(Action::DBR_GETTEMPLATEDOCS, Templates({{"100", "Consultation.dot", "Cardiology"}}, downloads));
  EXPECT_THAT(corrupt->ErrorMessages(), ElementsAre("File Consultation.dot: CHECKSUM mismatch in Consultation.dot"));
  EXPECT_FALSE(std::filesystem::exists(downloads / "Consultation.dot"));
}

TEST_F(ReferenceDataCallsTest, HeadersComeOnePerDictation) {
  const auto headers = Call(Action::DBR_GETHEADER, Dictations({1001, 4711, 1003}));
  EXPECT_TRUE(lastErrors);
  EXPECT_THAT(headers->ErrorMessages(), ElementsAre("", "Utterance 4711: No such dictation  documentVersion=0", ""));
  const auto responses = headers->DictationResponses();
  ASSERT_EQ(responses.size(), 3u);
  EXPECT_EQ(responses[0], simulator::HeaderDocument(Institution(), Institution().Dictations()[0]));
  EXPECT_EQ(responses[1], "");
  EXPECT_THAT(responses[2], HasSubstr("<utteranceID>1003</utteranceID>"));
}

TEST_F(ReferenceDataCallsTest, TemplatesAndDictionariesAreSavedInTheDownloadFolderByTheirListedNames) {
  const auto list = Call(Action::DBR_GETTEMPLATEDOCLIST, Named({{"lastModifiedDate", "02/10/2026 00:00:00"}}));
  EXPECT_THAT(list->getXMLResponse(), HasSubstr("<Count>3</Count>"));
  EXPECT_THAT(list->getXMLResponse(), HasSubstr("<Template TemplateID=\"102\" Filename=\"OperativeNote.dot\" Path=\"Surgery\"/>"));

  const auto templates = Call(Action::DBR_GETTEMPLATEDOCS, Templates({{"100", "Consultation.dot", "Cardiology"},
                                                                  {"104", "RadiologyReport.dot", "Radiology"},
                                                                  {"999", "Missing.dot", "General"}},
                                                                 downloads));
  EXPECT_TRUE(lastErrors);
  EXPECT_THAT(templates->ErrorMessages(), ElementsAre("", "", "File Missing.dot: No such template Missing.dot"));
  const auto catalogue = simulator::Templates(north);
  EXPECT_EQ(ReadFile(downloads / "Consultation.dot"), catalogue[0].content);
  EXPECT_EQ(ReadFile(downloads / "RadiologyReport.dot"), catalogue[4].content);

  const auto names = Call(Action::DBR_GETDICTIONARIESLIST, Named({{"lastModifiedFlagPath", "C:/flags"}, {"lastModifiedDate", ""}}));
  EXPECT_THAT(names->ListNames(), ElementsAre("medical.dic", "cardiology.dic", "radiology.dic"));
  EXPECT_THAT(Call(Action::DBR_GETDICTIONARIESLIST, Named({{"lastModifiedFlagPath", ""}, {"lastModifiedDate", "03/01/2026 00:00:00"}}))->ListNames(), ElementsAre("radiology.dic"));
  Call(Action::DBR_DOWNLOADDICTIONARY, Dictionaries({"medical.dic", "radiology.dic"}, downloads));
  EXPECT_FALSE(lastErrors);
  EXPECT_EQ(ReadFile(downloads / "radiology.dic"), simulator::Dictionaries(north)[2].content);
}

TEST_F(ReferenceDataCallsTest, AHostileServersNamesLeaveNothingOutsideTheDownloadFolder) {
  // "../../x" from the download folder is "x" in the shared temporary folder, which something else
  // may hold: what counts is that this call neither made nor changed it.
  const std::filesystem::path outside = app.Path().parent_path() / "x";
  const auto stamp = [&outside] {
    std::error_code error;
    const auto when = std::filesystem::last_write_time(outside, error);
    return error ? std::optional<std::filesystem::file_time_type>() : when;
  };
  const auto before = stamp();
  const auto list = Call(Action::DBR_GETTEMPLATEDOCLIST, Named({{"lastModifiedDate", ""}}), "south");
  EXPECT_THAT(list->getXMLResponse(), HasSubstr("Filename=\"../../x\""));
  const auto templates = Call(Action::DBR_GETTEMPLATEDOCS,
                              Templates({{"1", "../../x", ""}, {"2", "Fine.dot", "General"}, {"3", "/tmp/x", ""}, {"4", std::string("a\0b", 3), ""}},
                                        downloads),
                              "south");
  EXPECT_THAT(templates->ErrorMessages(), ElementsAre("File ../../x: refused file name from the server: a file name with ..", "",
                                                      "File /tmp/x: refused file name from the server: a file name with a folder part",
                                                      HasSubstr("refused file name from the server: a file name with a NUL")));
  EXPECT_EQ(ReadFile(downloads / "Fine.dot"), "fine");
  EXPECT_EQ(stamp(), before);
  EXPECT_FALSE(std::filesystem::exists(downloads.parent_path() / "x"));
  std::vector<std::string> written;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(app.Path())) written.push_back(entry.path().filename().string());
  EXPECT_THAT(written, ::testing::UnorderedElementsAre("Downloads", "Fine.dot"));

  // The same for dictionaries.
  const auto dictionaries = Call(Action::DBR_DOWNLOADDICTIONARY, Dictionaries({".."}, downloads));
  EXPECT_THAT(dictionaries->ErrorMessages(), ElementsAre("File ..: refused file name from the server: a file name with .."));
}

}  // namespace
}  // namespace vz
