// The dictation classes as clients see them: every member in interface order, with its kind and
// arguments ([optional], &by-reference). A missing, misspelt or misplaced member fails here.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "dictation/register_dictation_classes.hpp"
#include "member_lines.hpp"
#include "object/dispatch.hpp"

namespace vz {
namespace {

using testing::ExpectedInterface;

const ExpectedInterface& Interface() {
  static const ExpectedInterface classes = {
      {"clsUtteranceObject",
       {true,
        {"ErrorString rw", "ListViewKey rw", "Status rw", "UtteranceID rw", "locationID rw", "ID rw",
         "OriginalStatus rw", "ErrorAction rw", "Specialty rw", "Speaker rw", "SpeakerName rw", "Patient rw",
         "Worktype rw", "DictationTime rw", "Duration rw", "Institution rw", "UtteranceType rw", "Priority rw",
         "DownloadTime rw", "Notes rw", "LoadedDuringThisSession rw", "ConfigFile rw", "StatusCode rw",
         "UploadPendingWithNoError r", "UploadPending r", "DownloadPath rw", "InitialStatusCode rw",
         "LastActionCompleted rw", "ScheduledForReload rw", "CurrentXMLDisplay r", "CurrentPropertyDisplay r",
         "DatabaseURL rw", "signatureDate rw", "speakerID rw", "PatientName rw", "patientID rw",
         "medicalRecordNumber rw", "workStatusID rw", "statusStart rw", "confirmationNumber rw", "workTypeID rw",
         "transcriptionistName rw", "transcriptionEnd rw", "transcriptionistID rw", "visitCode rw",
         "InstitutionID rw", "specialtyID rw", "specialtyName rw", "procedureDate rw", "MachineID rw",
         "BusinessEntity rw", "BusinessEntityID rw", "RadiologyOrders rw", "QuorvaneistNotes rw", "FileOpened rw",
         "AggregateTimeOpen r", "TimePaused rw", "ClosingAudioSpeed rw", "UpdatePending rw", "PendingNoteChanged rw",
         "CurrentPendingNote rw", "OriginalPendingNote rw", "problemStart rw", "enteredBy rw",
         "RetainPendingNote rw", "Distribute rw", "Header r", "Footer r", "problemDescription rw", "LoadedForQA rw",
         "InUserSpecifiedQueue rw", "Login rw", "OriginalID rw", "StartingAudioOffset rw", "EndingAudioOffset rw",
         "CancelSplit rw", "RTFContainsGraphics rw", "WorkQueueMode rw", "LinkedDocumentID rw", "IsAddendum rw",
         "IsBeingAmended rw", "UploadRetries rw", "PotentialPendingNoteForSplit rw", "PendedDictationOwnerID rw",
         "DocumentVersion rw", "DocumentUploadLogin rw", "DocumentUploadFullName rw", "DueDate rw", "GMTDueDate rw",
         "LocalDueDate r", "IsVersionGraded rw", "HasMTReviewSGPermission rw", "PendForPendingReasons rw",
         "ViewedDemographicsHeader rw", "isLinkDictationAllowed rw", "isSplitDictationAllowed rw",
         "ReadConfigFileToObject op (sConfigFile)", "WriteObjectToConfigFile op (sConfigFile)",
         "WriteLastError op (sMessage)", "UpdateStatusCode op (eStatusCode)", "ClearErrors op",
         "LoadRetrievedXML op (sXML)", "SetProperty op (sPropertyName, sValue)", "GetProperty op (sPropertyName)",
         "AddPersonListEntry op (sInsertionString, sLongDisplayString, sShortDisplayString, nFieldType)",
         "GetPersonList op (nFieldType)", "ClearPersonListEntries op (nFieldType)",
         "AddSubDocument op (sSubDocName)", "GetSubDocNames op (&nCount)",
         "RemovePersonListItem op (nFieldType, sInsertionString)",
         "AddPendingNoteItem op (eItemType, sContent, [nIndentSize], [sUnmarkedContent])",
         "RemovePendingNoteItem op (eItemType, sContent, [nIndentSize], [sUnmarkedContent])",
         "CalculateTimeOpen op (sCloseTime)", "StartPause op", "ResumeFromPause op", "NewParametersCollection op",
         "UpdateIsVersionGraded op (bIsVersionGraded)",
         "UpdatePendForPendingReasons op (bPendForPendingReasons)"}}},
      {"clsUtterances",
       {true,
        {"Add op (lUtteranceID, lLocationID, sStatus, sConfigFile, sDocumentVersion)", "Count r",
         "Remove op (sUtterances, [docVersion])", "Item r (sUtterances, [docVersion]) default", "NewEnum op enum",
         "ReInitialize op", "AddCompleteObject op (objUtterance, sConfigFile)",
         "UtterancePresent op (sUtterances, [docVersion])",
         "bfnMatches op (lUtteranceID, lLocationID, vDocumentVersion)"}}},
      {"clsRadiologyOrders", {true, {"Add op", "Count r", "Item r (Index) default", "NewEnum op enum"}}},
      {"clsRadiologyOrder",
       {false,
        {"OrderItemID rw", "OrderItemCode rw", "PatientName rw", "MRN rw", "FulfillmentDate rw", "Status rw",
         "IsComplete rw", "IsAssociated rw", "OrderDescription rw"}}},
  };
  return classes;
}

TEST(DictationInterface, EveryClassDescribesExactlyItsMembersInOrder) {
  ClassRegistry registry;
  RegisterDictationClasses(registry);
  testing::ExpectDescribedAsIn(Interface(), registry);
  // The model's classes come with them, the work queue's extraction included.
  EXPECT_NE(registry.Find("clsWorkQueue"), nullptr);
  EXPECT_NE(registry.Find("clsWorkQueue")->FindMember("ExtractXML"), nullptr);
}

}  // namespace
}  // namespace vz
