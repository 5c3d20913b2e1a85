#pragma once
// clsDatabaseRequest: one unit of work the client asked for, an ordered list of actions run one
// per pump tick. Run starts one action through the action catalogue; the action's completion
// hands control back by re-enabling the pump; when no action remains, or the request was
// truncated, the pump deactivates it, which raises DatabaseRequestComplete to the client.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "execution/action_catalogue.hpp"
#include "execution/dictation_list.hpp"
#include "execution/request_host.hpp"
#include "model/request_progress.hpp"
#include "model/status_string.hpp"
#include "object/automation_object.hpp"

namespace vz {

class clsWorkQueue;
class clsGenericRequest;
class ClientServiceObject;
class clsUtterances;
class clsUtteranceObject;
class clsGenericRequests;
class clsConnectInfo;
class clsParameters;
class ServletUrlCache;
class AllServletUrlList;

// Request states of Description.
enum RequestSentence : std::int32_t {
  kAddedToQueue = 0,
  kStarted = 1,
  kCompleted = 2,
  kDiscarded = 3,
  kTimedOut = 4,
  kPlainDescription = 5,
};

// The action fetching an institution's information, run first when the location changed.
inline constexpr std::int32_t DBR_GETLOCATIONINFO = 8;

class clsDatabaseRequest : public AutomationObject<clsDatabaseRequest> {
 public:
  static constexpr std::string_view kClassName = "clsDatabaseRequest";
  static void Describe(ClassBuilder<clsDatabaseRequest>& c);

  clsDatabaseRequest(std::weak_ptr<RequestHost> host, std::shared_ptr<ActionCatalogue> catalogue);
  ~clsDatabaseRequest() override;

  // The action list and its index.
  void SetupRequestList(const std::vector<std::int32_t>& arrRequests);
  void Run();
  std::int16_t ActionsRemaining() const;
  std::int32_t CurrentActionID() const;
  // The action Run is executing.
  std::int32_t CurrentAction() const { return currentAction_; }
  std::int16_t NumActions() const { return numRequests_; }
  std::int16_t NextActionIndex() const { return currentRequest_; }
  // The name of the current action's call: the same each time the action is tried again within
  // this request, different for any other action or request (of this process or another).
  std::string CallKey();

  void DeActivate();
  // Whether DeActivate has run (the client has had its completion event).
  bool Deactivated() const { return deactivated_; }
  void TruncateRequest();
  // Ends a request that will never be run to its end (the server is being cleaned up): actions
  // left or a call in flight make it truncated with `why` as its error text; a request that has
  // already run to its end keeps its result.
  void Abandon(const std::string& why);
  // Ends the request early: no action remains, and the pump is re-enabled to deactivate it.
  void CloseRequest();
  // Hands control back to the pump after an action (or a skipped one).
  void ResumePump();
  // True from the start of an action's call until its completion hands control back (or the
  // request releases the call): the pump must not start another action meanwhile.
  bool AwaitingCompletion() const { return awaitingCompletion_; }
  // Releases every client-services object of the request.
  void ResetRequestObjects();
  // The queued request whose key follows this one's (prefix length as the caller computes it).
  std::shared_ptr<clsDatabaseRequest> NextRequest(std::int32_t prefixLength);

  // Texts describing the request (request_description.cpp).
  std::string ActionDescription(std::int32_t& eAction) const;
  void ConstructDescription();
  std::string Description(std::int32_t eState) const;
  std::string sfnUtteranceList() const;
  std::string sfnErrorMessagesAsOneString() const;

  // Plain properties.
  const std::string& ID() const { return id_; }
  void SetID(std::string id) { id_ = std::move(id); }
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  bool Truncated() const { return truncated_; }
  // How many times a request of this process has been truncated or abandoned: a pump that saw no
  // truncated request need not look again until this changes.
  static std::uint64_t Truncations();
  bool Ignore() const { return ignore_; }
  void SetIgnore(bool ignore) { ignore_ = ignore; }
  const std::string& Location() const { return location_; }
  void SetLocation(std::string location) { location_ = std::move(location); }
  const std::string& GlobalErrorMessage() const { return globalErrorMessage_; }
  void SetGlobalErrorMessage(std::string message) { globalErrorMessage_ = std::move(message); }
  bool ShowProgress() const { return showProgress_; }
  void SetShowProgress(bool show) { showProgress_ = show; }
  bool Discardable() const { return discardable_; }
  void SetDiscardable(bool discardable) { discardable_ = discardable; }
  std::int32_t CompletionAction() const { return completionAction_; }
  void SetCompletionAction(std::int32_t action) { completionAction_ = action; }
  std::int16_t MaxRetries() const { return maxRetries_; }
  void SetMaxRetries(std::int16_t retries) { maxRetries_ = retries; }
  bool IsVersionGraded() const { return isVersionGraded_; }
  void SetIsVersionGraded(bool graded) { isVersionGraded_ = graded; }
  const std::string& SplitDictationID() const { return splitDictationID_; }
  void SetSplitDictationID(std::string id) { splitDictationID_ = std::move(id); }
  bool UsePendingReasons() const { return usePendingReasons_; }
  void SetUsePendingReasons(bool use) { usePendingReasons_ = use; }
  bool UseMTReview() const { return useMTReview_; }
  void SetUseMTReview(bool use) { useMTReview_ = use; }
  std::int16_t Retries() const { return retries_; }
  void SetRetries(std::int16_t retries) { retries_ = retries; }
  bool ContinueRetries() const { return continueRetries_; }
  void SetContinueRetries(bool go_on) { continueRetries_ = go_on; }

  // The objects shared with the request specification and the queue.
  ObjectRef Utterances() const { return utterances_; }
  void SetUtterances(ObjectRef utterances) { utterances_ = std::move(utterances); }
  std::shared_ptr<clsWorkQueue> WorkQueue() const { return workQueue_; }
  void SetWorkQueue(std::shared_ptr<clsWorkQueue> queue) { workQueue_ = std::move(queue); }
  std::shared_ptr<clsGenericRequests> GenericRequests() const { return genericRequests_; }
  void SetGenericRequests(std::shared_ptr<clsGenericRequests> requests) { genericRequests_ = std::move(requests); }
  std::shared_ptr<clsConnectInfo> ConnectionInfo() const { return connectionInfo_; }
  void SetConnectionInfo(std::shared_ptr<clsConnectInfo> info) { connectionInfo_ = std::move(info); }

  // Retries (request_retries.cpp): step back to the failed action and run it again after a
  // pause, or end the request; the ends of a failed call the families share.
  void SetupRequestForRetry(const std::string& sMessage, const std::shared_ptr<clsGenericRequest>& objGenericRequest);
  bool bfnRaiseCommunicationsWarning(std::int32_t completionAction) const;
  bool bfnRetrievingChangedHeader() const;
  void RunTraceRouteLogger(const std::string& sMessage);
  int CommMessage(const std::string& sText) const;
  // A single-answer call without a parameter set failed: a passing communication failure is
  // retried, anything else ends the request with the call's text (traced at `traceAt` if given).
  void RetryOrCloseWith(const std::string& message, std::string_view traceAt = {});
  // Applies a file-list call's per-dictation errors; on a time-out marks the dictations done
  // before it, lets `beforeRetry` see their number, arranges the retry and says so.
  bool HandleFileListErrorsOrRetry(ClientServiceObject& service, std::int32_t action,
                                   const std::shared_ptr<clsGenericRequest>& generic,
                                   const std::function<void(std::size_t)>& beforeRetry = {});

  // Where the request's location is served (request_location.cpp): Run takes the location's
  // servlet URLs from the cache, or runs DBR_GETLOCATIONINFO first, asking the realm's
  // information servlets in turn. The cache and the list are made through the catalogue's client
  // services on first use; null when the catalogue has none.
  bool InstitutionURLExistsInCache(std::int32_t eAction);
  void PutURLInCache();
  void SetAllServletURl(const std::string& realm);
  ServletUrlCache* UrlCache();
  AllServletUrlList* AllServletURL();

  // The client-services objects of the action in flight, by field ("m_Wr", ...).
  void SetService(const std::string& field, std::shared_ptr<ClientServiceObject> service);
  std::shared_ptr<ClientServiceObject> Service(const std::string& field) const;

  // The dictation list (dictation_list.cpp): which dictations the current action works on.
  std::int32_t lfnSetupUtteranceList();
  std::int32_t lfnEligibleSubmissions();
  std::int32_t lfnSetupRDRUttList(std::int16_t requested);
  bool InDownloadAction() const;
  void HandleDictationListErrors(const std::vector<std::string>& sarrErrorMessages, std::int32_t eAction,
                                 bool& bTimeoutOccurred, std::string& sTimeoutMessage);
  void MarkCompletedUtterances(std::int32_t count, std::int16_t index);
  // Of the `reported` first dictations of the list that a call finished before a time-out, those
  // before the first one the call's errors name as failed for a passing reason (its file failed
  // the checksum, say): that one and the ones after it must be transferred again.
  std::int32_t CompletedBeforeTimeOut(std::int32_t reported) const;
  void UpdateStatusCodes(std::int32_t eCode, const std::string& sMsg);
  // A dictation's record that could not be written to its file: the request says so in
  // GlobalErrorMessage, besides the error box and log; the dictation's own error text stays empty,
  // so that its status changes go on.
  void NoteUnsavedRecord(const clsUtteranceObject& dictation, const std::string& reason);
  void ApplyStatusUpdates(std::int32_t eStatChange);
  bool bfnInUtteranceList(std::int32_t lUtteranceID) const;
  const std::vector<DictationListEntry>& DictationList() const { return dictationList_; }
  std::string sfnFileRootFromUtterance(const std::string& utteranceID) const;
  static std::string sfnStripUtteranceKeyFromError(const std::string& sMessage);
  static bool bfnAlreadyCheckedIn(const std::string& sMessage);
  // Calls whose errors name files (file_list_errors.cpp): errors into the parameter set, a
  // communication failure ends the walk and is reported through the outputs.
  void HandleFileListErrors(const std::vector<std::string>& sarrErrorMessages, bool& bTimeoutOccurred,
                            std::string& sTimeoutMessage, const std::shared_ptr<clsGenericRequest>& objGenericRequest);
  // The action's parameter set not yet completed; closes the request when there is none.
  std::shared_ptr<clsGenericRequest> objfnHandleVanillaGenericRequest(const std::string& name, std::int32_t eAction);
  // Single-dictation routines (single_dictation.cpp): a one-entry dictation list and a
  // one-dictation collection, the parameters of a dictation update, a pending note.
  void buildSingleFileRequestList(const std::string& sUtteranceID, const std::string& sLocationID);
  void CreateSingleUtteranceCollection(const std::string& sUtteranceID);
  void FinalizeUtteranceUpdateRequest(clsUtteranceObject& record, clsParameters& parameters);
  void UpdatePendingNote(clsUtteranceObject& record, const std::string& note);
  void HandleStatus(const std::string& sMessage);
  // File routines (request_files.cpp).
  void SafeMakeDir(const std::string& sFolder);
  void CreateEmptyQAGFile(const std::string& sUtteranceID);
  std::string ReplDoubleQuoteInXML(const std::string& sFile);
  // Why the workstation's certificate file could not be written when last made, or empty: a servlet
  // that misses the certificate can only say that it is missing.
  const std::string& CertificateProblem() const { return certificateProblem_; }
  void SetCertificateProblem(std::string problem) { certificateProblem_ = std::move(problem); }
  // The request's dictations as a typed collection, or null.
  std::shared_ptr<clsUtterances> Dictations() const;

  // Progress reports (request_progress.cpp), through the host to whoever shows them. Run reports
  // each action it starts, the action's client-services object its transfers and finished
  // dictations, DeActivate the end.
  void ReportActionStarted(std::int32_t actionNumber);
  void ReportTransfer(const TransferProgress& transfer);
  void ReportDone();
  const RequestProgress& Progress() const { return progress_; }

  const clsStatusString& StatusStrings() const { return statusString_; }
  std::shared_ptr<RequestHost> Host() const { return host_.lock(); }

 private:
  void MarkTruncated();
  // Run's check that the connection points at the request's location. Closed: the request was
  // closed; LocationInfoInserted: DBR_GETLOCATIONINFO is the current action, the index unchanged.
  enum class LocationCheck { SameOrCached, LocationInfoInserted, Closed };
  LocationCheck CheckLocation(const std::string& where);
  // Run's dispatch to the current action's branch.
  void StartCurrentAction();
  bool IsEligible(const clsUtteranceObject& dictation) const;
  bool AddUtteranceToList(clsUtteranceObject& dictation, std::string& textList);
  bool AddToRDRList(clsUtteranceObject& dictation) const;
  bool AlreadyDownloadedForRDR(clsUtteranceObject& dictation) const;
  void ReInitUtteranceCol(std::int32_t count);

  std::weak_ptr<RequestHost> host_;
  std::shared_ptr<ActionCatalogue> catalogue_;

  std::string id_;
  std::vector<std::int32_t> actions_;
  std::int16_t numRequests_ = 0;
  std::int16_t currentRequest_ = 0;
  std::string callNonce_;  // made on first use: random, names this request's calls
  std::string certificateProblem_;
  std::int32_t currentAction_ = 0;
  bool active_ = false;
  bool truncated_ = false;
  std::int16_t retries_ = 0;
  std::int16_t maxRetries_ = -1;
  bool continueRetries_ = true;
  std::string location_;
  std::string globalErrorMessage_;
  bool showProgress_ = false;
  bool discardable_ = false;
  std::int32_t completionAction_ = -1;
  std::string description_;
  bool ignore_ = false;
  std::string splitDictationID_;
  bool isVersionGraded_ = false;
  bool usePendingReasons_ = false;
  bool useMTReview_ = false;
  ObjectRef utterances_;
  std::shared_ptr<clsWorkQueue> workQueue_;
  std::shared_ptr<clsGenericRequests> genericRequests_;
  std::shared_ptr<clsConnectInfo> connectionInfo_;
  clsStatusString statusString_;
  bool traceRouteLaunched_ = false;
  bool awaitingCompletion_ = false;
  bool deactivated_ = false;
  // Dictations the last call's errors name as failed for a passing reason.
  std::vector<std::string> retriedDictations_;
  std::vector<DictationListEntry> dictationList_;
  std::map<std::string, std::shared_ptr<ClientServiceObject>> services_;
  std::shared_ptr<ServletUrlCache> urlCache_;
  std::shared_ptr<AllServletUrlList> allServletURL_;
  RequestProgress progress_;
};

}  // namespace vz
