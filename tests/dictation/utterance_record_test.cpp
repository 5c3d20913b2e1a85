// The dictation record's stored properties: conversions, shared elements, defaults and the
// initialisation from retrieved data.
#include "dictation_fixture.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using testing::DictationTest;

class UtteranceRecordTest : public DictationTest {};

TEST_F(UtteranceRecordTest, NumbersAndBooleansReadTheirDefaultsFromBadText) {
  auto u = NewUtterance();
  u->SetProperty("utteranceID", "forty-seven");
  EXPECT_EQ(u->UtteranceID(), 0);
  u->SetProperty("utteranceID", " 47 ");
  EXPECT_EQ(u->UtteranceID(), 47);
  u->SetProperty("LastActionCompleted", "");
  EXPECT_EQ(u->LastActionCompleted(), 0);
  u->SetProperty("LastActionCompleted", "70000");  // does not fit 16 bits
  EXPECT_EQ(u->LastActionCompleted(), 0);

  // TF booleans: false when missing or unconvertible; "True", "false" and numbers convert. YN
  // booleans: true when missing, true for y in either case, false for anything else.
  struct Stored {
    const char* property;
    const char* text;  // null: missing
    bool read;
  };
  for (const Stored& c : {Stored{"IsAddendum", nullptr, false}, Stored{"IsAddendum", "maybe", false}, Stored{"IsAddendum", "-1", true},
                          Stored{"isLinkDictationAllowed", nullptr, true}, Stored{"isLinkDictationAllowed", "y", true},
                          Stored{"isLinkDictationAllowed", "Yes", false}}) {
    auto record = NewUtterance();
    if (c.text != nullptr) record->SetProperty(c.property, c.text);
    EXPECT_EQ(Get(*record, c.property).ToBoolean(), c.read) << c.property << " = " << (c.text ? c.text : "(missing)");
  }
  Set(*u, "IsAddendum", Value(false));
  EXPECT_EQ(u->GetProperty("IsAddendum"), "False");
  Set(*u, "isSplitDictationAllowed", Value(true));
  EXPECT_EQ(u->GetProperty("isSplitDictationAllowed"), "Y");
  EXPECT_TRUE(prompter->Shown().empty());  // none of this is an error
}

TEST_F(UtteranceRecordTest, NullReadsAsEmptyAndSharedElementsChangeTogether) {
  auto u = NewUtterance();
  u->SetProperty("speakerName", "null");
  EXPECT_EQ(Get(*u, "SpeakerName"), Value(""));
  Set(*u, "Specialty", Value("Cardiology"));
  EXPECT_EQ(Get(*u, "specialtyName"), Value("Cardiology"));
  Set(*u, "Patient", Value("MRN-9"));
  EXPECT_EQ(Get(*u, "medicalRecordNumber"), Value("MRN-9"));
  Set(*u, "medicalRecordNumber", Value("MRN-10"));
  EXPECT_EQ(Get(*u, "Patient"), Value("MRN-10"));
  EXPECT_EQ(u->Store().Row().select_nodes("medicalRecordNumber").size(), 1u);
}

TEST_F(UtteranceRecordTest, UploadPendingCountsStatusSixOnlyAsPendingWithError) {
  auto u = NewUtterance();
  for (const std::int32_t code : {1, 2, 3, 4, 5, 7, 8}) {
    u->SetStatusCode(code);
    EXPECT_TRUE(u->UploadPendingWithNoError()) << code;
    EXPECT_TRUE(u->UploadPending()) << code;
  }
  u->SetStatusCode(6);
  EXPECT_FALSE(u->UploadPendingWithNoError());
  EXPECT_TRUE(u->UploadPending());
  for (const std::int32_t code : {0, 9, -1}) {
    u->SetStatusCode(code);
    EXPECT_FALSE(u->UploadPending()) << code;
  }
}

TEST_F(UtteranceRecordTest, RetrievedRowIsInitialised) {
  auto u = NewUtterance();
  u->LoadRetrievedXML(
      "<Row><utteranceID>47</utteranceID><status>Ready for Editing</status><StatusCode>3</StatusCode>"
      "<specialty>Oncology</specialty><Notes>old</Notes><worktype>Consult</worktype></Row>");
  EXPECT_EQ(u->DocumentVersion(), "0");  // no documentVersion element
  EXPECT_EQ(u->ListViewKey(), "U47.0");
  EXPECT_EQ(u->LastActionCompleted(), -1);
  EXPECT_EQ(u->Status(), "Ready for Editing");   // from "status"
  EXPECT_EQ(u->OriginalStatus(), "");            // taken before the fallback
  EXPECT_EQ(u->InitialStatusCode(), 3);
  EXPECT_EQ(u->UtteranceType(), Value(std::int32_t{3}));  // edit
  EXPECT_EQ(Get(*u, "Specialty"), Value("Oncology"));
  EXPECT_EQ(Get(*u, "Worktype"), Value("Consult"));
  EXPECT_EQ(u->Notes(), Value(""));
  EXPECT_EQ(u->DownloadTime(), "");

  const std::string display = Get(*u, "CurrentPropertyDisplay").ToString();
  EXPECT_THAT(display, HasSubstr("\r\nLastActionCompleted = -1\r\n"));
  EXPECT_THAT(display, HasSubstr("\r\nListViewKey = U47.0\r\n"));
  EXPECT_THAT(display, ::testing::StartsWith("DictationTime = \r\nDownloadPath = "));
  EXPECT_THAT(display, ::testing::EndsWith("\r\nvisitCode = "));
}

TEST_F(UtteranceRecordTest, LocationIdUninitialisedIsReportedAndReadsZero) {
  auto u = NewUtterance();
  EXPECT_EQ(Get(*u, "locationID"), Value(std::int32_t{0}));
  EXPECT_THAT(ErrorsLog(), HasSubstr("LocationID uninitialized."));
  Set(*u, "locationID", Value(std::int32_t{3}));
  EXPECT_EQ(u->LocationID(), 3);
}

TEST_F(UtteranceRecordTest, UtteranceTypeIsEmptyUnlessNumeric) {
  auto u = NewUtterance();
  Set(*u, "UtteranceType", Value("literal"));
  EXPECT_TRUE(Get(*u, "UtteranceType").IsEmpty());
  Set(*u, "UtteranceType", Value(std::int16_t{2}));
  EXPECT_EQ(Get(*u, "UtteranceType"), Value(std::int32_t{2}));
}

TEST_F(UtteranceRecordTest, CreationAndDestructionAreTracedWithInstanceNumbers) {
  const std::int32_t before = clsUtteranceObject::InstancesCreated();
  {
    auto u = NewUtterance();
    u->SetUtteranceID(12);
    EXPECT_EQ(clsUtteranceObject::InstancesCreated(), before + 1);
  }
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("Initializing [" + std::to_string(before) + "]"));
  EXPECT_THAT(log, HasSubstr("Terminating [" + std::to_string(before) + "]"));
  EXPECT_THAT(log, HasSubstr("Terminating utterance object: 12"));
}

TEST_F(UtteranceRecordTest, ClearErrorsAndObjectFields) {
  auto u = NewUtterance();
  u->SetErrorString("Upload failed");
  u->SetLastActionCompleted(4);
  Call(*u, "ClearErrors");
  EXPECT_EQ(u->ErrorString(), "");
  EXPECT_EQ(u->LastActionCompleted(), -1);
  EXPECT_THAT(u->DownloadPath(), ::testing::EndsWith("/App/Downloads"));
  Set(*u, "ErrorAction", Value("7"));
  EXPECT_EQ(Get(*u, "ErrorAction"), Value(std::int32_t{7}));
  const Value parameters = Call(*u, "NewParametersCollection");
  ASSERT_TRUE(parameters.IsObject());
  EXPECT_EQ(Get(*parameters.ObjectReference(), "Count"), Value(std::int32_t{0}));
}

TEST_F(UtteranceRecordTest, MachineIdIsTracedAtDetailLevelOnly) {
  auto u = NewUtterance();
  u->SetUtteranceID(5);
  Set(*u, "MachineID", Value("WS-1"));
  EXPECT_THAT(DetailLog(), HasSubstr("Assigning machineID WS-1 to Utterance 5"));
}

}  // namespace
}  // namespace vz
