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
  const char* field;
  const char* call;
  Outcome outcome;
  const char* refusal;
  // Texts the call's arguments hold, in this order ("<certificate>": the workstation certificate).
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
      {0, "m_Fup", "putFilesAsync", M, "Bad call to putFilesAsync().", {"7", "9", "5"}},
      {1, "m_Fud", "getFilesAsync", M, "Bad call to getFilesAsync().", {"7", "20"}},
      {2, "m_Wr", "getWorkAsync", M, "Bad call to getWorkAsync().", {}},
      {3, "m_Sc", "controlSourceAsync", M, kSc, {"7", "20"}},
      {4, "m_Sc", "controlSourceAsync", M, kSc, {"7", "20"}},
      {5, "m_Sc", "controlSourceAsync", M, kSc, {"7", "20"}},
      {6, "m_Sc", "controlSourceAsync", M, kSc, {"7", "20"}},
      {7, "", "", U, "", {}},
      {8, "m_Ir", "getWorkAsync", M, "Bad call to m_Ir.getWorkAsync().", {}},
      {9, "m_objHeaderValues", "getHeader", M, "Bad call to getHeader.", {"7", "9", "20"}},
      {10, "m_Sp", "pingServlet", Login, "", {}},
      {11, "m_objContactsFile", "getFileAsync", M, "Bad call to m_objContactsFile.getFileAsync().",
       {"v-VersionID", "v-doCompress"}, "Downloading latest north contacts."},
      {12, "m_objContactChanges", "getChangesAsync", M, "Bad call to getChangesAsync().",
       {"v-VersionID", "v-doCompress", "03/01/2026 10:00:00"}, "Downloading latest north contacts."},
      {13, "m_objLockedList", "getLockedDictationsAsync", M, "Bad call to getLockedDictationsAsync().", {}},
      {14, "m_objSearchPatientInfo", "GetPatientInfo", M, "Bad call to GetPatientInfo", {"v-LastName", "v-MRN", "v-VisitCode"}},
      {15, "m_objDictationUpdate", "updateDictation", M, "Bad call to updateDictation.", {"v-PendingNote"}},
      {16, "m_objRetrieveSpeakers", "GetList", M, "Bad call to GetList while retrieving speaker list.",
       {"v-institutionID", "", "NNY"}},
      {17, "m_objRetrieveWorkTypes", "GetList", M, "Bad call to GetList while retrieving Worktype list.",
       {"v-institutionID", "", "NNNY"}},
      {18, "m_objUpdateField", "UpdateField", M, "Bad call to UpdateField.",
       {"3", "v-utteranceID", "v-type", "v-value", "v-PendingNote"}},
      {19, "", "", U, "", {}},
      {20, "m_objTranscriptionMetrics", "GetMetrics", M, "Bad call to GetMetrics.", {"v-startDate", "v-endDate"}},
      {21, "m_objRetrieveSearchLists", "GetList", M, "Bad call to GetList while retrieving SearchLists.",
       {"12", "Penwright", "NNYYNNNNNNNNNNNNY"}, "Downloading current speakers and worktypes..."},
      {22, "", "", U, "", {}},
      {23, "m_objHL7Search", "HL7Search", M, "Bad call to HL7Search", {}},
      {24, "m_objGetRelInfo", "GetCurRelInfo", M, "Bad call to GetCurRelInfo while retrieving current release info.",
       {"v-application", "v-majorVersion", "v-minorVersion", "v-patchNumber"}},
      {25, "m_objGatewaySender", "Send", M, "Bad call to GatewaySender.Send.",
       {"3", "v-utteranceID", "v-sClientTypeID", "v-sTarget", "v-sDoDistribute"}},
      {26, "m_objSplitDictation", "SplitDictation", M, "Bad call to SplitDictation.",
       {"v-utteranceID", "v-audioStart", "v-audioEnd"}},
      {27, "m_objGetOptions", "GetOptions", M, "Bad call to GetOptions.", {}},
      {28, "m_objSendOptions", "SendOptions", M, "Bad call to SendOptions.", {"v-optionsXML"}},
      {29, "m_objTemplateDocList", "GetList", M, "Bad call to m_objTemplateDocList.GetList().", {"v-lastModifiedDate"}},
      {30, "m_objGetTemplateDocs", "GetTemplatesAsync", M, "Bad call to GetTemplatesAsync().", {"T1", "normal.dot", "/templates"}},
      {31, "m_objHeaderValues", "getHeader", M, "Bad call to getHeader.", {"3", "7", "0"}},
      {32, "m_Sc", "controlSourceAsync", M, kSc, {"7", "20"}},
      {33, "m_objCreateDictation", "CreateAudio", M, "Bad call to CreateAudio.", {"WS-1"}},
      {34, "m_objHeaderValues", "getHeader", M, "Bad call to getHeader.", {"7", "20"}},
      {35, "m_objOnlineSearch", "getSearchValues", M, "Bad call to getSearchValues.", {"v-utteranceID", "v-paramString"}},
      {36, "m_objUpdateDictFields", "UpdateDictFields", M, "Bad call to UpdateDictFields.", {"v-utteranceID", "v-headerData"}},
      {37, "m_objDictationSearch", "SearchParameters", M, "Bad call to SearchParameters.", {"v-searchParameters"}},
      {38, "m_objDownloadText", "DownloadTextFilesAsync", M, "Bad call to DownloadTextFilesAsync().", {"7", "20"}},
      {39, "m_objLinkDictation", "LinkDictation", M, "Bad call to LinkDictation.", {"v-utteranceID", "v-parentID"}},
      {40, "m_objGetListsCompressed", "GetListCompressed", M, "Bad call to GetListCompressed.",
       {"12", "Penwright", "NNYYNNNNNNNNNNNNY", "<certificate>"}},
      {41, "m_objSecureLogin", "secureLogin", Login, "", {"North Clinic", "<certificate>", "WS-1"}},
      {42, "m_objQAScore", "QAScore", M, "Bad call to QAScore.",
       {"v-transcriptionistLogin", "v-utteranceID", "v-reviewScore", "v-reviewNote"}},
      {43, "m_objRequestCert", "SendRequest", M, "Bad call to objRequestCert.SendRequest.",
       // Names are matched in any letter case, as the collection's keys are: "lastName" is "LastName".
       {"v-firstName", "v-LastName", "v-reason", "v-emailAddress", "<certificate>"}},
      {44, "m_objRemoveQAReview", "RemoveQAReview", M, "Bad call to RemoveQAReview.", {"v-utteranceID", "v-reviewStatusID"}},
      {45, "m_objTemplateDownloadTime", "GetTime", M, "Bad call to m_objTemplateDownLoadTime.GetTime().", {}},
      {46, "m_objNumReviews", "request", L, "Bad request for number of reviewed dictations", {}},
      {47, "m_objAppFeatures", "request", L, "Bad request for retrieving App Console Features", {}},
      {48, "m_objQAGradeCriteria", "request", L, "Bad request for retrieving QA Grading Criteria", {}},
      {49, "m_objRDRTranscriptionists", "request", L, "Bad request for retrieving RDR Transcriptionists", {}},
      {50, "m_objUploadQAG", "request", L, "Bad request for uploading QAG XML.", {"7"}},
      {51, "m_objDownloadQAG", "request", L, "Bad request for retrieving QA QAG XML.", {"7", "20"}},
      {52, "", "", U, "", {}},
      {53, "m_Sc", "controlSourceAsync", M, kSc, {"7", "20"}},
      {54, "", "", U, "", {}},
      {55, "m_objAverageQAGrade", "request", L, "Bad request for retrieving average QA Score.", {"v-ParmString"}},
      {56, "m_objDictionariesList", "GetList", M, "Bad call to m_objDictionariesList.GetList().",
       {"v-lastModifiedFlagPath", "v-lastModifiedDate"}},
      {57, "m_objDownloadDictionaries", "GetDictionariesAsync", M,
       "Bad call to GetDictionariesAsync() or dictionary array was empty.", {"medical.dic"}},
      {58, "m_objDictationInfo", "request", L, "Bad request for retrieving dictation info (updated pending note)", {"7", "20"}},
      {59, "m_objRDRReviewers", "request", L, "Bad request for retrieving RDR Reviewers", {}},
      {60, "m_objPRCriteria", "request", L, "Bad request for retrieving Pending Criteria", {}},
      {61, "m_objDownloadPRs", "request", L, "Bad request for retrieving Pending Reasons", {"7", "20"}},
      {62, "m_objGetDictPermissions", "request", L, "Bad request for retrieving Dictation Permissions", {"7", "20"}},
  };
  return rows;
}

// Every scalar of the arguments, arrays walked in order.
void Flatten(const Value& value, std::vector<std::string>& texts) {
  if (value.IsArray()) {
    for (const Value& item : value.ArrayItems()) Flatten(item, texts);
  } else {
    texts.push_back(value.ToString());
  }
}

// True when `expected` appear in `texts` in this order (others may lie between).
bool InOrder(const std::vector<std::string>& texts, const std::vector<std::string>& expected) {
  auto at = texts.begin();
  for (const auto& text : expected) {
    at = std::find(at, texts.end(), text);
    if (at == texts.end()) return false;
    ++at;
  }
  return true;
}

class CatalogueEngineTest : public testing::DictationEngineTest {
 protected:
  void SetUp() override {
    DictationEngineTest::SetUp();
    info = server->DatabaseRequests()->ConnectionInfo();
    info->SetRealm("Dev");
    info->SetCurrentLocation("North Clinic");
    info->SetCurrentLocationID(3);
    info->SetInstitutionID("12");
    info->SetInstitutionDirectory("north");
    info->SetMachineID("WS-1");
    std::filesystem::create_directories(folder.Path() / "App");
    std::filesystem::create_directories(downloads);
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

  std::shared_ptr<clsConnectInfo> info;
};

TEST_F(CatalogueEngineTest, EveryIdentifierTakesItsBranch) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE("action " + std::to_string(row.id));
    if (*row.field) services->Script(row.field, ScriptedAnswer::Refused());
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
    EXPECT_EQ(calls[0].field, row.field);
    EXPECT_EQ(calls[0].operation, row.call);
    std::vector<std::string> texts;
    for (const Value& argument : calls[0].arguments) Flatten(argument, texts);
    std::vector<std::string> expected = row.arguments;
    for (auto& text : expected) {
      if (text == "<certificate>") text = CertificateOnDisk();
    }
    EXPECT_TRUE(InOrder(texts, expected)) << ::testing::PrintToString(texts);
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
  EXPECT_EQ(services->Calls()[0].field, "m_Wr");
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
  EXPECT_EQ(services->Calls()[0].init.at(5).ToLong(), 3);
  EXPECT_EQ(services->Calls()[0].init.at(6).ToLong(), 0);
}

TEST_F(CatalogueEngineTest, SourceControlWithoutAnOperationInTheModeIsSkipped) {
  auto spec = SpecHere({32, 4, 2}, 3);
  spec->WorkQueue()->SetWorkQueueMode(2);
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_EQ(services->Calls()[0].field, "m_Sc");
  EXPECT_EQ(services->Calls()[0].init.at(1).ToLong(), 2) << "the check-in still runs";
  EXPECT_EQ(services->Calls()[1].field, "m_Wr");
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));

  // In review mode an ungraded version is not checked in.
  client->completed.clear();
  auto review = SpecHere({4, 2}, 3);
  review->WorkQueue()->SetWorkQueueMode(3);
  server->DatabaseRequests()->Add(review);
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 3u);
  EXPECT_EQ(services->Calls()[2].field, "m_Wr");
}

}  // namespace
}  // namespace vz
