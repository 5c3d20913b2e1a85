#include "execution/service_init.hpp"

#include <vector>

#include "object/value.hpp"

namespace vz {
namespace {

// Each field as the trace shows it: numbers and flags as the automation layer writes them.
std::vector<std::string> Shown(const ConnectionInit& i) { return {i.url, i.login, i.password, i.locationID}; }
std::vector<std::string> Shown(const InformationInit& i) { return {i.url, i.location, i.login, i.password}; }
std::vector<std::string> Shown(const WorkQueueInit& i) {
  return {i.url,
          Value(i.retrieveLocked).ToString(),
          Value(i.retrieveLocation).ToString(),
          i.login,
          i.password,
          Value(i.numToRetrieve).ToString(),
          Value(i.workQueueMode).ToString(),
          i.rdrTranscriptionist,
          i.includeViewing,
          i.includeViewed,
          i.rdrReviewer,
          Value(i.useMTReview).ToString()};
}
std::vector<std::string> Shown(const DownloadInit& i) {
  return {i.url, i.downloadPath, i.login, i.password, Value(i.workQueueMode).ToString(), Value(i.useMTReview).ToString()};
}
std::vector<std::string> Shown(const UploadInit& i) {
  return {i.url,     i.downloadPath, i.login, i.password, i.clientVersion, i.closingAudioSpeed, i.timeOpen, Value(i.workQueueMode).ToString(),
          Value(i.useMTReview).ToString()};
}
std::vector<std::string> Shown(const SourceControlInit& i) {
  return {i.url,         Value(i.operation).ToString(), i.login, i.password, Value(i.usePendingReasons).ToString(),
          i.pendingNote, i.machineID, Value(i.workQueueMode).ToString(), i.splitPendingNote, Value(i.useMTReview).ToString()};
}

}  // namespace

std::string InitTrace(const ServiceInit& init) {
  const std::string& password = PasswordOf(init);
  std::string text;
  bool first = true;
  for (const std::string& shown : std::visit([](const auto& kind) { return Shown(kind); }, init)) {
    if (!first) text += ", ";
    first = false;
    text += !password.empty() && shown == password ? std::string(password.size(), '*') : shown;
  }
  return text;
}

const std::string& UrlOf(const ServiceInit& init) {
  return std::visit([](const auto& kind) -> const std::string& { return kind.url; }, init);
}

const std::string& LoginOf(const ServiceInit& init) {
  return std::visit([](const auto& kind) -> const std::string& { return kind.login; }, init);
}

const std::string& PasswordOf(const ServiceInit& init) {
  return std::visit([](const auto& kind) -> const std::string& { return kind.password; }, init);
}

}  // namespace vz
