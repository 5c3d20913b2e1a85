#include "execution/action_table.hpp"

#include <array>

namespace vz {
namespace {

using F = FlagMeaning;

const std::vector<ActionEntry>& Table() {
  static const std::vector<ActionEntry> table = {
      {0, "DBR_UPLOAD", "m_Fup", "putFilesAsync", {"UploadFlags"}, "Bad call to putFilesAsync().", F::Accepted, "m_Fup_UploadComplete"},
      {1, "DBR_DOWNLOAD", "m_Fud", "getFilesAsync", {}, "Bad call to getFilesAsync().", F::Accepted, "m_Fud_DownloadComplete"},
      {2, "DBR_GETWORKQUEUE", "m_Wr", "getWorkAsync", {}, "Bad call to getWorkAsync().", F::Accepted, "m_Wr_RetrievalComplete"},
      {3, "DBR_CHECKOUT", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {4, "DBR_CHECKIN", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {5, "DBR_CHECKINPENDING", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {6, "DBR_UNLOCK", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {7, "DBR_SOFTCHECKOUT", "", "", {}, "", F::NotHandled, ""},
      {8, "DBR_GETLOCATIONINFO", "m_Ir", "getWorkAsync", {}, "Bad call to m_Ir.getWorkAsync().", F::Accepted, "m_Ir_RetrievalComplete"},
      {9, "DBR_GETTEMPLATES", "m_objHeaderValues", "getHeader", {}, "Bad call to getHeader.", F::Accepted, "m_objHeaderValues_RetrievalComplete"},
      {10, "DBR_PINGSERVLET", "m_Sp", "pingServlet", {}, "", F::LoginAccepted, "m_Sp_RetrievalComplete"},
      {11, "DBR_GETCONTACTSFILE", "m_objContactsFile", "getFileAsync", {"VersionID", "doCompress"}, "Bad call to m_objContactsFile.getFileAsync().", F::Accepted, "m_objContactsFile_DownloadComplete"},
      {12, "DBR_GETCONTACTCHANGES", "m_objContactChanges", "getChangesAsync", {"VersionID", "doCompress"}, "Bad call to getChangesAsync().", F::Accepted, "m_objContactChanges_DownloadComplete"},
      {13, "DBR_GETLOCKEDLIST", "m_objLockedList", "getLockedDictationsAsync", {}, "Bad call to getLockedDictationsAsync().", F::Accepted, "m_objLockedList_RequestComplete"},
      {14, "DBR_SEARCHPATIENTINFO", "m_objSearchPatientInfo", "GetPatientInfo", {"LastName", "MRN", "VisitCode"}, "Bad call to GetPatientInfo", F::Accepted, "m_objSearchPatientInfo_RetrievalComplete"},
      {15, "DBR_UPDATEDICTATION", "m_objDictationUpdate", "updateDictation", {"PendingNote"}, "Bad call to updateDictation.", F::Accepted, "m_objDictationUpdate_UpdateComplete"},
      {16, "DBR_GETSPEAKERS", "m_objRetrieveSpeakers", "GetList", {"institutionID"}, "Bad call to GetList while retrieving speaker list.", F::Accepted, "m_objRetrieveSpeakers_RetrievalComplete"},
      {17, "DBR_GETWORKTYPES", "m_objRetrieveWorkTypes", "GetList", {"institutionID"}, "Bad call to GetList while retrieving Worktype list.", F::Accepted, "m_objRetrieveWorkTypes_RetrievalComplete"},
      {18, "DBR_UPDATEFIELD", "m_objUpdateField", "UpdateField", {"utteranceID", "type", "value", "PendingNote"}, "Bad call to UpdateField.", F::Accepted, "m_objUpdateField_UpdateComplete"},
      {19, "", "", "", {}, "", F::NotHandled, ""},
      {20, "DBR_GETMETRICS", "m_objTranscriptionMetrics", "GetMetrics", {"startDate", "endDate"}, "Bad call to GetMetrics.", F::Accepted, "m_objTranscriptionMetrics_RetrievalComplete"},
      {21, "DBR_GETSEARCHLISTS", "m_objRetrieveSearchLists", "GetList", {}, "Bad call to GetList while retrieving SearchLists.", F::Accepted, "m_objRetrieveSearchLists_RetrievalComplete"},
      {22, "", "", "", {}, "", F::NotHandled, ""},
      {23, "DBR_HL7SEARCH", "m_objHL7Search", "HL7Search", {}, "Bad call to HL7Search", F::Accepted, "m_objHL7Search_RetrievalComplete"},
      {24, "DBR_GETRELEASEINFO", "m_objGetRelInfo", "GetCurRelInfo", {"application", "majorVersion", "minorVersion", "patchNumber"}, "Bad call to GetCurRelInfo while retrieving current release info.", F::Accepted, "m_objGetRelInfo_ResponseComplete"},
      {25, "DBR_GATEWAYSEND", "m_objGatewaySender", "Send", {"utteranceID", "sClientTypeID", "sTarget", "sDoDistribute"}, "Bad call to GatewaySender.Send.", F::Accepted, "m_objGatewaySender_SendComplete"},
      {26, "DBR_SPLITDICTATION", "m_objSplitDictation", "SplitDictation", {"utteranceID", "audioStart", "audioEnd"}, "Bad call to SplitDictation.", F::Accepted, "m_objSplitDictation_ResponseComplete"},
      {27, "DBR_GETOPTIONS", "m_objGetOptions", "GetOptions", {}, "Bad call to GetOptions.", F::Accepted, "m_objGetOptions_RetrievalComplete"},
      {28, "DBR_SENDOPTIONS", "m_objSendOptions", "SendOptions", {"optionsXML"}, "Bad call to SendOptions.", F::Accepted, "m_objSendOptions_RetrievalComplete"},
      {29, "DBR_GETTEMPLATEDOCLIST", "m_objTemplateDocList", "GetList", {"lastModifiedDate"}, "Bad call to m_objTemplateDocList.GetList().", F::Accepted, "m_objTemplateDocList_RetrievalComplete"},
      {30, "DBR_GETTEMPLATEDOCS", "m_objGetTemplateDocs", "GetTemplatesAsync", {}, "Bad call to GetTemplatesAsync().", F::Accepted, "m_objGetTemplateDocs_RetrievalComplete"},
      {31, "DBR_GETCHANGEDHEADER", "m_objHeaderValues", "getHeader", {}, "Bad call to getHeader.", F::Accepted, "m_objHeaderValues_RetrievalComplete"},
      {32, "DBR_SCOPERATION5", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {33, "DBR_CREATEDICTATION", "m_objCreateDictation", "CreateAudio", {}, "Bad call to CreateAudio.", F::Accepted, "m_objCreateDictation_RetrievalComplete"},
      {34, "DBR_GETHEADER", "m_objHeaderValues", "getHeader", {}, "Bad call to getHeader.", F::Accepted, "m_objHeaderValues_RetrievalComplete"},
      {35, "DBR_ONLINESEARCH", "m_objOnlineSearch", "getSearchValues", {"utteranceID", "paramString"}, "Bad call to getSearchValues.", F::Accepted, "m_objOnlineSearch_RetrievalComplete"},
      {36, "DBR_UPDATEDICTFIELDS", "m_objUpdateDictFields", "UpdateDictFields", {"utteranceID", "headerData"}, "Bad call to UpdateDictFields.", F::Accepted, "m_objUpdateDictFields_RetrievalComplete"},
      {37, "DBR_DICTATIONSEARCH", "m_objDictationSearch", "SearchParameters", {"searchParameters"}, "Bad call to SearchParameters.", F::Accepted, "m_objDictationSearch_RetrievalComplete"},
      {38, "DBR_DOWNLOADTEXT", "m_objDownloadText", "DownloadTextFilesAsync", {}, "Bad call to DownloadTextFilesAsync().", F::Accepted, "m_objDownloadText_DownloadComplete"},
      {39, "DBR_LINKDICTATION", "m_objLinkDictation", "LinkDictation", {"utteranceID", "parentID"}, "Bad call to LinkDictation.", F::Accepted, "m_objLinkDictation_RetrievalComplete"},
      {40, "DBR_GETLISTSCOMPRESSED", "m_objGetListsCompressed", "GetListCompressed", {}, "Bad call to GetListCompressed.", F::Accepted, "m_objGetListsCompressed_RetrievalComplete"},
      {41, "DBR_SECURELOGIN", "m_objSecureLogin", "secureLogin", {}, "", F::LoginAccepted, "m_objSecureLogin_RetrievalComplete"},
      {42, "DBR_QASCORE", "m_objQAScore", "QAScore", {"transcriptionistLogin", "utteranceID", "reviewScore", "reviewNote"}, "Bad call to QAScore.", F::Accepted, "m_objQAScore_RetrievalComplete"},
      {43, "DBR_REQUESTCERT", "m_objRequestCert", "SendRequest", {"firstName", "lastName", "reason", "emailAddress"}, "Bad call to objRequestCert.SendRequest.", F::Accepted, "m_objRequestCert_RetrievalComplete"},
      {44, "DBR_REMOVEQAREVIEW", "m_objRemoveQAReview", "RemoveQAReview", {"utteranceID", "reviewStatusID"}, "Bad call to RemoveQAReview.", F::Accepted, "m_objRemoveQAReview_RequestComplete"},
      {45, "DBR_GETTEMPLATEDOWNLOADTIME", "m_objTemplateDownloadTime", "GetTime", {}, "Bad call to m_objTemplateDownLoadTime.GetTime().", F::Accepted, "m_objTemplateDownloadTime_RetrievalComplete"},
      {46, "DBR_GETNUMREVIEWS", "m_objNumReviews", "request", {}, "Bad request for number of reviewed dictations", F::Failed, "m_objNumReviews_RetrievalComplete"},
      {47, "DBR_GETAPPFEATURES", "m_objAppFeatures", "request", {}, "Bad request for retrieving App Console Features", F::Failed, "m_objAppFeatures_RetrievalComplete"},
      {48, "DBR_GETQAGRADECRITERIA", "m_objQAGradeCriteria", "request", {}, "Bad request for retrieving QA Grading Criteria", F::Failed, "m_objQAGradeCriteria_RetrievalComplete"},
      {49, "DBR_GETRDRTRANSCRIPTIONISTS", "m_objRDRTranscriptionists", "request", {}, "Bad request for retrieving RDR Transcriptionists", F::Failed, "m_objRDRTranscriptionists_RetrievalComplete"},
      {50, "DBR_UPLOADQAG", "m_objUploadQAG", "request", {}, "Bad request for uploading QAG XML.", F::Failed, "m_objUploadQAG_RetrievalComplete"},
      {51, "DBR_DOWNLOADQAG", "m_objDownloadQAG", "request", {}, "Bad request for retrieving QA QAG XML.", F::Failed, "m_objDownloadQAG_RetrievalComplete"},
      {52, "", "", "", {}, "", F::NotHandled, ""},
      {53, "DBR_SCOPERATION7", "m_Sc", "controlSourceAsync", {}, "Bad call to controlSourceAsync().", F::SourceControl, "m_Sc_RequestComplete"},
      {54, "", "", "", {}, "", F::NotHandled, ""},
      {55, "DBR_GETAVERAGEQAGRADE", "m_objAverageQAGrade", "request", {"ParmString"}, "Bad request for retrieving average QA Score.", F::Failed, "m_objAverageQAGrade_RetrievalComplete"},
      {56, "DBR_GETDICTIONARIESLIST", "m_objDictionariesList", "GetList", {"lastModifiedFlagPath", "lastModifiedDate"}, "Bad call to m_objDictionariesList.GetList().", F::Accepted, "m_objDictionariesList_RetrievalComplete"},
      {57, "DBR_DOWNLOADDICTIONARY", "m_objDownloadDictionaries", "GetDictionariesAsync", {}, "Bad call to GetDictionariesAsync() or dictionary array was empty.", F::Accepted, "m_objDownloadDictionaries_RetrievalComplete"},
      {58, "DBR_GETDICTATIONINFO", "m_objDictationInfo", "request", {}, "Bad request for retrieving dictation info (updated pending note)", F::Failed, "m_objDictationInfo_RetrievalComplete"},
      {59, "DBR_GETRDRREVIEWERS", "m_objRDRReviewers", "request", {}, "Bad request for retrieving RDR Reviewers", F::Failed, "m_objRDRReviewers_RetrievalComplete"},
      {60, "DBR_GETPRCRITERIA", "m_objPRCriteria", "request", {}, "Bad request for retrieving Pending Criteria", F::Failed, "m_objPRCriteria_RetrievalComplete"},
      {61, "DBR_DOWNLOADPRS", "m_objDownloadPRs", "request", {}, "Bad request for retrieving Pending Reasons", F::Failed, "m_objDownloadPRs_RetrievalComplete"},
      {62, "DBR_GETDICTPERMISSIONS", "m_objGetDictPermissions", "request", {}, "Bad request for retrieving Dictation Permissions", F::Failed, "m_objGetDictPermissions_RetrievalComplete"},
  };
  return table;
}

}  // namespace

const ActionEntry& ActionEntryFor(std::int32_t action) {
  static const ActionEntry kNotHandled{-1, "", "", "", {}, "", FlagMeaning::NotHandled, ""};
  const auto& table = Table();
  if (action < 0 || action >= static_cast<std::int32_t>(table.size())) return kNotHandled;
  return table[static_cast<size_t>(action)];
}

bool bfnUtteranceListNeeded(std::int32_t eAction) {
  static constexpr std::array<std::int32_t, 14> kDictationActions = {0, 1, 3, 4, 5, 6, 7, 9, 32, 34, 38, 50, 51, 53};
  for (const auto action : kDictationActions) {
    if (action == eAction) return true;
  }
  return false;
}

}  // namespace vz
