// Dictation operations and QA over HTTP: updates, split, link, creation, gateway sends, options,
// release and metrics (0300-0311), QA scores, reviews and criteria (0400-0407), and the calls made
// per dictation: dictation information (0312), permissions (0313), the QA grading upload (0408)
// and download (0409) and the pending reasons (0410).
#include <map>

#include "clientservices/calls/call_building.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/form_codec.hpp"

namespace vz::http_client {
namespace {

const std::map<Action, SingleCall>& Calls() {
  static const std::map<Action, SingleCall> calls = {
      // Updates, splits and creations change the institution's state: a repeat must not do them twice.
      {Action::DBR_UPDATEDICTATION, {"0300", {"PendingNote", "parmString"}, {}, false, true}},
      {Action::DBR_UPDATEFIELD, {"0301", {"locationID", "utteranceID", "type", "value", "PendingNote"}, {}, false, true}},
      {Action::DBR_UPDATEDICTFIELDS, {"0302", {"utteranceID", "headerData"}, {}, false, true}},
      {Action::DBR_SPLITDICTATION, {"0303", {"utteranceID", "audioStart", "audioEnd"}, {}, false, true}},
      {Action::DBR_LINKDICTATION, {"0304", {"utteranceID", "parentID"}, {}}},
      {Action::DBR_CREATEDICTATION, {"0305", {"machineID"}, {}, true, true}},
      {Action::DBR_GATEWAYSEND, {"0306", {"locationID", "utteranceID", "sClientTypeID", "sTarget", "sDoDistribute"}, {}}},
      {Action::DBR_GETOPTIONS, {"0307", {}, {}}},
      {Action::DBR_SENDOPTIONS, {"0308", {"optionsXML"}, {}}},
      {Action::DBR_GETRELEASEINFO, {"0309", {"application", "majorVersion", "minorVersion", "patchNumber"}, {}}},
      {Action::DBR_GETMETRICS, {"0310", {"startDate", "endDate"}, {}}},
      {Action::DBR_GETAPPFEATURES, {"0311", {}, {}}},
      {Action::DBR_QASCORE, {"0400", {"transcriptionistLogin", "utteranceID", "reviewScore", "reviewNote"}, {}}},
      {Action::DBR_REMOVEQAREVIEW, {"0401", {"utteranceID", "reviewStatusID"}, {}}},
      {Action::DBR_GETNUMREVIEWS, {"0402", {}, {}}},
      {Action::DBR_GETQAGRADECRITERIA, {"0403", {}, {}}},
      {Action::DBR_GETAVERAGEQAGRADE, {"0404", {"parmString"}, {}}},
      {Action::DBR_GETRDRTRANSCRIPTIONISTS, {"0405", {}, {}}},
      {Action::DBR_GETRDRREVIEWERS, {"0406", {}, {}}},
      {Action::DBR_GETPRCRITERIA, {"0407", {}, {}}},
  };
  return calls;
}

// Calls made once per dictation of the list, each answering an XML document for it. `extra` names
// the call's arguments sent with every entry.
struct PerDictationCall {
  const char* number;
  std::vector<const char*> extra;
};

const std::map<Action, PerDictationCall>& PerDictationCalls() {
  static const std::map<Action, PerDictationCall> calls = {
      {Action::DBR_GETDICTATIONINFO, {"0312", {}}},
      {Action::DBR_GETDICTPERMISSIONS, {"0313", {}}},
      {Action::DBR_DOWNLOADQAG, {"0409", {"workQueueMode", "useMTReview"}}},
      {Action::DBR_DOWNLOADPRS, {"0410", {"workQueueMode"}}},
  };
  return calls;
}

HttpCallPlan PerDictation(const CallInputs& call, const PerDictationCall& perDictation) {
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  plan.concurrent = true;  // each only reads
  for (const ListEntry& entry : call.entries) {
    Pairs pairs = entry.Values();
    for (const char* name : perDictation.extra) pairs.emplace_back(name, call.Named(name));
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {Step(Query(perDictation.number), servlet_wire::FormBody(pairs))}});
  }
  return plan;
}

// The QA grading upload: each dictation's ".QAG" file from the download folder (an argument) as
// the body, its entry values in the query, as the uploads of 0103 do. A missing file
// is that dictation's error.
HttpCallPlan QAGradingUpload(const CallInputs& call) {
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  const std::filesystem::path folder = call.Named(argument::kDownloadFolder);
  for (const ListEntry& entry : call.entries) {
    HttpStep step = Step(Query("0408", entry.Values()), "");
    step.uploadFile = folder / servlet_wire::DictationFileName(entry.utteranceID, ".QAG");
    ChangesState(step, call.KeyFor("0408", entry.utteranceID));
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {std::move(step)}});
  }
  return plan;
}

}  // namespace

std::optional<HttpCallPlan> DictationOperationCall(const CallInputs& call, std::string&) {
  if (const auto found = Calls().find(call.action); found != Calls().end()) return SingleCallPlan(call, found->second);
  if (const auto found = PerDictationCalls().find(call.action); found != PerDictationCalls().end()) return PerDictation(call, found->second);
  if (call.action == Action::DBR_UPLOADQAG) return QAGradingUpload(call);
  return std::nullopt;
}

}  // namespace vz::http_client
