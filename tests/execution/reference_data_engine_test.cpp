// Reference data through the engine with scripted client services: what each completion leaves for
// the editor (the parameter set's answers and errors) and on disk (search lists, contact lists, the
// time stamp, header documents), how a template or dictionary list fills the download that
// follows it, and which failures retry, which are recorded and which end the request.
#include "engine_fixture.hpp"
#include "execution/contacts_files.hpp"
#include "model/generic_files.hpp"
#include "platform/files.hpp"
#include "heap_peak.hpp"
#include "zip_maker.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadFile;
using testing::WriteFile;
using testing::WriteZip;

std::vector<std::string> Errors(clsGenericRequest& generic) {
  std::vector<std::string> texts;
  for (const Value& value : generic.ErrorMessages()->Items()) texts.push_back(value.ToString());
  return texts;
}


class ReferenceDataEngineTest : public testing::DictationEngineTest {
 protected:
  void SetUp() override {
    DictationEngineTest::SetUp();
    ConnectAtNorthClinic();
  }

  // A request for the connection's location running `actions` then the work queue, one parameter
  // set per action.
  std::vector<std::shared_ptr<clsGenericRequest>> Submit(std::vector<std::int32_t> actions,
                                                          const std::vector<std::pair<std::string, std::string>>& parameters = {}) {
    std::vector<std::int32_t> all = actions;
    all.push_back(2);
    auto spec = SpecWithDictations(all, 1);
    spec->SetLocation("North Clinic");
    std::vector<std::shared_ptr<clsGenericRequest>> sets;
    for (const std::int32_t action : actions) {
      sets.push_back(spec->GenericRequests()->Add(action));
      for (const auto& [name, value] : parameters) sets.back()->Parameters()->Add(value, name);
    }
    server->DatabaseRequests()->Add(spec);
    return sets;
  }
  // Whether the request went on to its closing work-queue call.
  bool WentOn() const { return !services->Calls().empty() && services->Calls().back().action == Action::DBR_GETWORKQUEUE; }
  const ScriptedCall& CallOn(Action action) const {
    for (const ScriptedCall& call : services->Calls())
      if (call.action == action) return call;
    throw std::runtime_error("no call of action " + std::to_string(IdOf(action)));
  }
  std::string App(const std::string& name) const { return (folder.Path() / "App" / name).string(); }
};

struct SingleAnswer {
  Action action;
  const char* missingSetError;  // the text that ends a request without a parameter set
  bool retriesTimeOut;
};

const SingleAnswer kSingleAnswers[] = {
    {Action::DBR_GETLOCKEDLIST, "No free GenericRequest objects on return from LockedList request.", true},
    {Action::DBR_SEARCHPATIENTINFO, "No free GenericRequest objects on return from SearchPatientInfo request.", true},
    {Action::DBR_GETSPEAKERS, "No free GenericRequest objects on return from RetrieveSpeakers request.", true},
    {Action::DBR_GETWORKTYPES, "No free GenericRequest objects on return from RetrieveWorkTypes request.", true},
    {Action::DBR_HL7SEARCH, "No free GenericRequest objects on return from HL7Search request.", true},
    {Action::DBR_ONLINESEARCH, "Unexpected internal error: Could not retrieve GenericRequest object when handling Online Search request.", false},
    {Action::DBR_DICTATIONSEARCH, "Unexpected internal error: Could not retrieve GenericRequest object when handling Dictation Search request.", true},
};

TEST_F(ReferenceDataEngineTest, SingleAnswersReachTheParameterSetAndTheRequestGoesOn) {
  for (const SingleAnswer& row : kSingleAnswers) {
    SCOPED_TRACE(IdOf(row.action));
    errorAtCompletion.clear();
    client->completed.clear();
    services->Script(row.action, ScriptedAnswer::Success("<InfoResponse><Row/></InfoResponse>"));
    services->Script(row.action, ScriptedAnswer::Error("A patient search needs LastName, MRN or VisitCode"));
    const auto sets = Submit({IdOf(row.action), IdOf(row.action)});
    RunToCompletion();
    EXPECT_THAT(errorAtCompletion, ElementsAre(""));
    EXPECT_TRUE(WentOn());
    EXPECT_EQ(sets[0]->ResponseStrings()->Items(), (std::vector<std::string>{"<InfoResponse><Row/></InfoResponse>"}));
    EXPECT_TRUE(Errors(*sets[0]).empty());
    EXPECT_TRUE(sets[1]->ResponseStrings()->Items().empty());
    EXPECT_THAT(Errors(*sets[1]), ElementsAre("A patient search needs LastName, MRN or VisitCode"));
  }
}

TEST_F(ReferenceDataEngineTest, ATimeOutRetriesExceptForTheOnlineSearch) {
  for (const SingleAnswer& row : kSingleAnswers) {
    SCOPED_TRACE(IdOf(row.action));
    errorAtCompletion.clear();
    client->completed.clear();
    const size_t before = services->Calls().size();
    services->Script(row.action, ScriptedAnswer::Error(testing::kTimeOut));
    if (row.retriesTimeOut) services->Script(row.action, ScriptedAnswer::Success("<InfoResponse/>"));
    const auto sets = Submit({IdOf(row.action)});
    RunToCompletion();
    EXPECT_THAT(errorAtCompletion, ElementsAre(""));
    const auto calls = std::count_if(services->Calls().begin() + static_cast<std::ptrdiff_t>(before), services->Calls().end(),
                                     [&row](const ScriptedCall& call) { return call.action == row.action; });
    if (row.retriesTimeOut) {
      EXPECT_EQ(calls, 2);
      EXPECT_EQ(sets[0]->ResponseStrings()->Items(), (std::vector<std::string>{"<InfoResponse/>"}));
      EXPECT_TRUE(Errors(*sets[0]).empty()) << "the retry starts from a cleared parameter set";
    } else {
      EXPECT_EQ(calls, 1);
      EXPECT_THAT(Errors(*sets[0]), ElementsAre(testing::kTimeOut));
    }
  }
}

TEST_F(ReferenceDataEngineTest, WithoutItsParameterSetASingleAnswerEndsTheRequest) {
  for (const SingleAnswer& row : kSingleAnswers) {
    SCOPED_TRACE(IdOf(row.action));
    errorAtCompletion.clear();
    client->completed.clear();
    auto spec = SpecWithDictations({IdOf(row.action), 2}, 1);
    spec->SetLocation("North Clinic");
    const size_t before = services->Calls().size();
    server->DatabaseRequests()->Add(spec);
    RunToCompletion();
    EXPECT_THAT(errorAtCompletion, ElementsAre(row.missingSetError));
    EXPECT_EQ(services->Calls().size(), before + 1) << "the work queue is not fetched";
  }
}

TEST_F(ReferenceDataEngineTest, SearchListsAreWrittenOrUnpackedAndAnUnpackableArchiveEndsTheRequest) {
  const std::string lists = "<?xml version=\"1.0\"?>\n<InfoResponse><SearchList name=\"Priorities\"/></InfoResponse>\n";
  services->Script(Action::DBR_GETSEARCHLISTS, ScriptedAnswer::Success(lists));
  WriteFile(App("SearchLists_12_3.xml"), "older lists, longer than the new ones " + std::string(200, '.'));
  const auto plain = Submit({21});
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_EQ(ReadFile(App("SearchLists_12_3.xml")), lists);
  EXPECT_TRUE(plain[0]->ResponseStrings()->Items().empty()) << "the answer went to the file instead";
  EXPECT_THAT(client->loginStatus, ElementsAre("Downloading current speakers and worktypes..."));

  // The compressed lists: the client services saved the archive where the call said.
  std::filesystem::remove(App("SearchLists_12_3.xml"));
  WriteZip(App("SearchLists_12_3.zip"), {{"SearchLists_12_3.xml", lists}});
  client->completed.clear();
  errorAtCompletion.clear();
  Submit({40});
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_EQ(ReadFile(App("SearchLists_12_3.xml")), lists);
  EXPECT_EQ(CallOn(Action::DBR_GETLISTSCOMPRESSED).arguments.Named(argument::kAnswerFile), App("SearchLists_12_3.zip"));
  EXPECT_THAT(DetailLog(), HasSubstr("Successfully wrote XML response to " + App("SearchLists_12_3.xml") + "."));

  // An archive of two members is not unpacked: the editor learns why, and nothing runs after it.
  WriteZip(App("SearchLists_12_3.zip"), {{"a.xml", "<a/>"}, {"b.xml", "<b/>"}});
  client->completed.clear();
  errorAtCompletion.clear();
  const size_t before = services->Calls().size();
  const auto refused = Submit({40});
  RunToCompletion();
  const std::string unable = "Unable to decompress " + App("SearchLists_12_3.zip") + ".";
  EXPECT_THAT(Errors(*refused[0]), ElementsAre(unable));
  EXPECT_THAT(errorAtCompletion, ElementsAre(unable));
  EXPECT_EQ(services->Calls().size(), before + 1);
  EXPECT_EQ(ReadFile(App("SearchLists_12_3.xml")), lists);
}

TEST_F(ReferenceDataEngineTest, TheContactListsTimeStampIsTheServersCopy) {
  // The markers of the older list go once a new one has arrived.
  WriteFile(App("ContactList_12_3_Dev.suc"), "1");
  WriteFile(App("Request206.ts"), "03/10/2026 11:07:13\r\n");
  const auto sets = Submit({11}, {{"VersionID", "7"}, {"doCompress", "1"}});
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_TRUE(WentOn());
  EXPECT_FALSE(std::filesystem::exists(App("ContactList_12_3_Dev.suc")));
  EXPECT_EQ(ReadFile(App("ContactList_12_3_Dev.ts")), "03/10/2026 11:07:13\r\n");
  const CallArguments& contacts = CallOn(Action::DBR_GETCONTACTSFILE).arguments;
  EXPECT_EQ(contacts.Named("VersionID"), "7");
  EXPECT_EQ(contacts.Named("doCompress"), "1");
  EXPECT_EQ(contacts.Named("institutionID"), "12");
  EXPECT_EQ(contacts.Named(argument::kAnswerFile), App("ContactList_12_3_Dev.zip"));
  EXPECT_EQ(contacts.Named(argument::kTimestampFile), App("Request206.ts"));
  EXPECT_THAT(client->loginStatus, ElementsAre("Downloading latest north contacts."));

  // Without the server's time stamp nothing is copied and the error log says so.
  std::filesystem::remove(App("Request206.ts"));
  std::filesystem::remove(App("ContactList_12_3_Dev.ts"));
  client->completed.clear();
  errorAtCompletion.clear();
  services->Script(Action::DBR_GETCONTACTSFILE, ScriptedAnswer::Success());
  Submit({11}, {{"VersionID", "7"}, {"doCompress", "0"}});
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_FALSE(std::filesystem::exists(App("ContactList_12_3_Dev.ts")));
  EXPECT_THAT(ReadFile(folder.Path() / "Logs/Server_Errors.txt"), HasSubstr("No Request206.ts file written"));
  EXPECT_EQ(services->Calls()[services->Calls().size() - 2].arguments.Named(argument::kAnswerFile), App("ContactList_12_3_Dev.xml"));
}

TEST_F(ReferenceDataEngineTest, ContactChangesAreUnpackedWithTheirQuotesReplacedWhenCompressed) {
  WriteFile(App("ContactList_12_3_Dev.ts"), "03/01/2026 10:00:00\r\n");
  const std::string changes =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<InfoResponse>\n  <Contact><firstName>Alex \"Al\"</firstName></Contact>\n</InfoResponse>\n";
  struct Case {
    const char* doCompress;
    bool unpacked;
  };
  for (const Case c : {Case{"1", true}, Case{"1.0", true}, Case{"0", false}}) {
    SCOPED_TRACE(c.doCompress);
    std::filesystem::remove(App("ContactDeltas_12_3_Dev.xml"));
    WriteZip(App("ContactDeltas_12_3_Dev.zip"), {{"ContactDeltas.xml", changes}});
    client->completed.clear();
    errorAtCompletion.clear();
    const auto sets = Submit({12}, {{"VersionID", "7"}, {"doCompress", c.doCompress}});
    RunToCompletion();
    EXPECT_THAT(errorAtCompletion, ElementsAre(""));
    EXPECT_TRUE(Errors(*sets[0]).empty());
    EXPECT_EQ(services->Calls()[services->Calls().size() - 2].arguments.Named("since"), "03/01/2026 10:00:00")
        << "changes since the last full list";
    if (c.unpacked) {
      EXPECT_EQ(ReadFile(App("ContactDeltas_12_3_Dev.xml")),
                "<?xml version=\"1.0\"?><InfoResponse>\n  <Contact><firstName>Alex -Al-</firstName></Contact>\n</InfoResponse>\n");
    } else {
      EXPECT_FALSE(std::filesystem::exists(App("ContactDeltas_12_3_Dev.xml")));
    }
  }

  // An archive that cannot be unpacked is the parameter set's error; the request goes on.
  WriteFile(App("ContactDeltas_12_3_Dev.zip"), "not an archive");
  client->completed.clear();
  errorAtCompletion.clear();
  const auto sets = Submit({12}, {{"doCompress", "1"}});
  RunToCompletion();
  EXPECT_THAT(Errors(*sets[0]), ElementsAre("Unable to decompress " + App("ContactDeltas_12_3_Dev.zip") + "."));
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_TRUE(WentOn());
}

TEST_F(ReferenceDataEngineTest, ContactChangesOfManyMiBAreRewrittenInBoundedMemory) {
  // A small archive that unpacks to 48 MiB of quotes: rewritten a block at a time.
  constexpr std::size_t kQuotes = 48u << 20;
  WriteZip(App("ContactDeltas_12_3_Dev.zip"), {{"ContactDeltas.xml", "<InfoResponse>" + std::string(kQuotes, '"')}});
  const auto sets = Submit({12}, {{"VersionID", "7"}, {"doCompress", "1"}});
  const std::int64_t peak = testing::HeapPeak::Of([&] { RunToCompletion(); });
  EXPECT_TRUE(Errors(*sets[0]).empty());
  EXPECT_EQ(std::filesystem::file_size(App("ContactDeltas_12_3_Dev.xml")), std::string("<?xml version=\"1.0\"?><InfoResponse>").size() + kQuotes);
  if (testing::HeapPeak::Counted()) {
    EXPECT_LT(peak, 8 << 20);
  }
}

TEST_F(ReferenceDataEngineTest, ContactHandlersWithoutAParameterSetEndTheRequest) {
  for (const std::int32_t action : {11, 12}) {
    errorAtCompletion.clear();
    client->completed.clear();
    auto spec = SpecWithDictations({action, 2}, 1);
    spec->SetLocation("North Clinic");
    server->DatabaseRequests()->Add(spec);
    RunToCompletion();
    EXPECT_THAT(errorAtCompletion, ElementsAre("No free GenericRequest objects on return from ContactsFile request.")) << action;
  }
}

TEST_F(ReferenceDataEngineTest, HeadersAreWrittenPerDictationAndBadOnesMarkTheirDictation) {
  const std::string header7 = "<InfoResponse><Header><utteranceID>7</utteranceID></Header></InfoResponse>";
  ScriptedAnswer answer = ScriptedAnswer::Success();
  answer.dictationResponses = {header7, "", "<InfoResponse><Header>", "<InfoResponse/>", "<InfoResponse/>"};
  services->Script(Action::DBR_GETHEADER, answer);
  WriteFile(downloads / "Local_9.hd3", "kept");
  Submit({34});
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_EQ(ReadFile(downloads / "Local_7.hd3"), header7);
  EXPECT_EQ(ReadFile(downloads / "Local_9.hd3"), "kept") << "an empty answer writes nothing";
  EXPECT_FALSE(std::filesystem::exists(downloads / "Local_12.hd3"));
  EXPECT_THAT(dictations->Item("U12", "0")->ErrorString(), ::testing::StartsWith("Header XML Parse Error:\r\n"));
  EXPECT_THAT(dictations->Item("U12", "0")->ErrorString(), ::testing::MatchesRegex("(.|\r|\n)*\r\nAt line: 1\r\nPosition: [0-9]+"));
  EXPECT_EQ(dictations->Item("U9", "0")->ErrorString(), "");
  EXPECT_EQ(ReadFile(downloads / "Local_20.hd3"), "<InfoResponse/>");
}

TEST_F(ReferenceDataEngineTest, AHeaderErrorMarksEveryDictationAndATimeOutKeepsWhatArrived) {
  ScriptedAnswer failed = ScriptedAnswer::Errors({"", "Utterance 9: No such dictation  documentVersion=0", "", "", ""});
  failed.dictationResponses = {"<InfoResponse>7</InfoResponse>", "", "", "", ""};
  services->Script(Action::DBR_GETHEADER, failed);
  Submit({34});
  RunToCompletion();
  EXPECT_EQ(dictations->Item("U9", "0")->ErrorString(), "Utterance 9: No such dictation  documentVersion=0");
  for (const char* key : {"U7", "U12", "U15", "U20"}) EXPECT_EQ(dictations->Item(key, "0")->ErrorString(), "Header request error") << key;
  EXPECT_EQ(dictations->Item("U12", "0")->ErrorAction().ToLong(), 34);
  EXPECT_EQ(ReadFile(downloads / "Local_7.hd3"), "<InfoResponse>7</InfoResponse>");

  // A time-out after two dictations: their headers are kept and only the others asked again.
  client->completed.clear();
  ScriptedAnswer timedOut = ScriptedAnswer::TimeOutAfter({"7", "9"}, testing::kTimeOut);
  timedOut.errorArray = {"", "", testing::kTimeOut, "", ""};
  timedOut.dictationResponses = {"<InfoResponse>new 7</InfoResponse>", "<InfoResponse>9</InfoResponse>", "", "", ""};
  services->Script(Action::DBR_GETHEADER, timedOut);
  ScriptedAnswer rest = ScriptedAnswer::Success();
  rest.dictationResponses = {"<InfoResponse>12</InfoResponse>", "<InfoResponse>15</InfoResponse>", "<InfoResponse>20</InfoResponse>"};
  services->Script(Action::DBR_GETHEADER, rest);
  const size_t before = services->Calls().size();
  Submit({34});
  RunToCompletion();
  EXPECT_EQ(ReadFile(downloads / "Local_7.hd3"), "<InfoResponse>new 7</InfoResponse>");
  EXPECT_EQ(ReadFile(downloads / "Local_9.hd3"), "<InfoResponse>9</InfoResponse>");
  EXPECT_EQ(ReadFile(downloads / "Local_20.hd3"), "<InfoResponse>20</InfoResponse>");
  ASSERT_GE(services->Calls().size(), before + 2);
  EXPECT_THAT(ListedIDs(services->Calls()[before + 1]), ElementsAre(12, 15, 20));
  EXPECT_THAT(DetailLog(), HasSubstr("MarkCompletedUtterances m_Tr.UtterancesCompleted, m_nCurrentRequest"));
}

TEST_F(ReferenceDataEngineTest, TheTemplateListFillsTheDownloadThatFollowsIt) {
  const std::string list =
      "<InfoResponse><Count>2</Count><Template TemplateID=\"100\" Filename=\"Consultation.dot\" Path=\"Cardiology\"/>"
      "<Template TemplateID=\"101\" Filename=\"Discharge.dot\" Path=\"General\"/></InfoResponse>";
  services->Script(Action::DBR_GETTEMPLATEDOCLIST, ScriptedAnswer::Success(list));
  const auto sets = Submit({29, 30}, {{"lastModifiedDate", "01/01/2026 00:00:00"}});
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_EQ(sets[0]->ResponseStrings()->Items(), (std::vector<std::string>{list}));
  ASSERT_TRUE(sets[1]->GenericFiles());
  EXPECT_EQ(sets[1]->GenericFiles()->FileType(), GenericRequestFileType::grftTemplate);
  const ScriptedCall& download = CallOn(Action::DBR_GETTEMPLATEDOCS);
  std::vector<std::string> files;
  for (const TemplateFile& file : download.arguments.templates) files.push_back(file.fileID + " " + file.fileName + " " + file.filePath);
  EXPECT_THAT(files, ElementsAre("100 Consultation.dot Cardiology", "101 Discharge.dot General"));
  EXPECT_EQ(download.arguments.Named(argument::kDownloadFolder), App("Downloads"));
  EXPECT_TRUE(std::filesystem::is_directory(App("Downloads")));
  EXPECT_THAT(DetailLog(), HasSubstr("Attribute: Filename. Value: Consultation.dot."));
  EXPECT_THAT(DetailLog(), HasSubstr("TemplateID = 101"));
}

TEST_F(ReferenceDataEngineTest, TemplateListsWithNothingNewOrNoDocumentLeaveTheDownloadEmpty) {
  struct Case {
    const char* answer;
    const char* error;
    bool stored;
  };
  const Case cases[] = {
      {"<InfoResponse><Count>0</Count></InfoResponse>", nullptr, true},
      {"<InfoResponse><Count>", "Unable to parse XML.", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    client->completed.clear();
    errorAtCompletion.clear();
    services->Script(Action::DBR_GETTEMPLATEDOCLIST, ScriptedAnswer::Success(c.answer));
    const size_t before = services->Calls().size();
    const auto sets = Submit({29, 30});
    RunToCompletion();
    EXPECT_THAT(errorAtCompletion, ElementsAre(""));
    EXPECT_FALSE(sets[1]->GenericFiles());
    EXPECT_EQ(services->Calls().size(), before + 2) << "no template download";
    EXPECT_EQ(sets[0]->ResponseStrings()->Count(), c.stored ? 1 : 0);
    if (c.error) {
      EXPECT_THAT(Errors(*sets[0]), ElementsAre(c.error));
    }
  }
  // A list without a download after it keeps its answer and nothing else.
  client->completed.clear();
  services->Script(Action::DBR_GETTEMPLATEDOCLIST, ScriptedAnswer::Success("<InfoResponse><Count>1</Count><Template TemplateID=\"1\"/></InfoResponse>"));
  const auto alone = Submit({29});
  RunToCompletion();
  EXPECT_EQ(alone[0]->ResponseStrings()->Count(), 1);
}

TEST_F(ReferenceDataEngineTest, TheTemplateDownloadTimeIsATimeText) {
  struct Case {
    const char* answer;
    const char* time;  // nullptr: the error
  };
  const Case cases[] = {
      {"<InfoResponse Day=\"9\" Month=\"3\" Year=\"2026\" Hour=\"16\" Minute=\"5\" Second=\"0\"/>", "03/09/2026 16:05:00"},
      {"<InfoResponse Day=\"31\" Month=\"12\" Year=\"1999\" Hour=\"23\" Minute=\"59\" Second=\"59\"/>", "12/31/1999 23:59:59"},
      {"<InfoResponse Day=\"30\" Month=\"2\" Year=\"2026\" Hour=\"1\" Minute=\"0\" Second=\"0\"/>", nullptr},
      {"<InfoResponse Day=\"1\" Month=\"1\" Year=\"26\" Hour=\"1\" Minute=\"0\" Second=\"0\"/>", nullptr},
      {"<InfoResponse/>", nullptr},
      {"not xml", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    client->completed.clear();
    services->Script(Action::DBR_GETTEMPLATEDOWNLOADTIME, ScriptedAnswer::Success(c.answer));
    const auto sets = Submit({45});
    RunToCompletion();
    EXPECT_TRUE(WentOn());
    if (c.time) {
      EXPECT_EQ(sets[0]->ResponseStrings()->Items(), (std::vector<std::string>{c.time}));
    } else {
      EXPECT_TRUE(sets[0]->ResponseStrings()->Items().empty());
      EXPECT_THAT(Errors(*sets[0]), ElementsAre("Could not load XML document from request 9"));
    }
  }
  EXPECT_THAT(ReadFile(folder.Path() / "Logs/Server_Errors.txt"), HasSubstr("Error parsing time from request 009."));
}

TEST_F(ReferenceDataEngineTest, TheDictionaryListFillsTheDownloadAndAnOlderServletIsNoError) {
  ScriptedAnswer names = ScriptedAnswer::Success("<InfoResponse><Dictionary>medical.dic</Dictionary></InfoResponse>");
  names.listNames = {"medical.dic", "cardiology.dic"};
  services->Script(Action::DBR_GETDICTIONARIESLIST, names);
  const auto sets = Submit({56, 57}, {{"lastModifiedFlagPath", "C:/flags"}, {"lastModifiedDate", ""}});
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_THAT(sets[1]->DictionaryFiles(), ElementsAre("medical.dic", "cardiology.dic"));
  EXPECT_THAT(CallOn(Action::DBR_DOWNLOADDICTIONARY).arguments.dictionaries, ElementsAre("medical.dic", "cardiology.dic"));
  EXPECT_EQ(sets[0]->ResponseStrings()->Count(), 1);

  struct Case {
    const char* error;
    bool recorded;
  };
  for (const Case c : {Case{"Class Request0231 not found", false}, Case{"The dictionary catalogue is being rebuilt", true}}) {
    SCOPED_TRACE(c.error);
    client->completed.clear();
    errorAtCompletion.clear();
    services->Script(Action::DBR_GETDICTIONARIESLIST, ScriptedAnswer::Error(c.error));
    const size_t before = services->Calls().size();
    const auto failed = Submit({56, 57});
    RunToCompletion();
    EXPECT_THAT(errorAtCompletion, ElementsAre(""));
    EXPECT_EQ(services->Calls().size(), before + 2) << "no dictionary download, then the work queue";
    EXPECT_TRUE(WentOn());
    EXPECT_EQ(Errors(*failed[0]).size(), c.recorded ? 1u : 0u);
  }
  EXPECT_THAT(DetailLog(), HasSubstr("Running against a servlet where request 231 is not yet implemented. Exiting request..."));
}

TEST_F(ReferenceDataEngineTest, FileDownloadErrorsNameTheirFilesAndTheRequestGoesOn) {
  auto files = std::make_shared<clsGenericFiles>();
  for (const char* name : {"good.dot", "../../x"}) {
    const auto file = files->Add();
    file->SetFileID("1");
    file->SetFileName(name);
  }
  auto spec = SpecWithDictations({30, 2}, 1);
  spec->SetLocation("North Clinic");
  const auto generic = spec->GenericRequests()->Add(30);
  generic->SetGenericFiles(files);
  services->Script(Action::DBR_GETTEMPLATEDOCS,
                   ScriptedAnswer::Errors({"", "File ../../x: refused file name from the server: a file name with .."}));
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_THAT(Errors(*generic), ElementsAre("File ../../x: refused file name from the server: a file name with .."));
  EXPECT_TRUE(WentOn());
}

}  // namespace
}  // namespace vz
