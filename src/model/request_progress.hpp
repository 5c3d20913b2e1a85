#pragma once
// How far a request has come, for whoever shows it (vze watch, an editor's status bar): the action
// of its list being run, the dictations of that action's list done, and the bytes moved by the
// action's servlet call. These are reports of the server process, beside the automation events of
// the server object, which they neither replace nor change.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vz {

// A dictation of a list whose exchanges are in flight, and the body bytes they moved so far.
struct DictationTransfer {
  std::string utteranceID;
  std::uint64_t bytesSent = 0;
  std::uint64_t bytesReceived = 0;
};

// What a client-services call has done so far. Entries are the dictations of a dictation-list call
// (one entry for a single-answer call); bytes count the bodies sent and received. Several
// dictations of a list may be in flight at once, and finish in any order.
struct TransferProgress {
  std::size_t entriesDone = 0;  // finished, in whatever order
  std::size_t entriesListed = 0;
  // The dictation whose bytes just moved, or the one just done.
  std::string utteranceID;
  std::uint64_t bytesSent = 0;
  std::uint64_t bytesReceived = 0;
  // True when this report closes an entry (entriesDone has just grown).
  bool entryDone = false;
  std::vector<DictationTransfer> inFlight;  // the list's dictations in flight, in list order
};

struct RequestProgress {
  enum class Step {
    kAction,     // an action of the list starts (or starts again after a retry)
    kDictation,  // one more dictation of the action's list is done
    kTransfer,   // bytes moved within the current dictation
    kDone,       // the request has ended; its completion event follows
  };
  Step step = Step::kAction;
  std::string requestID;
  std::int32_t action = 0;
  std::string actionName;  // "DBR_DOWNLOAD"
  // The action's place in the request's list (1-based) and the list's length. An action the
  // server inserted (the institution's information) keeps the place of the action it precedes.
  std::int32_t actionNumber = 0;
  std::int32_t actionCount = 0;
  std::size_t dictationsListed = 0;
  std::size_t dictationsDone = 0;
  std::string utteranceID;
  std::uint64_t bytesSent = 0;
  std::uint64_t bytesReceived = 0;
  std::vector<DictationTransfer> transfers;  // the action's dictations in flight
  // kDone: the request's error text, empty when it went well.
  std::string error;
};

inline std::string_view StepName(RequestProgress::Step step) {
  switch (step) {
    case RequestProgress::Step::kAction: return "action";
    case RequestProgress::Step::kDictation: return "dictation";
    case RequestProgress::Step::kTransfer: return "transfer";
    case RequestProgress::Step::kDone: return "done";
  }
  return "action";
}

// Told of every step of every request, on the server's thread.
class ProgressObserver {
 public:
  virtual ~ProgressObserver() = default;
  virtual void OnProgress(const RequestProgress& progress) = 0;
};

}  // namespace vz
