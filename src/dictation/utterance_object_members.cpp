// The automation interface of clsUtteranceObject, member by member in interface order. Plain
// stored properties are described from their element name and conversion.
#include "dictation/radiology_orders.hpp"
#include "dictation/utterance_object.hpp"
#include "model/parameters.hpp"

namespace vz {

void clsUtteranceObject::Describe(ClassBuilder<clsUtteranceObject>& c) {
  using U = clsUtteranceObject;
  auto text = [&c](std::string_view property, std::string_view element) {
    c.Property(
        property, [property, element](const U& u) { return u.TextProperty(property, element); },
        [property, element](U& u, const std::string& v) { u.SetTextProperty(property, element, v); });
  };
  auto tf = [&c](std::string_view property) {
    c.Property(
        property, [property](const U& u) { return u.TFProperty(property, property); },
        [property](U& u, bool v) { u.SetTFProperty(property, property, v); });
  };
  auto yn = [&c](std::string_view property) {
    c.Property(
        property, [property](const U& u) { return u.YNProperty(property, property); },
        [property](U& u, bool v) { u.SetYNProperty(property, property, v); });
  };
  auto variant = [&c](std::string_view property) {
    c.Property(
        property, [property](const U& u) { return u.VariantProperty(property, property); },
        [property](U& u, const Value& v) { u.SetVariantProperty(property, property, v); });
  };

  c.Creatable();
  text("ErrorString", "ErrorString");
  text("ListViewKey", "ListViewKey");
  c.Property("Status", &U::Status, &U::SetStatus);
  c.Property("UtteranceID", &U::UtteranceID, &U::SetUtteranceID);
  c.Property("locationID", &U::LocationID, &U::SetLocationID);
  c.Property("ID", &U::ID, &U::SetID);
  c.Property("OriginalStatus", &U::OriginalStatus, &U::SetOriginalStatus);
  c.Property("ErrorAction", &U::ErrorAction, &U::SetErrorAction);
  text("Specialty", "specialtyName");
  text("Speaker", "speakerCode");
  text("SpeakerName", "speakerName");
  text("Patient", "medicalRecordNumber");
  text("Worktype", "workType");
  text("DictationTime", "dictationDate");
  text("Duration", "duration");
  text("Institution", "institutionName");
  c.Property("UtteranceType", &U::UtteranceType, &U::SetUtteranceType);
  text("Priority", "priority");
  c.Property("DownloadTime", &U::DownloadTime, &U::SetDownloadTime);
  c.Property("Notes", &U::Notes, &U::SetNotes);
  c.Property("LoadedDuringThisSession", &U::LoadedDuringThisSession, &U::SetLoadedDuringThisSession);
  c.Property("ConfigFile", &U::ConfigFile, &U::SetConfigFile);
  c.Property("StatusCode", &U::StatusCode, &U::SetStatusCode);
  c.Property("UploadPendingWithNoError", &U::UploadPendingWithNoError);
  c.Property("UploadPending", &U::UploadPending);
  c.Property("DownloadPath", &U::DownloadPath, &U::SetDownloadPath);
  c.Property("InitialStatusCode", &U::InitialStatusCode, &U::SetInitialStatusCode);
  c.Property("LastActionCompleted", &U::LastActionCompleted, &U::SetLastActionCompleted);
  c.Property("ScheduledForReload", &U::ScheduledForReload, &U::SetScheduledForReload);
  c.Property("CurrentXMLDisplay", &U::CurrentXMLDisplay);
  c.Property("CurrentPropertyDisplay", &U::CurrentPropertyDisplay);
  c.Property("DatabaseURL", &U::DatabaseURL, &U::SetDatabaseURL);
  text("signatureDate", "signatureDate");
  text("speakerID", "speakerID");
  text("PatientName", "patientName");
  text("patientID", "patientID");
  text("medicalRecordNumber", "medicalRecordNumber");
  text("workStatusID", "workStatusID");
  text("statusStart", "statusStart");
  text("confirmationNumber", "confirmationNumber");
  text("workTypeID", "workTypeID");
  text("transcriptionistName", "transcriptionistName");
  text("transcriptionEnd", "transcriptionEnd");
  text("transcriptionistID", "transcriptionistID");
  text("visitCode", "visitCode");
  text("InstitutionID", "institutionID");
  text("specialtyID", "specialtyID");
  text("specialtyName", "specialtyName");
  text("procedureDate", "procedureDate");
  c.Property("MachineID", &U::MachineID, &U::SetMachineID);
  text("BusinessEntity", "businessEntity");
  text("BusinessEntityID", "businessEntityID");
  c.Property("RadiologyOrders", &U::RadiologyOrders, &U::SetRadiologyOrders);
  c.Property("QuorvaneistNotes", &U::QuorvaneistNotes, &U::SetQuorvaneistNotes);
  c.Property("FileOpened", &U::FileOpened, &U::SetFileOpened);
  c.Property("AggregateTimeOpen", &U::AggregateTimeOpen);
  c.Property("TimePaused", &U::TimePaused, &U::SetTimePaused);
  c.Property("ClosingAudioSpeed", &U::ClosingAudioSpeed, &U::SetClosingAudioSpeed);
  tf("UpdatePending");
  c.Property("PendingNoteChanged", &U::PendingNoteChanged, &U::SetPendingNoteChanged);
  c.Property("CurrentPendingNote", &U::CurrentPendingNote, &U::SetCurrentPendingNote);
  c.Property("OriginalPendingNote", &U::OriginalPendingNote, &U::SetOriginalPendingNote);
  text("problemStart", "problemStart");
  text("enteredBy", "enteredBy");
  c.Property("RetainPendingNote", &U::RetainPendingNote, &U::SetRetainPendingNote);
  c.Property("Distribute", &U::Distribute, &U::SetDistribute);
  c.Property("Header", &U::HeaderMarkup);
  c.Property("Footer", &U::FooterMarkup);
  text("problemDescription", "problemTypeDescription");
  tf("LoadedForQA");
  c.Property("InUserSpecifiedQueue", &U::InUserSpecifiedQueue, &U::SetInUserSpecifiedQueue);
  c.Property("Login", &U::Login, &U::SetLogin);
  text("OriginalID", "OriginalID");
  text("StartingAudioOffset", "StartingAudioOffset");
  text("EndingAudioOffset", "EndingAudioOffset");
  c.Property("CancelSplit", &U::CancelSplit, &U::SetCancelSplit);
  tf("RTFContainsGraphics");
  c.Property("WorkQueueMode", &U::WorkQueueMode, &U::SetWorkQueueMode);
  c.Property("LinkedDocumentID", &U::LinkedDocumentID, &U::SetLinkedDocumentID);
  tf("IsAddendum");
  tf("IsBeingAmended");
  c.Property("UploadRetries", &U::UploadRetries, &U::SetUploadRetries);
  text("PotentialPendingNoteForSplit", "PotentialPendingNoteForSplit");
  variant("PendedDictationOwnerID");
  c.Property("DocumentVersion", &U::DocumentVersion, &U::SetDocumentVersion);
  text("DocumentUploadLogin", "documentUploadLogin");
  text("DocumentUploadFullName", "documentUploadFullName");
  text("DueDate", "dueDate");
  text("GMTDueDate", "GMTDueDate");
  c.Property("LocalDueDate", &U::LocalDueDate);
  c.Property("IsVersionGraded", &U::IsVersionGraded, &U::SetIsVersionGraded);
  c.Property("HasMTReviewSGPermission", &U::HasMTReviewSGPermission, &U::SetHasMTReviewSGPermission);
  c.Property("PendForPendingReasons", &U::PendForPendingReasons, &U::SetPendForPendingReasons);
  c.Property("ViewedDemographicsHeader", &U::ViewedDemographicsHeader, &U::SetViewedDemographicsHeader);
  yn("isLinkDictationAllowed");
  yn("isSplitDictationAllowed");

  c.Operation("ReadConfigFileToObject", &U::ReadConfigFileToObject, {"sConfigFile"})
      .Operation("WriteObjectToConfigFile", &U::WriteObjectToConfigFile, {"sConfigFile"})
      .Operation("WriteLastError", &U::WriteLastError, {"sMessage"})
      .Operation("UpdateStatusCode", &U::UpdateStatusCode, {"eStatusCode"})
      .Operation("ClearErrors", &U::ClearErrors)
      .Operation("LoadRetrievedXML", &U::LoadRetrievedXML, {"sXML"})
      .Operation("SetProperty", &U::SetProperty, {"sPropertyName", "sValue"})
      .Operation("GetProperty", &U::GetProperty, {"sPropertyName"})
      .Operation("AddPersonListEntry", &U::AddPersonListEntry,
                 {"sInsertionString", "sLongDisplayString", "sShortDisplayString", "nFieldType"})
      .Operation("GetPersonList", &U::GetPersonListMarkup, {"nFieldType"})
      .Operation("ClearPersonListEntries", &U::ClearPersonListEntries, {"nFieldType"})
      .Operation("AddSubDocument", &U::AddSubDocument, {"sSubDocName"})
      .Operation("GetSubDocNames", &U::GetSubDocNames, {"nCount"})
      .Operation("RemovePersonListItem", &U::RemovePersonListItem, {"nFieldType", "sInsertionString"})
      .Operation("AddPendingNoteItem", &U::AddPendingNoteItem,
                 {"eItemType", "sContent", "nIndentSize", "sUnmarkedContent"})
      .Operation("RemovePendingNoteItem", &U::RemovePendingNoteItem,
                 {"eItemType", "sContent", "nIndentSize", "sUnmarkedContent"})
      .Operation("CalculateTimeOpen", &U::CalculateTimeOpen, {"sCloseTime"})
      .Operation("StartPause", &U::StartPause)
      .Operation("ResumeFromPause", &U::ResumeFromPause)
      .Operation("NewParametersCollection", &U::NewParametersCollection)
      .Operation("UpdateIsVersionGraded", &U::UpdateIsVersionGraded, {"bIsVersionGraded"})
      .Operation("UpdatePendForPendingReasons", &U::UpdatePendForPendingReasons, {"bPendForPendingReasons"});
}

}  // namespace vz
