// Every action identifier through Run with the standard catalogue: which branch it takes, which
// client-services object and call it starts, what it reads from its parameter set, and how a
// refusal ends the request. Then the branches that skip, report or check their inputs.
#include "engine_fixture.hpp"
#include "model/generic_files.hpp"
#include "platform/files.hpp"

namespace vz {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadFile;

enum class Outcome {
  Unrecognized,  // "Unrecognized Request Type", no call
  ErrorMessage,  // refused: GlobalErrorMessage is the refusal text
  ErrorLog,      // "request" call reporting failure: the text goes to the error log
  LoginError,    // refused login: error -1 reported, the request left waiting
};

struct Row {
  std::int32_t id;
  Outcome outcome;
  const char* refusal;
  // Texts the call's arguments hold ("<certificate>": the workstation certificate).
  std::vector<std::string> arguments;
  const char* loginStatus = "";
};

constexpr Outcome U = Outcome::Unrecognized;
constexpr Outcome M = Outcome::ErrorMessage;
constexpr Outcome L = Outcome::ErrorLog;
constexpr Outcome Login = Outcome::LoginError;
constexpr const char* kSc = "Bad call to controlSourceAsync().";

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {0, M, "Bad call to putFilesAsync().", {"7", "9", "5"}},
      {1, M, "Bad call to getFilesAsync().", {"7", "20"}},
      {2, M, "Bad call to getWorkAsync().", {}},
      {3, M, kSc, {"7", "20"}},
      {4, M, kSc, {"7", "20"}},
      {5, M, kSc, {"7", "20"}},
      {6, M, kSc, {"7", "20"}},
      {7, U, "", {}},
      {8, M, "Bad call to m_Ir.getWorkAsync().", {}},
      {9, M, "Bad call to getHeader.", {"7", "9", "20"}},
      {10, Login, "", {}},
      {11, M, "Bad call to m_objContactsFile.getFileAsync().",
       {"v-VersionID", "v-doCompress"}, "Downloading latest north contacts."},
      {12, M, "Bad call to getChangesAsync().",
       {"v-VersionID", "v-doCompress", "03/01/2026 10:00:00"}, "Downloading latest north contacts."},
      {13, M, "Bad call to getLockedDictationsAsync().", {}},
      {14, M, "Bad call to GetPatientInfo", {"v-LastName", "v-MRN", "v-VisitCode"}},
      {15, M, "Bad call to updateDictation.", {"v-PendingNote"}},
      {16, M, "Bad call to GetList while retrieving speaker list.",
       {"v-institutionID", "", "NNY"}},
      {17, M, "Bad call to GetList while retrieving Worktype list.",
       {"v-institutionID", "", "NNNY"}},
      {18, M, "Bad call to UpdateField.",
       {"3", "v-utteranceID", "v-type", "v-value", "v-PendingNote"}},
      {19, U, "", {}},
      {20, M, "Bad call to GetMetrics.", {"v-startDate", "v-endDate"}},
      {21, M, "Bad call to GetList while retrieving SearchLists.",
       {"12", "Penwright", "NNYYNNNNNNNNNNNNY"}, "Downloading current speakers and worktypes..."},
      {22, U, "", {}},
      {23, M, "Bad call to HL7Search", {}},
      {24, M, "Bad call to GetCurRelInfo while retrieving current release info.",
       {"v-application", "v-majorVersion", "v-minorVersion", "v-patchNumber"}},
      {25, M, "Bad call to GatewaySender.Send.",
       {"3", "v-utteranceID", "v-sClientTypeID", "v-sTarget", "v-sDoDistribute"}},
      {26, M, "Bad call to SplitDictation.",
       {"v-utteranceID", "v-audioStart", "v-audioEnd"}},
      {27, M, "Bad call to GetOptions.", {}},
      {28, M, "Bad call to SendOptions.", {"v-optionsXML"}},
      {29, M, "Bad call to m_objTemplateDocList.GetList().", {"v-lastModifiedDate"}},
      {30, M, "Bad call to GetTemplatesAsync().", {"T1", "normal.dot", "/templates"}},
      {31, M, "Bad call to getHeader.", {"3", "7", "0"}},
      {32, M, kSc, {"7", "20"}},
      {33, M, "Bad call to CreateAudio.", {"WS-1"}},
      {34, M, "Bad call to getHeader.", {"7", "20"}},
      {35, M, "Bad call to getSearchValues.", {"v-utteranceID", "v-paramString"}},
      {36, M, "Bad call to UpdateDictFields.", {"v-utteranceID", "v-headerData"}},
      {37, M, "Bad call to SearchParameters.", {"v-searchParameters"}},
      {38, M, "Bad call to DownloadTextFilesAsync().", {"7", "20"}},
      {39, M, "Bad call to LinkDictation.", {"v-utteranceID", "v-parentID"}},
      {40, M, "Bad call to GetListCompressed.",
       {"12", "Penwright", "NNYYNNNNNNNNNNNNY", "<certificate>"}},
      {41, Login, "", {"North Clinic", "<certificate>", "WS-1"}},
      {42, M, "Bad call to QAScore.",
       {"v-transcriptionistLogin", "v-utteranceID", "v-reviewScore", "v-reviewNote"}},
      {43, M, "Bad call to objRequestCert.SendRequest.",
       // Names are matched in any letter case, as the collection's keys are: "lastName" is "LastName".
       {"v-firstName", "v-LastName", "v-reason", "v-emailAddress", "<certificate>"}},
      {44, M, "Bad call to RemoveQAReview.", {"v-utteranceID", "v-reviewStatusID"}},
      {45, M, "Bad call to m_objTemplateDownLoadTime.GetTime().", {}},
      {46, L, "Bad request for number of reviewed dictations", {}},
      {47, L, "Bad request for retrieving App Console Features", {}},
      {48, L, "Bad request for retrieving QA Grading Criteria", {}},
      {49, L, "Bad request for retrieving RDR Transcriptionists", {}},
      {50, L, "Bad request for uploading QAG XML.", {"7"}},
      {51, L, "Bad request for retrieving QA QAG XML.", {"7", "20"}},
      {52, U, "", {}},
      {53, M, kSc, {"7", "20"}},
      {54, U, "", {}},
      {55, L, "Bad request for retrieving average QA Score.", {"v-ParmString"}},
      {56, M, "Bad call to m_objDictionariesList.GetList().",
       {"v-lastModifiedFlagPath", "v-lastModifiedDate"}},
      {57, M,
       "Bad call to GetDictionariesAsync() or dictionary array was empty.", {"medical.dic"}},
      {58, L, "Bad request for retrieving dictation info (updated pending note)", {"7", "20"}},
      {59, L, "Bad request for retrieving RDR Reviewers", {}},
      {60, L, "Bad request for retrieving Pending Criteria", {}},
      {61, L, "Bad request for retrieving Pending Reasons", {"7", "20"}},
      {62, L, "Bad request for retrieving Dictation Permissions", {"7", "20"}},
  };
  return rows;
}

// Every text the arguments hold: the dictations' values, the files, the named values.
std::vector<std::string> Flatten(const CallArguments& arguments) {
  std::vector<std::string> texts;
  for (const DictationListEntry& entry : arguments.dictations) {
    texts.insert(texts.end(), {std::to_string(entry.locationID), std::to_string(entry.utteranceID), entry.documentVersion});
  }
  for (const TemplateFile& file : arguments.templates) texts.insert(texts.end(), {file.fileID, file.fileName, file.filePath});
  texts.insert(texts.end(), arguments.dictionaries.begin(), arguments.dictionaries.end());
  for (const auto& [name, value] : arguments.named) texts.push_back(value);
  return texts;
}

// True when every text of `expected` is among `texts`.
bool ContainsAll(const std::vector<std::string>& texts, const std::vector<std::string>& expected) {
  return std::all_of(expected.begin(), expected.end(),
                     [&texts](const std::string& text) { return std::find(texts.begin(), texts.end(), text) != texts.end(); });
}

class CatalogueEngineTest : public testing::DictationEngineTest {
 protected:
  void SetUp() override {
    DictationEngineTest::SetUp();
    ConnectAtNorthClinic();
    std::filesystem::create_directories(folder.Path() / "App");
    // The time of the last full contact list, from which changes are asked.
    platform::WriteFileAtomically(folder.Path() / "App/ContactList_12_3_Dev.ts", "03/01/2026 10:00:00\r\n");
  }

  // A request for `id` whose parameter set holds "v-" + name for every name the action may read.
  // A request made for the location the connection points at.
  std::shared_ptr<clsRequestSpec> SpecHere(std::vector<std::int32_t> actions, std::int32_t kind) {
    auto spec = SpecWithDictations(std::move(actions), kind);
    spec->SetLocation("North Clinic");
    return spec;
  }
  std::shared_ptr<clsDatabaseRequest> AddAction(std::int32_t id) {
    auto spec = SpecHere({id}, 1);
    auto generic = spec->GenericRequests()->Add(id);
    for (const char* name : {"VersionID", "doCompress", "LastName", "MRN", "VisitCode", "PendingNote", "institutionID",
                             "utteranceID", "type", "value", "startDate", "endDate", "application", "majorVersion",
                             "minorVersion", "patchNumber", "sClientTypeID", "sTarget", "sDoDistribute", "audioStart",
                             "audioEnd", "optionsXML", "lastModifiedDate", "paramString", "headerData",
                             "searchParameters", "parentID", "transcriptionistLogin", "reviewScore", "reviewNote",
                             "firstName", "lastName", "reason", "emailAddress", "reviewStatusID", "ParmString",
                             "lastModifiedFlagPath"}) {
      generic->Parameters()->Add(std::string("v-") + name, name);
    }
    generic->Parameters()->Add("5", "UploadFlags");
    auto files = std::make_shared<clsGenericFiles>();
    const auto file = files->Add();
    file->SetFileID("T1");
    file->SetFileName("normal.dot");
    file->SetFilePath("/templates");
    generic->SetGenericFiles(files);
    generic->SetDictionaryFiles({"medical.dic"});
    return server->DatabaseRequests()->Add(spec);
  }

  std::string CertificateOnDisk() {
    return ReadFile(folder.Path() / "App/Logins/Dev/jsmith/3.cfg").substr(0, 12);
  }

};

TEST_F(CatalogueEngineTest, EveryIdentifierTakesItsBranch) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE("action " + std::to_string(row.id));
    const std::optional<Action> action = ActionFromId(row.id);
    if (action) services->Script(*action, ScriptedAnswer::Refused());
    const size_t callsBefore = services->Calls().size();
    const size_t boxesBefore = prompter->Shown().size();
    client->completed.clear();
    client->loginStatus.clear();
    errorAtCompletion.clear();
    const auto request = AddAction(row.id);
    Step();
    Step();

    const std::vector<ScriptedCall> calls(services->Calls().begin() + static_cast<std::ptrdiff_t>(callsBefore),
                                          services->Calls().end());
    if (row.outcome == U) {
      EXPECT_TRUE(calls.empty());
      EXPECT_THAT(errorAtCompletion, ElementsAre("Unrecognized Request Type"));
      continue;
    }
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].action, action);
    const std::vector<std::string> texts = Flatten(calls[0].arguments);
    std::vector<std::string> expected = row.arguments;
    for (auto& text : expected) {
      if (text == "<certificate>") text = CertificateOnDisk();
    }
    EXPECT_TRUE(ContainsAll(texts, expected)) << ::testing::PrintToString(texts);
    EXPECT_EQ(request->Service("m_Tr") != nullptr, row.id == 9 || row.id == 31) << "template object of the header actions";
    if (*row.loginStatus) {
      EXPECT_THAT(client->loginStatus, ElementsAre(row.loginStatus));
    } else {
      EXPECT_TRUE(client->loginStatus.empty());
    }
    switch (row.outcome) {
      case Outcome::ErrorMessage:
        EXPECT_THAT(errorAtCompletion, ElementsAre(row.refusal));
        break;
      case Outcome::ErrorLog:
        EXPECT_THAT(errorAtCompletion, ElementsAre(""));
        EXPECT_THAT(ReadFile(folder / "Logs/Server_Errors.txt"), HasSubstr(std::string("clsDatabaseRequest.Run: ") + row.refusal));
        break;
      default:
        // A refused login is reported and ends its request with the same text.
        ASSERT_GT(prompter->Shown().size(), boxesBefore);
        EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Unspecified error trying to login to database"));
        EXPECT_THAT(errorAtCompletion, ElementsAre("Unspecified error trying to login to database"));
        break;
    }
  }
}

TEST_F(CatalogueEngineTest, NothingToDoSkipsToTheNextActionWithoutACall) {
  // A complete contact list is on the workstation; no template files; no dictionaries.
  for (const char* extension : {".suc", ".num"}) {
    platform::WriteFileAtomically(folder.Path() / (std::string("App/ContactList_12_3_Dev") + extension), "1");
  }
  auto spec = SpecHere({11, 30, 57, 2}, 1);
  const auto contacts = spec->GenericRequests()->Add(11);
  spec->GenericRequests()->Add(30);
  spec->GenericRequests()->Add(57);
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 1u);
  EXPECT_EQ(services->Calls()[0].action, Action::DBR_GETWORKQUEUE);
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  ASSERT_TRUE(contacts->Parameters()->Exists("DownloadInitiated"));
  EXPECT_EQ(contacts->Parameters()->Item(Value("DownloadInitiated"))->ParmValue(), "False");
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("Skipping download of contacts file."));
  EXPECT_THAT(log, HasSubstr("No template files in filelist to download in DBR_GETTEMPLATEDOCS"));
  EXPECT_THAT(log, HasSubstr("Dictionary Files array is empty, no dictionaries to download."));
  EXPECT_TRUE(client->loginStatus.empty());
}

TEST_F(CatalogueEngineTest, ContactsDownloadMarksItsParameterSetOnce) {
  auto spec = SpecHere({11}, 1);
  const auto first = spec->GenericRequests()->Add(11);
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  ASSERT_TRUE(first->Parameters()->Exists("DownloadInitiated"));
  EXPECT_EQ(first->Parameters()->Item(Value("DownloadInitiated"))->ParmValue(), "True");
  EXPECT_EQ(first->Parameters()->Count(), 1);
}

TEST_F(CatalogueEngineTest, UploadFlagsMustBeReadable) {
  struct Case {
    const char* flags;  // nullptr: no such parameter
    bool withSet;
    bool withCollection;
    const char* error;
  };
  const Case cases[] = {
      {"abc", true, true, "Error 13 retrieving UploadFlags parameter in DBR_UPLOAD: Type mismatch"},
      {nullptr, true, true, "Error 5 retrieving UploadFlags parameter in DBR_UPLOAD: Invalid procedure call or argument"},
      {"1", false, true, "GenericRequest object uninitialized in DBR_UPLOAD"},
      {"1", true, false, "GenericRequests collection uninitialized in DBR_UPLOAD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    client->completed.clear();
    errorAtCompletion.clear();
    auto spec = SpecHere({0}, 5);
    if (c.withSet) {
      auto generic = spec->GenericRequests()->Add(0);
      if (c.flags) generic->Parameters()->Add(c.flags, "UploadFlags");
    }
    const auto request = server->DatabaseRequests()->Add(spec);
    if (!c.withCollection) request->SetGenericRequests(nullptr);
    RunToCompletion();
    EXPECT_THAT(errorAtCompletion, ElementsAre(c.error));
  }
  EXPECT_TRUE(services->Calls().empty());
}

TEST_F(CatalogueEngineTest, OneUploadedDictationSendsHowItWasWorkedOn) {
  auto spec = SpecHere({0}, 5);
  spec->GenericRequests()->Add(0)->Parameters()->Add("0", "UploadFlags");
  for (const std::int32_t id : {9, 12, 15, 20}) dictations->Remove("U" + std::to_string(id), "0");
  dictations->Item("U7", "0")->SetClosingAudioSpeed(3);
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 1u);
  const auto& init = std::get<UploadInit>(services->Calls()[0].init);
  EXPECT_EQ(init.closingAudioSpeed, "3");
  EXPECT_EQ(init.timeOpen, "0");
}

TEST_F(CatalogueEngineTest, SourceControlWithoutAnOperationInTheModeIsSkipped) {
  auto spec = SpecHere({32, 4, 2}, 3);
  spec->WorkQueue()->SetWorkQueueMode(2);
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_EQ(services->Calls()[0].action, Action::DBR_CHECKIN);
  EXPECT_EQ(std::get<SourceControlInit>(services->Calls()[0].init).operation, 2) << "the check-in still runs";
  EXPECT_EQ(services->Calls()[1].action, Action::DBR_GETWORKQUEUE);
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));

  // In review mode an ungraded version is not checked in.
  client->completed.clear();
  auto review = SpecHere({4, 2}, 3);
  review->WorkQueue()->SetWorkQueueMode(3);
  server->DatabaseRequests()->Add(review);
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 3u);
  EXPECT_EQ(services->Calls()[2].action, Action::DBR_GETWORKQUEUE);
}

}  // namespace
}  // namespace vz
