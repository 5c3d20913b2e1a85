// The editor's main loop over HTTP: the work queue (0100), the audio (0101) and text (0102)
// downloads, and the upload of a dictation's files (0103) with its commit (0104).
#include <filesystem>

#include "clientservices/calls/call_building.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/form_codec.hpp"

namespace vz::http_client {
namespace {

constexpr const char* kUploadExtensions[] = {".rtf", ".doc", ".docx", ".txt", ".hd3", ".ft3", ".QAG", ".cfg"};

HttpCallPlan WorkQueue(const CallInputs& call, const WorkQueueInit& queue) {
  return OneExchange(call, "0100",
                     servlet_wire::FormBody({{"retrieveLocked", queue.retrieveLocked != 0 ? "1" : "0"},
                                             {"retrieveLocation", std::to_string(queue.retrieveLocation)},
                                             {"numToRetrieve", std::to_string(queue.numToRetrieve)},
                                             {"workQueueMode", call.Mode()},
                                             {"rdrTranscriptionist", queue.rdrTranscriptionist},
                                             {"includeViewing", queue.includeViewing},
                                             {"includeViewed", queue.includeViewed},
                                             {"rdrReviewer", queue.rdrReviewer},
                                             {"useMTReview", call.UseMTReview()}}));
}

HttpCallPlan Downloads(const CallInputs& call, bool audio) {
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  plan.concurrent = true;
  const std::filesystem::path folder = call.DownloadFolder();
  for (const ListEntry& entry : call.entries) {
    Pairs pairs = entry.Values();
    pairs.insert(pairs.end(), {{"workQueueMode", call.Mode()}, {"useMTReview", call.UseMTReview()}});
    HttpStep step = Step(Query(audio ? "0101" : "0102"), servlet_wire::FormBody(pairs));
    if (audio) {
      step.answer = AnswerKind::kFile;
      step.saveAs = folder / servlet_wire::DictationFileName(entry.utteranceID, ".pcm");
      step.literalMarker = folder / servlet_wire::DictationFileName(entry.utteranceID, ".wal");
      step.resumeTag = entry.documentVersion;  // a later version is another file: its part is not resumed
    } else {
      step.answer = AnswerKind::kNamedFile;
      step.saveAs = folder;
    }
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {std::move(step)}});
  }
  return plan;
}

HttpCallPlan Upload(const CallInputs& call, const UploadInit& upload) {
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  const std::filesystem::path folder = upload.downloadPath;
  const std::string uploadFlags = call.Named("UploadFlags");
  for (const ListEntry& entry : call.entries) {
    HttpEntry planned{entry.utteranceID, entry.documentVersion, {}};
    std::string files;
    for (const char* extension : kUploadExtensions) {
      const std::string name = servlet_wire::DictationFileName(entry.utteranceID, extension);
      std::error_code ignored;
      if (!std::filesystem::is_regular_file(folder / name, ignored)) continue;
      Pairs query = entry.Values();
      query.emplace_back("fileName", name);
      HttpStep step = Step(Query("0103", query), "");
      step.uploadFile = folder / name;
      planned.steps.push_back(std::move(step));
      files += (files.empty() ? "" : ",") + name;
    }
    Pairs pairs = entry.Values();
    pairs.insert(pairs.end(), {{"uploadFlags", uploadFlags},
                               {"files", files},
                               {"clientVersion", upload.clientVersion},
                               {"closingAudioSpeed", upload.closingAudioSpeed},
                               {"timeOpen", upload.timeOpen},
                               {"workQueueMode", call.Mode()},
                               {"useMTReview", call.UseMTReview()}});
    // The files alone change nothing until the commit, which the servlet must not do twice.
    HttpStep commit = Step(Query("0104"), servlet_wire::FormBody(pairs));
    ChangesState(commit, call.KeyFor("0104", entry.utteranceID));
    planned.steps.push_back(std::move(commit));
    plan.entries.push_back(std::move(planned));
  }
  return plan;
}

}  // namespace

std::optional<HttpCallPlan> MainLoopCall(const CallInputs& call, std::string& problem) {
  switch (call.action) {
    case Action::DBR_GETWORKQUEUE:
      if (const auto* queue = call.InitAs<WorkQueueInit>()) return WorkQueue(call, *queue);
      break;
    case Action::DBR_DOWNLOAD:
    case Action::DBR_DOWNLOADTEXT:
      if (call.InitAs<DownloadInit>()) return Downloads(call, call.action == Action::DBR_DOWNLOAD);
      break;
    case Action::DBR_UPLOAD:
      if (const auto* upload = call.InitAs<UploadInit>()) return Upload(call, *upload);
      break;
    default:
      return std::nullopt;
  }
  problem = call.OfAnotherKind();
  return std::nullopt;
}

}  // namespace vz::http_client
