#pragma once
// clsUtteranceObject: one dictation as the server knows it. Almost every property is the text of
// one child element of the record's "Row" element (row_store.hpp), which the dictation
// configuration file persists; a few live only in the object. Setting a property never writes the
// file: WriteObjectToConfigFile and the Update... operations do.
//
// The implementation is split by concern: properties (utterance_object.cpp), the configuration
// file and servlet answers (config_file.cpp), person lists, sub-documents and header/footer
// (person_lists.cpp), pending notes (pending_notes.cpp), open time, pauses and due dates
// (open_time.cpp), radiology orders (utterance_radiology_orders.cpp) and the displays
// (property_display.cpp).
//
// Errors: most members show a trapped error in the error box and return their default; the
// persistence members (noted below) raise it again to the caller with where it was raised.
#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dictation/row_store.hpp"
#include "object/automation_object.hpp"
#include "object/value.hpp"

namespace vz {

class clsParameters;
class clsRadiologyOrders;

// Pending-note item types given to AddPendingNoteItem and RemovePendingNoteItem.
enum PendingNoteItemType : std::int32_t {
  kPendingUnexpectedError = 0,   // body: the content in a CDATA section
  kPendingNewContact = 1,        // body: the content as it is (a "contactInfo" element)
  kPendingQuorvaneistMessage = 2 // body: the content in a "text" element
};

class clsUtteranceObject : public AutomationObject<clsUtteranceObject> {
 public:
  static constexpr std::string_view kClassName = "clsUtteranceObject";
  static void Describe(ClassBuilder<clsUtteranceObject>& c);

  clsUtteranceObject();
  ~clsUtteranceObject() override;

  // Records created in this process so far (the next record's instance number).
  static std::int32_t InstancesCreated();

  // Stored properties by element, with the conversions of their type; `property` names the
  // member for the error trap.
  std::string TextProperty(std::string_view property, std::string_view element) const;
  void SetTextProperty(std::string_view property, std::string_view element, const std::string& value);
  std::int32_t LongProperty(std::string_view property, std::string_view element) const;
  void SetLongProperty(std::string_view property, std::string_view element, std::int32_t value);
  bool TFProperty(std::string_view property, std::string_view element) const;
  void SetTFProperty(std::string_view property, std::string_view element, bool value);
  bool YNProperty(std::string_view property, std::string_view element) const;
  void SetYNProperty(std::string_view property, std::string_view element, bool value);
  Value VariantProperty(std::string_view property, std::string_view element) const;
  void SetVariantProperty(std::string_view property, std::string_view element, const Value& value);

  // The properties other code reads and writes by name.
  std::string ErrorString() const { return TextProperty("ErrorString", "ErrorString"); }
  void SetErrorString(const std::string& v) { SetTextProperty("ErrorString", "ErrorString", v); }
  std::string ListViewKey() const { return TextProperty("ListViewKey", "ListViewKey"); }
  std::string Status() const { return TextProperty("Status", "queueStatus"); }
  void SetStatus(const std::string& v) { SetTextProperty("Status", "queueStatus", v); }
  std::int32_t UtteranceID() const { return LongProperty("UtteranceID", "utteranceID"); }
  void SetUtteranceID(std::int32_t v) { SetLongProperty("UtteranceID", "utteranceID", v); }
  // An empty element reads as 0 and is reported as uninitialised.
  std::int32_t LocationID() const;
  void SetLocationID(std::int32_t v) { SetLongProperty("locationID", "locationID", v); }
  const std::string& ID() const { return id_; }
  void SetID(std::string v) { id_ = std::move(v); }
  std::string OriginalStatus() const { return TextProperty("OriginalStatus", "OriginalStatus"); }
  void SetOriginalStatus(const std::string& v) { SetTextProperty("OriginalStatus", "OriginalStatus", v); }
  Value ErrorAction() const { return Value(errorAction_); }
  void SetErrorAction(const Value& v);
  // A Long, or Empty when the stored text is not a number.
  Value UtteranceType() const;
  void SetUtteranceType(const Value& v) { SetVariantProperty("UtteranceType", "UtteranceType", v); }
  std::string DownloadTime() const { return TextProperty("DownloadTime", "DownloadTime"); }
  void SetDownloadTime(const std::string& v) { SetTextProperty("DownloadTime", "DownloadTime", v); }
  Value Notes() const { return VariantProperty("Notes", "Notes"); }
  void SetNotes(const Value& v) { SetVariantProperty("Notes", "Notes", v); }
  bool LoadedDuringThisSession() const { return loadedDuringThisSession_; }
  void SetLoadedDuringThisSession(bool v) { loadedDuringThisSession_ = v; }
  const std::string& ConfigFile() const { return configFile_; }
  // Also derives the header and footer paths (extensions "hd3" and "ft3") from a non-blank path.
  void SetConfigFile(const std::string& path);
  const std::string& HeaderFile() const { return headerFile_; }
  const std::string& FooterFile() const { return footerFile_; }
  std::int32_t StatusCode() const { return LongProperty("StatusCode", "StatusCode"); }
  void SetStatusCode(std::int32_t v) { SetLongProperty("StatusCode", "StatusCode", v); }
  // Status codes 1-5, 7 and 8: an upload is pending and no error occurred; 6: pending after one.
  bool UploadPendingWithNoError() const;
  bool UploadPending() const;
  // The folder set, or else the application folder's "Downloads" as the folder is now: a record
  // made before the client named its application folder follows it once named.
  std::string DownloadPath() const;
  void SetDownloadPath(std::string v) { downloadPath_ = std::move(v); }
  std::int32_t InitialStatusCode() const { return LongProperty("InitialStatusCode", "InitialStatusCode"); }
  void SetInitialStatusCode(std::int32_t v) { SetLongProperty("InitialStatusCode", "InitialStatusCode", v); }
  // -1 means none.
  std::int16_t LastActionCompleted() const;
  void SetLastActionCompleted(std::int16_t v);
  bool ScheduledForReload() const { return scheduledForReload_; }
  void SetScheduledForReload(bool v) { scheduledForReload_ = v; }
  std::string DatabaseURL() const { return TextProperty("DatabaseURL", "DatabaseURL"); }
  void SetDatabaseURL(const std::string& v) { SetTextProperty("DatabaseURL", "DatabaseURL", v); }
  std::string Login() const { return TextProperty("Login", "Login"); }
  void SetLogin(const std::string& v) { SetTextProperty("Login", "Login", v); }
  std::string MachineID() const { return TextProperty("MachineID", "MachineID"); }
  void SetMachineID(const std::string& v);
  std::string DocumentVersion() const;  // "0" when empty
  void SetDocumentVersion(const std::string& v) { SetTextProperty("DocumentVersion", "documentVersion", v); }
  std::int32_t WorkQueueMode() const { return LongProperty("WorkQueueMode", "WorkQueueMode"); }
  void SetWorkQueueMode(std::int32_t v) { SetLongProperty("WorkQueueMode", "WorkQueueMode", v); }
  std::string LinkedDocumentID() const;
  void SetLinkedDocumentID(const std::string& v);
  std::int32_t UploadRetries() const { return LongProperty("UploadRetries", "UploadRetries"); }
  void SetUploadRetries(std::int32_t v) { SetLongProperty("UploadRetries", "UploadRetries", v); }
  bool IsVersionGraded() const;
  void SetIsVersionGraded(bool v);
  bool HasMTReviewSGPermission() const { return TFProperty("HasMTReviewSGPermission", "HasMTReviewSGPermission"); }
  void SetHasMTReviewSGPermission(bool v);
  bool PendForPendingReasons() const;
  void SetPendForPendingReasons(bool v);
  bool ViewedDemographicsHeader() const { return TFProperty("ViewedDemographicsHeader", "ViewedDemographicsHeader"); }
  void SetViewedDemographicsHeader(bool v);

  // Object fields kept for the client.
  bool RetainPendingNote() const { return retainPendingNote_; }
  void SetRetainPendingNote(bool v) { retainPendingNote_ = v; }
  bool Distribute() const { return distribute_; }
  void SetDistribute(bool v) { distribute_ = v; }
  bool InUserSpecifiedQueue() const { return inUserSpecifiedQueue_; }
  void SetInUserSpecifiedQueue(bool v) { inUserSpecifiedQueue_ = v; }
  bool CancelSplit() const { return cancelSplit_; }
  void SetCancelSplit(bool v) { cancelSplit_ = v; }

  // Displays (property_display.cpp).
  std::string CurrentXMLDisplay() const;
  Value CurrentPropertyDisplay() const;

  // The configuration file and servlet answers (config_file.cpp). These four raise errors to the
  // caller.
  void ReadConfigFileToObject(const std::string& sConfigFile);
  void WriteObjectToConfigFile(const std::string& sConfigFile);
  // The bytes WriteObjectToConfigFile writes (it sets the download time first when there is none).
  std::string ConfigFileText() const;
  void LoadRetrievedXML(const std::string& sXML);
  std::string GetProperty(const std::string& sPropertyName) const;
  void SetProperty(const std::string& sPropertyName, const std::string& sValue);
  void WriteLastError(const std::string& sMessage);
  void UpdateStatusCode(std::int32_t eStatusCode);
  // Why the last UpdateStatusCode could not write the configuration file (its error box is the
  // only other sign); empty when it could.
  const std::string& UnsavedReason() const { return unsavedReason_; }
  void ClearErrors();
  // Completes a record just filled from a servlet answer: download time, last action, original
  // status, list key, notes, status fallbacks, initial status code and utterance type.
  void InitializeUnretrievedProperties();
  // Fills the record from a "Row" of a parsed work-queue answer that other records share.
  void AdoptRetrievedRow(std::shared_ptr<pugi::xml_document> answer, pugi::xml_node row);

  // Person lists, sub-documents, header and footer (person_lists.cpp). The automation members
  // hand nodes and documents over as their markup ("" for none).
  void AddPersonListEntry(const std::string& sInsertionString, const std::string& sLongDisplayString,
                          const std::string& sShortDisplayString, std::int16_t nFieldType);
  pugi::xml_node GetPersonList(std::int16_t nFieldType);
  std::string GetPersonListMarkup(std::int16_t nFieldType);
  void ClearPersonListEntries(std::int16_t nFieldType);
  void RemovePersonListItem(std::int16_t nFieldType, const std::string& sInsertionString);
  void AddSubDocument(const std::string& sSubDocName);
  std::vector<std::string> GetSubDocNames(std::int32_t& nCount) const;
  // The header and footer files' documents, loaded on first use and reloaded when the file
  // changes; empty when the file does not exist.
  pugi::xml_node Header();
  pugi::xml_node Footer();
  std::string HeaderMarkup();
  std::string FooterMarkup();
  const std::string& HeaderTimeStamp() const { return header_.timeStamp; }
  const std::string& FooterTimeStamp() const { return footer_.timeStamp; }

  // Pending notes (pending_notes.cpp).
  void AddPendingNoteItem(std::int32_t eItemType, const std::string& sContent, std::optional<std::int32_t> nIndentSize,
                          std::optional<std::string> sUnmarkedContent);
  void RemovePendingNoteItem(std::int32_t eItemType, const std::string& sContent,
                             std::optional<std::int32_t> nIndentSize, std::optional<std::string> sUnmarkedContent);
  Value QuorvaneistNotes() const { return VariantProperty("QuorvaneistNotes", "QuorvaneistNotes"); }
  void SetQuorvaneistNotes(const Value& v);
  bool PendingNoteChanged() const;
  void SetPendingNoteChanged(bool v) { SetTFProperty("PendingNoteChanged", "PendingNoteChanged", v); }
  std::string CurrentPendingNote() const;
  void SetCurrentPendingNote(const std::string& v) { SetTextProperty("CurrentPendingNote", "CurrentPendingNote", v); }
  std::string OriginalPendingNote() const { return TextProperty("OriginalPendingNote", "problemNote"); }
  void SetOriginalPendingNote(const std::string& v) { SetTextProperty("OriginalPendingNote", "problemNote", v); }
  // The pending-note items held in `element` as readable text, one labelled entry per item.
  std::string FullPendingNote(std::string_view element) const;

  // Open time, pauses and due dates (open_time.cpp).
  std::string FileOpened() const;
  void SetFileOpened(const std::string& v);
  void CalculateTimeOpen(const std::string& sCloseTime);
  std::int32_t AggregateTimeOpen() const;
  void StartPause();
  void ResumeFromPause();
  std::int32_t TimePaused() const;
  // Adds `seconds` to the paused total.
  void SetTimePaused(std::int32_t seconds);
  std::int16_t ClosingAudioSpeed() const;
  // Stores the speed and writes the configuration file.
  void SetClosingAudioSpeed(std::int16_t v);
  // GMTDueDate in the machine's local time, in the general date form; "" when it is not a date.
  std::string LocalDueDate() const;

  // Radiology orders (radiology_orders.cpp).
  std::shared_ptr<clsRadiologyOrders> RadiologyOrders();
  void SetRadiologyOrders(std::shared_ptr<clsRadiologyOrders> orders);

  std::shared_ptr<clsParameters> NewParametersCollection() const;
  void UpdateIsVersionGraded(bool bIsVersionGraded);
  void UpdatePendForPendingReasons(bool bPendForPendingReasons);

  dictation::RowStore& Store() { return store_; }
  const dictation::RowStore& Store() const { return store_; }

  // The row's property reader and writer: "null" reads as empty; the writer traces replacements.
  std::string sfnRetrievePropertyValue(std::string_view name) const;
  void AssignPropertyValue(std::string_view name, std::string_view value);

 private:
  struct SideDocument {
    std::unique_ptr<pugi::xml_document> document;
    std::string timeStamp;
  };
  pugi::xml_node GetFooterHeader(bool header);
  // Appends a new element `name` to `parent`, with `value` as text when it is not empty.
  pugi::xml_node objfnAppendChild(pugi::xml_node parent, std::string_view name, std::string_view value);
  pugi::xml_node FindPersonList(std::int16_t fieldType) const;

  const std::int32_t instance_;
  dictation::RowStore store_;
  std::string configFile_;
  std::string unsavedReason_;
  std::string headerFile_;
  std::string footerFile_;
  std::string downloadPath_;  // empty: the default folder
  std::string id_;
  std::int32_t errorAction_ = 0;
  bool loadedDuringThisSession_ = false;
  bool scheduledForReload_ = false;
  bool cancelSplit_ = false;
  bool retainPendingNote_ = false;
  bool distribute_ = false;
  bool inUserSpecifiedQueue_ = false;
  SideDocument header_;
  SideDocument footer_;
  std::shared_ptr<clsRadiologyOrders> radiologyOrders_;
  std::string pauseStart_;
};

}  // namespace vz
