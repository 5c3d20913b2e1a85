#include "execution/action_table.hpp"

#include <array>

namespace vz {
namespace {

using F = FlagMeaning;

const std::vector<ActionEntry>& Table() {
  static const std::vector<ActionEntry> table = {
      {Action::DBR_UPLOAD, "DBR_UPLOAD", "m_Fup", "putFilesAsync", {"UploadFlags"}, "Bad call to putFilesAsync().", F::Accepted, "m_Fup_UploadComplete"},
      {Action::DBR_DOWNLOAD, "DBR_DOWNLOAD", "m_Fud", "getFilesAsync", {}, "Bad call to getFilesAsync().", F::Accepted, "m_Fud_DownloadComplete"},
      {Action::DBR_GETWORKQUEUE, "DBR_GETWORKQUEUE", "m_Wr", "getWorkAsync", {}, "Bad call to getWorkAsync().", F::Accepted, "m_Wr_RetrievalComplete"},
      {Action::DBR_CHECKOUT, "DBR_CHECKOUT", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {Action::DBR_CHECKIN, "DBR_CHECKIN", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {Action::DBR_CHECKINPENDING, "DBR_CHECKINPENDING", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {Action::DBR_UNLOCK, "DBR_UNLOCK", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {Action::DBR_SOFTCHECKOUT, "DBR_SOFTCHECKOUT", "", "", {}, "", F::NotHandled, ""},
      {Action::DBR_GETLOCATIONINFO, "DBR_GETLOCATIONINFO", "m_Ir", "getWorkAsync", {}, "Bad call to m_Ir.getWorkAsync().", F::Accepted, "m_Ir_RetrievalComplete"},
      {Action::DBR_GETTEMPLATES, "DBR_GETTEMPLATES", "m_objHeaderValues", "getHeader", {}, "Bad call to getHeader.", F::Accepted, "m_objHeaderValues_RetrievalComplete"},
      {Action::DBR_PINGSERVLET, "DBR_PINGSERVLET", "m_Sp", "pingServlet", {}, "", F::LoginAccepted, "m_Sp_RetrievalComplete"},
      {Action::DBR_GETCONTACTSFILE, "DBR_GETCONTACTSFILE", "m_objContactsFile", "getFileAsync", {"VersionID", "doCompress"}, "Bad call to m_objContactsFile.getFileAsync().", F::Accepted, "m_objContactsFile_DownloadComplete"},
      {Action::DBR_GETCONTACTCHANGES, "DBR_GETCONTACTCHANGES", "m_objContactChanges", "getChangesAsync", {"VersionID", "doCompress"}, "Bad call to getChangesAsync().", F::Accepted, "m_objContactChanges_DownloadComplete"},
      {Action::DBR_GETLOCKEDLIST, "DBR_GETLOCKEDLIST", "m_objLockedList", "getLockedDictationsAsync", {}, "Bad call to getLockedDictationsAsync().", F::Accepted, "m_objLockedList_RequestComplete"},
      {Action::DBR_SEARCHPATIENTINFO, "DBR_SEARCHPATIENTINFO", "m_objSearchPatientInfo", "GetPatientInfo", {"LastName", "MRN", "VisitCode"}, "Bad call to GetPatientInfo", F::Accepted, "m_objSearchPatientInfo_RetrievalComplete"},
      {Action::DBR_UPDATEDICTATION, "DBR_UPDATEDICTATION", "m_objDictationUpdate", "updateDictation", {"PendingNote"}, "Bad call to updateDictation.", F::Accepted, "m_objDictationUpdate_UpdateComplete"},
      {Action::DBR_GETSPEAKERS, "DBR_GETSPEAKERS", "m_objRetrieveSpeakers", "GetList", {"institutionID"}, "Bad call to GetList while retrieving speaker list.", F::Accepted, "m_objRetrieveSpeakers_RetrievalComplete"},
      {Action::DBR_GETWORKTYPES, "DBR_GETWORKTYPES", "m_objRetrieveWorkTypes", "GetList", {"institutionID"}, "Bad call to GetList while retrieving Worktype list.", F::Accepted, "m_objRetrieveWorkTypes_RetrievalComplete"},
      {Action::DBR_UPDATEFIELD, "DBR_UPDATEFIELD", "m_objUpdateField", "UpdateField", {"utteranceID", "type", "value", "PendingNote"}, "Bad call to UpdateField.", F::Accepted, "m_objUpdateField_UpdateComplete"},
      {Action::DBR_GETMETRICS, "DBR_GETMETRICS", "m_objTranscriptionMetrics", "GetMetrics", {"startDate", "endDate"}, "Bad call to GetMetrics.", F::Accepted, "m_objTranscriptionMetrics_RetrievalComplete"},
      {Action::DBR_GETSEARCHLISTS, "DBR_GETSEARCHLISTS", "m_objRetrieveSearchLists", "GetList", {}, "Bad call to GetList while retrieving SearchLists.", F::Accepted, "m_objRetrieveSearchLists_RetrievalComplete"},
      {Action::DBR_HL7SEARCH, "DBR_HL7SEARCH", "m_objHL7Search", "HL7Search", {}, "Bad call to HL7Search", F::Accepted, "m_objHL7Search_RetrievalComplete"},
      {Action::DBR_GETRELEASEINFO, "DBR_GETRELEASEINFO", "m_objGetRelInfo", "GetCurRelInfo", {"application", "majorVersion", "minorVersion", "patchNumber"}, "Bad call to GetCurRelInfo while retrieving current release info.", F::Accepted, "m_objGetRelInfo_ResponseComplete"},
      {Action::DBR_GATEWAYSEND, "DBR_GATEWAYSEND", "m_objGatewaySender", "Send", {"utteranceID", "sClientTypeID", "sTarget", "sDoDistribute"}, "Bad call to GatewaySender.Send.", F::Accepted, "m_objGatewaySender_SendComplete"},
      {Action::DBR_SPLITDICTATION, "DBR_SPLITDICTATION", "m_objSplitDictation", "SplitDictation", {"utteranceID", "audioStart", "audioEnd"}, "Bad call to SplitDictation.", F::Accepted, "m_objSplitDictation_ResponseComplete"},
      {Action::DBR_GETOPTIONS, "DBR_GETOPTIONS", "m_objGetOptions", "GetOptions", {}, "Bad call to GetOptions.", F::Accepted, "m_objGetOptions_RetrievalComplete"},
      {Action::DBR_SENDOPTIONS, "DBR_SENDOPTIONS", "m_objSendOptions", "SendOptions", {"optionsXML"}, "Bad call to SendOptions.", F::Accepted, "m_objSendOptions_RetrievalComplete"},
      {Action::DBR_GETTEMPLATEDOCLIST, "DBR_GETTEMPLATEDOCLIST", "m_objTemplateDocList", "GetList", {"lastModifiedDate"}, "Bad call to m_objTemplateDocList.GetList().", F::Accepted, "m_objTemplateDocList_RetrievalComplete"},
      {Action::DBR_GETTEMPLATEDOCS, "DBR_GETTEMPLATEDOCS", "m_objGetTemplateDocs", "GetTemplatesAsync", {}, "Bad call to GetTemplatesAsync().", F::Accepted, "m_objGetTemplateDocs_RetrievalComplete"},
      {Action::DBR_GETCHANGEDHEADER, "DBR_GETCHANGEDHEADER", "m_objHeaderValues", "getHeader", {}, "Bad call to getHeader.", F::Accepted, "m_objHeaderValues_RetrievalComplete"},
      {Action::DBR_SCOPERATION5, "DBR_SCOPERATION5", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {Action::DBR_CREATEDICTATION, "DBR_CREATEDICTATION", "m_objCreateDictation", "CreateAudio", {}, "Bad call to CreateAudio.", F::Accepted, "m_objCreateDictation_RetrievalComplete"},
      {Action::DBR_GETHEADER, "DBR_GETHEADER", "m_objHeaderValues", "getHeader", {}, "Bad call to getHeader.", F::Accepted, "m_objHeaderValues_RetrievalComplete"},
      {Action::DBR_ONLINESEARCH, "DBR_ONLINESEARCH", "m_objOnlineSearch", "getSearchValues", {"utteranceID", "paramString"}, "Bad call to getSearchValues.", F::Accepted, "m_objOnlineSearch_RetrievalComplete"},
      {Action::DBR_UPDATEDICTFIELDS, "DBR_UPDATEDICTFIELDS", "m_objUpdateDictFields", "UpdateDictFields", {"utteranceID", "headerData"}, "Bad call to UpdateDictFields.", F::Accepted, "m_objUpdateDictFields_RetrievalComplete"},
      {Action::DBR_DICTATIONSEARCH, "DBR_DICTATIONSEARCH", "m_objDictationSearch", "SearchParameters", {"searchParameters"}, "Bad call to SearchParameters.", F::Accepted, "m_objDictationSearch_RetrievalComplete"},
      {Action::DBR_DOWNLOADTEXT, "DBR_DOWNLOADTEXT", "m_objDownloadText", "DownloadTextFilesAsync", {}, "Bad call to DownloadTextFilesAsync().", F::Accepted, "m_objDownloadText_DownloadComplete"},
      {Action::DBR_LINKDICTATION, "DBR_LINKDICTATION", "m_objLinkDictation", "LinkDictation", {"utteranceID", "parentID"}, "Bad call to LinkDictation.", F::Accepted, "m_objLinkDictation_RetrievalComplete"},
      {Action::DBR_GETLISTSCOMPRESSED, "DBR_GETLISTSCOMPRESSED", "m_objGetListsCompressed", "GetListCompressed", {}, "Bad call to GetListCompressed.", F::Accepted, "m_objGetListsCompressed_RetrievalComplete"},
      {Action::DBR_SECURELOGIN, "DBR_SECURELOGIN", "m_objSecureLogin", "secureLogin", {}, "", F::LoginAccepted, "m_objSecureLogin_RetrievalComplete"},
      {Action::DBR_QASCORE, "DBR_QASCORE", "m_objQAScore", "QAScore", {"transcriptionistLogin", "utteranceID", "reviewScore", "reviewNote"}, "Bad call to QAScore.", F::Accepted, "m_objQAScore_RetrievalComplete"},
      {Action::DBR_REQUESTCERT, "DBR_REQUESTCERT", "m_objRequestCert", "SendRequest", {"firstName", "lastName", "reason", "emailAddress"}, "Bad call to objRequestCert.SendRequest.", F::Accepted, "m_objRequestCert_RetrievalComplete"},
      {Action::DBR_REMOVEQAREVIEW, "DBR_REMOVEQAREVIEW", "m_objRemoveQAReview", "RemoveQAReview", {"utteranceID", "reviewStatusID"}, "Bad call to RemoveQAReview.", F::Accepted, "m_objRemoveQAReview_RequestComplete"},
      {Action::DBR_GETTEMPLATEDOWNLOADTIME, "DBR_GETTEMPLATEDOWNLOADTIME", "m_objTemplateDownloadTime", "GetTime", {}, "Bad call to m_objTemplateDownLoadTime.GetTime().", F::Accepted, "m_objTemplateDownloadTime_RetrievalComplete"},
      {Action::DBR_GETNUMREVIEWS, "DBR_GETNUMREVIEWS", "m_objNumReviews", "request", {}, "Bad request for number of reviewed dictations", F::Failed, "m_objNumReviews_RetrievalComplete"},
      {Action::DBR_GETAPPFEATURES, "DBR_GETAPPFEATURES", "m_objAppFeatures", "request", {}, "Bad request for retrieving App Console Features", F::Failed, "m_objAppFeatures_RetrievalComplete"},
      {Action::DBR_GETQAGRADECRITERIA, "DBR_GETQAGRADECRITERIA", "m_objQAGradeCriteria", "request", {}, "Bad request for retrieving QA Grading Criteria", F::Failed, "m_objQAGradeCriteria_RetrievalComplete"},
      {Action::DBR_GETRDRTRANSCRIPTIONISTS, "DBR_GETRDRTRANSCRIPTIONISTS", "m_objRDRTranscriptionists", "request", {}, "Bad request for retrieving RDR Transcriptionists", F::Failed, "m_objRDRTranscriptionists_RetrievalComplete"},
      {Action::DBR_UPLOADQAG, "DBR_UPLOADQAG", "m_objUploadQAG", "request", {}, "Bad request for uploading QAG XML.", F::Failed, "m_objUploadQAG_RetrievalComplete"},
      {Action::DBR_DOWNLOADQAG, "DBR_DOWNLOADQAG", "m_objDownloadQAG", "request", {}, "Bad request for retrieving QA QAG XML.", F::Failed, "m_objDownloadQAG_RetrievalComplete"},
      {Action::DBR_SCOPERATION7, "DBR_SCOPERATION7", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {Action::DBR_GETAVERAGEQAGRADE, "DBR_GETAVERAGEQAGRADE", "m_objAverageQAGrade", "request", {"ParmString"}, "Bad request for retrieving average QA Score.", F::Failed, "m_objAverageQAGrade_RetrievalComplete"},
      {Action::DBR_GETDICTIONARIESLIST, "DBR_GETDICTIONARIESLIST", "m_objDictionariesList", "GetList", {"lastModifiedFlagPath", "lastModifiedDate"}, "Bad call to m_objDictionariesList.GetList().", F::Accepted, "m_objDictionariesList_RetrievalComplete"},
      {Action::DBR_DOWNLOADDICTIONARY, "DBR_DOWNLOADDICTIONARY", "m_objDownloadDictionaries", "GetDictionariesAsync", {}, "Bad call to GetDictionariesAsync() or dictionary array was empty.", F::Accepted, "m_objDownloadDictionaries_RetrievalComplete"},
      {Action::DBR_GETDICTATIONINFO, "DBR_GETDICTATIONINFO", "m_objDictationInfo", "request", {}, "Bad request for retrieving dictation info (updated pending note)", F::Failed, "m_objDictationInfo_RetrievalComplete"},
      {Action::DBR_GETRDRREVIEWERS, "DBR_GETRDRREVIEWERS", "m_objRDRReviewers", "request", {}, "Bad request for retrieving RDR Reviewers", F::Failed, "m_objRDRReviewers_RetrievalComplete"},
      {Action::DBR_GETPRCRITERIA, "DBR_GETPRCRITERIA", "m_objPRCriteria", "request", {}, "Bad request for retrieving Pending Criteria", F::Failed, "m_objPRCriteria_RetrievalComplete"},
      {Action::DBR_DOWNLOADPRS, "DBR_DOWNLOADPRS", "m_objDownloadPRs", "request", {}, "Bad request for retrieving Pending Reasons", F::Failed, "m_objDownloadPRs_RetrievalComplete"},
      {Action::DBR_GETDICTPERMISSIONS, "DBR_GETDICTPERMISSIONS", "m_objGetDictPermissions", "request", {}, "Bad request for retrieving Dictation Permissions", F::Failed, "m_objGetDictPermissions_RetrievalComplete"},
  };
  return table;
}

// The rows by identifier; null where the editor's numbering has a gap.
const std::array<const ActionEntry*, 63>& ById() {
  static const std::array<const ActionEntry*, 63> byId = [] {
    std::array<const ActionEntry*, 63> index{};
    for (const ActionEntry& entry : Table()) index[static_cast<size_t>(IdOf(entry.action))] = &entry;
    return index;
  }();
  return byId;
}

const ActionEntry* Found(std::int32_t id) {
  return id >= 0 && id < static_cast<std::int32_t>(ById().size()) ? ById()[static_cast<size_t>(id)] : nullptr;
}

}  // namespace

std::optional<Action> ActionFromId(std::int32_t id) {
  if (const ActionEntry* entry = Found(id)) return entry->action;
  return std::nullopt;
}

const ActionEntry& ActionEntryFor(Action action) { return *Found(IdOf(action)); }

const ActionEntry& ActionEntryFor(std::int32_t action) {
  static const ActionEntry kNotHandled{Action::DBR_SOFTCHECKOUT, "", "", "", {}, "", FlagMeaning::NotHandled, ""};
  const ActionEntry* entry = Found(action);
  return entry ? *entry : kNotHandled;
}

bool bfnUtteranceListNeeded(std::int32_t eAction) {
  static constexpr std::array<std::int32_t, 14> kDictationActions = {0, 1, 3, 4, 5, 6, 7, 9, 32, 34, 38, 50, 51, 53};
  for (const auto action : kDictationActions) {
    if (action == eAction) return true;
  }
  return false;
}

}  // namespace vz
