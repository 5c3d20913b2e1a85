// Operations on single dictations (field updates, split, link, create, gateway send), QA work
// (scores, reviews, grading and pending-reason files, criteria, averages, review lists), and the
// settings the server keeps for the editor (options, release, metrics, features, permissions).
#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/generic_answers.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/query_strings.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/parameters.hpp"

namespace vz {
namespace {

// --- arguments ----------------------------------------------------------------------------------

// Field updates and gateway sends name the location first.
std::vector<Value> LocationFirstArguments(clsDatabaseRequest& request, const ActionEntry& entry,
                                          const std::shared_ptr<clsGenericRequest>& generic) {
  const auto info = request.ConnectionInfo();
  std::vector<Value> arguments = {Value(std::to_string(info ? info->CurrentLocationID() : 0))};
  for (auto& value : TableArguments(entry, generic)) arguments.push_back(std::move(value));
  return arguments;
}

std::vector<Value> DictationUpdateArguments(clsDatabaseRequest& request, const ActionEntry&,
                                            const std::shared_ptr<clsGenericRequest>& generic) {
  if (generic) {
    // The update carries the dictation's current values besides the ones being changed.
    const auto dictations = request.Dictations();
    if (dictations && dictations->Count() > 0) request.FinalizeUtteranceUpdateRequest(*dictations->Items().front(), *generic->Parameters());
  }
  return {Value(ParameterValue(generic, "PendingNote")), Value(sfn404ParameterString(generic ? generic->Parameters() : nullptr))};
}

std::vector<Value> DictationListArguments(clsDatabaseRequest& request, const ActionEntry&, const std::shared_ptr<clsGenericRequest>&) {
  return {DictationListValue(request)};
}

bool PrepareAverageQAGrade(clsDatabaseRequest&, const std::shared_ptr<clsGenericRequest>& generic) {
  if (!generic) GlobalErrorsLog(kRunLocation, "Unable to retrieve generic request object for clsAverageQAScore.");
  return true;
}

// --- single answers for the editor ----------------------------------------------------------------

constexpr GenericAnswer kGatewaySender{25, "m_objGatewaySender_SendComplete", GenericLookup::Own, "GatewaySender"};
constexpr GenericAnswer kGetOptions{27, "m_objGetOptions_RetrievalComplete", GenericLookup::Own, "GetOptions"};
constexpr GenericAnswer kSendOptions{28, "m_objSendOptions_RetrievalComplete", GenericLookup::Own, "SendOptions"};
constexpr GenericAnswer kReleaseInfo{24, "m_objGetRelInfo_ResponseComplete", GenericLookup::Vanilla, "GetRelInfo"};
constexpr GenericAnswer kMetrics{20, "m_objTranscriptionMetrics_RetrievalComplete", GenericLookup::Vanilla, "Transcription Metrics", false};
constexpr GenericAnswer kLinkDictation{39, "m_objLinkDictation_RetrievalComplete", GenericLookup::Vanilla, "Link Dictation", false};
constexpr GenericAnswer kQAScore{.action = 42,
                                 .handler = "m_objQAScore_RetrievalComplete",
                                 .lookup = GenericLookup::Vanilla,
                                 .name = "QAScore",
                                 .succeeded = "Completed QAScore request successfully."};
constexpr GenericAnswer kRemoveQAReview{.action = 44,
                                        .handler = "m_objRemoveQAReview_RequestComplete",
                                        .lookup = GenericLookup::Vanilla,
                                        .name = "RemoveQAReview",
                                        .succeeded = "Completed RemoveQAReview request successfully."};
constexpr GenericAnswer kNumReviews{46, "m_objNumReviews_RetrievalComplete", GenericLookup::Vanilla, "NumReviews"};
constexpr GenericAnswer kAverageQAGrade{55, "m_objAverageQAGrade_RetrievalComplete", GenericLookup::Vanilla, "Average QA Grade"};
constexpr GenericAnswer kRDRTranscriptionists{49, "m_objRDRTranscriptionists_RetrievalComplete", GenericLookup::Vanilla, "RDRTranscriptionists"};
constexpr GenericAnswer kRDRReviewers{59, "m_objRDRReviewers_RetrievalComplete", GenericLookup::Vanilla, "RDRReviewers"};

void m_objGatewaySender_SendComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kGatewaySender); }
void m_objGetOptions_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kGetOptions); }
void m_objSendOptions_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kSendOptions); }
void m_objGetRelInfo_ResponseComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kReleaseInfo); }
void m_objTranscriptionMetrics_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kMetrics); }
void m_objLinkDictation_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kLinkDictation); }
void m_objQAScore_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kQAScore); }
void m_objRemoveQAReview_RequestComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kRemoveQAReview); }
void m_objNumReviews_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kNumReviews); }
void m_objAverageQAGrade_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kAverageQAGrade); }
void m_objRDRTranscriptionists_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kRDRTranscriptionists); }
void m_objRDRReviewers_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kRDRReviewers); }

// --- updates, split, creation, settings files, QA files, records ---------------------------------
// These keep only what every single answer or dictation list keeps until their own effects (pending
// notes, split and new dictations, settings and QA files, record updates) are built.

constexpr GenericAnswer kUpdateField{18, "m_objUpdateField_UpdateComplete", GenericLookup::Own, "UpdateField"};
constexpr GenericAnswer kDictationUpdate{15, "m_objDictationUpdate_UpdateComplete", GenericLookup::Own, "DictationUpdate"};
constexpr GenericAnswer kUpdateDictFields{36, "m_objUpdateDictFields_RetrievalComplete", GenericLookup::Vanilla, "Update Dictation Fields"};
constexpr GenericAnswer kSplitDictation{26, "m_objSplitDictation_ResponseComplete", GenericLookup::Own, "SplitDictation"};
constexpr GenericAnswer kAppFeatures{47, "m_objAppFeatures_RetrievalComplete", GenericLookup::Vanilla, "AppFeatures"};
constexpr GenericAnswer kQAGradeCriteria{48, "m_objQAGradeCriteria_RetrievalComplete", GenericLookup::Vanilla, "GetGradeCriteria"};
constexpr GenericAnswer kPRCriteria{60, "m_objPRCriteria_RetrievalComplete", GenericLookup::Vanilla, "GetGradeCriteria"};

void m_objUpdateField_UpdateComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kUpdateField); }
void m_objDictationUpdate_UpdateComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kDictationUpdate); }
void m_objUpdateDictFields_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kUpdateDictFields); }
void m_objSplitDictation_ResponseComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kSplitDictation); }
void m_objAppFeatures_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kAppFeatures); }
void m_objQAGradeCriteria_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kQAGradeCriteria); }
void m_objPRCriteria_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kPRCriteria); }

void m_objCreateDictation_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  if (bErrors) {
    request.RetryOrCloseWith(service.getErrorMessage());
    return;
  }
  request.ResumePump();
}

void m_objUploadQAG_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteDictationListAnswer(r, s, e, 50); }
void m_objDownloadQAG_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteDictationListAnswer(r, s, e, 51); }
void m_objDownloadPRs_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteDictationListAnswer(r, s, e, 61); }
void m_objDictationInfo_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteDictationListAnswer(r, s, e, 58); }
void m_objGetDictPermissions_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteDictationListAnswer(r, s, e, 62); }

constexpr ActionBranch kBranches[] = {
    {.action = 15, .takesParameterSet = true, .arguments = DictationUpdateArguments, .complete = m_objDictationUpdate_UpdateComplete},
    {.action = 18, .arguments = LocationFirstArguments, .complete = m_objUpdateField_UpdateComplete},
    {.action = 20, .complete = m_objTranscriptionMetrics_RetrievalComplete},
    {.action = 24, .complete = m_objGetRelInfo_ResponseComplete},
    {.action = 25, .arguments = LocationFirstArguments, .complete = m_objGatewaySender_SendComplete},
    {.action = 26, .complete = m_objSplitDictation_ResponseComplete},
    {.action = 27, .complete = m_objGetOptions_RetrievalComplete},
    {.action = 28, .complete = m_objSendOptions_RetrievalComplete},
    {.action = 33, .complete = m_objCreateDictation_RetrievalComplete},
    {.action = 36, .complete = m_objUpdateDictFields_RetrievalComplete},
    {.action = 39, .complete = m_objLinkDictation_RetrievalComplete},
    {.action = 42, .complete = m_objQAScore_RetrievalComplete},
    {.action = 44, .complete = m_objRemoveQAReview_RequestComplete},
    {.action = 46, .complete = m_objNumReviews_RetrievalComplete},
    {.action = 47, .complete = m_objAppFeatures_RetrievalComplete},
    {.action = 48, .complete = m_objQAGradeCriteria_RetrievalComplete},
    {.action = 49, .complete = m_objRDRTranscriptionists_RetrievalComplete},
    {.action = 50, .arguments = DictationListArguments, .complete = m_objUploadQAG_RetrievalComplete},
    {.action = 51, .arguments = DictationListArguments, .complete = m_objDownloadQAG_RetrievalComplete},
    {.action = 55, .prepare = PrepareAverageQAGrade, .complete = m_objAverageQAGrade_RetrievalComplete},
    {.action = 58, .complete = m_objDictationInfo_RetrievalComplete},
    {.action = 59, .complete = m_objRDRReviewers_RetrievalComplete},
    {.action = 60, .complete = m_objPRCriteria_RetrievalComplete},
    {.action = 61, .complete = m_objDownloadPRs_RetrievalComplete},
    {.action = 62, .complete = m_objGetDictPermissions_RetrievalComplete},
};

}  // namespace

std::span<const ActionBranch> DictationOperationsBranches() { return kBranches; }

}  // namespace vz
