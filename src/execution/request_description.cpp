// The texts that describe a request and its actions: the short action names, the request's
// description chosen by its kind (CompletionAction), and the sentences the summary log and the
// pump write for each state of the request.
#include <array>

#include "diagnostics/error_trap.hpp"
#include "execution/database_request.hpp"
#include "execution/dictation_texts.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/parameters.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";

constexpr std::array<std::string_view, 14> kActionNames = {
    "Upload",  "Download", "Workqueue Retrieval", "Checkout", "Checkin", "", "Unlock", "Soft Checkout",
    "Retrieve Institution Info", "Retrieve Templates", "Ping Servlet", "Retrieve Contacts File",
    "Retrieve Contact Changes", "Retrieve List of Locked Dictations"};

std::string_view ActionName(std::int32_t action) {
  if (action < 0 || action >= static_cast<std::int32_t>(kActionNames.size())) return {};
  return kActionNames[static_cast<size_t>(action)];
}

// The verb of a source-control action.
std::string_view SourceControlVerb(std::int32_t action) {
  switch (action) {
    case 3: return "Check out";
    case 4: return "Check in";
    case 6: return "Uncheck out";
    case 7: return "Soft check out";
    default: return {};
  }
}

// A parameter of the request's first parameter set, or "" when there is none.
std::string FirstParameter(const clsDatabaseRequest& request, std::string_view name) {
  const auto requests = request.GenericRequests();
  if (!requests || requests->begin() == requests->end()) return {};
  for (const auto& parameter : (*requests->begin())->Parameters()->Items()) {
    if (parameter->ParmName() == name) return parameter->ParmValue();
  }
  return {};
}

std::string FirstDictationID(const clsDatabaseRequest& request) {
  const auto dictations = ReadDictationTexts(request.Utterances());
  return dictations.empty() ? std::string() : dictations.front().utteranceID;
}

}  // namespace

std::string clsDatabaseRequest::ActionDescription(std::int32_t& eAction) const {
  return ErrorTrap(kClass, "ActionDescription")([&]() -> std::string {
    std::string_view name = ActionName(eAction);
    if (name.empty() && currentRequest_ >= 0 && currentRequest_ < numRequests_) {
      // Unknown here: describe the action due next instead, once, whatever it is.
      eAction = actions_[static_cast<size_t>(currentRequest_)];
      name = ActionName(eAction);
    }
    return std::string(name);
  });
}

std::string clsDatabaseRequest::sfnUtteranceList() const {
  const auto dictations = ReadDictationTexts(utterances_);
  if (dictations.empty()) return "*** No dictations ***";
  std::string list;
  for (const auto& dictation : dictations) {
    if (!list.empty()) list += ", ";
    list += dictation.utteranceID;
  }
  return list;
}

std::string clsDatabaseRequest::sfnErrorMessagesAsOneString() const {
  return ErrorTrap(kClass, "sfnErrorMessagesAsOneString")([&] {
    std::string errors = globalErrorMessage_;
    for (const auto& dictation : ReadDictationTexts(utterances_)) {
      if (!dictation.errorString.empty()) errors.append("\t\t").append(dictation.errorString);
    }
    return errors;
  });
}

void clsDatabaseRequest::ConstructDescription() {
  ErrorTrap(kClass, "ConstructDescription")([&] {
    const std::string& location = location_;
    const auto list = [&] { return sfnUtteranceList(); };
    std::string text;
    switch (completionAction_) {
      case 1: text = "Retrieving " + location + " workqueue entries."; break;
      case 2: text = "Locking and downloading these dictations: " + list(); break;
      case 3: text = std::string(SourceControlVerb(actions_.empty() ? -1 : actions_.front())) + " these dictations: " + list(); break;
      case 4: text = "Locking and downloading the next dictation in the " + location + " queue."; break;
      case 5:
      case 7: text = "Uploading and checking in these dictations: " + list(); break;
      case 6:
        text = "Locking and downloading the next dictation in the " + location +
               " queue in order to quickly put something in the cache.";
        break;
      case 8: text = "Pinging to log in to " + location; break;
      case 9: text = "Pinging to change database location to " + location; break;
      case 10:
      case 12: text = "Unlocking these dictations: " + list(); break;
      case 11: text = "Relocking these dictations: " + list(); break;
      case 14: text = "Retrieving the list of dictations locked to this user when Penwright starts."; break;
      case 16: text = "Updating the dictation properties for dictation: " + FirstDictationID(*this); break;
      case 17: text = "Retrieving the list of worktypes."; break;
      case 18: text = "Retrieving the list of speakers."; break;
      case 19:
        text = "Updating header field " + FirstParameter(*this, "type") + " to " + FirstParameter(*this, "value") +
               " for dictation: " + FirstDictationID(*this);
        break;
      case 20: text = "Retrieving the list of contacts."; break;
      case 21: text = "Retrieving the list of contact changes."; break;
      case 22: text = "Retrieving current dictation properties prior to updating them."; break;
      case 23: text = "Retrieving transcription metrics."; break;
      case 24: text = "Retrieving the header files for the dictation: " + FirstDictationID(*this); break;
      case 25: text = "Doing Patient Search Based on Radiology Criteria"; break;
      case 26: text = "Searching for HL7 information."; break;
      case 27: text = "Retrieving the most recent release for this user."; break;
      case 28: text = "Specifying adhoc distribution rules for document"; break;
      case 29:
        text = "Splitting dictation " + FirstParameter(*this, "utteranceID") + ".  AudioStart offset: " +
               FirstParameter(*this, "audioStart") + ".  AudioEnd offset: " + FirstParameter(*this, "audioEnd");
        break;
      case 30: text = "Reposting request for contact list."; break;
      case 31: text = "Retrieving current option settings."; break;
      case 32: text = "Sending current options settings to database."; break;
      case 33: text = "Retrieving initialization lists."; break;
      case 34: text = "Releasing dictations which have been downloaded for too long: " + list(); break;
      case 35: text = "Retrieving latest set of push templates."; break;
      case 37: {
        const std::string first = FirstDictationID(*this);
        text = ReadDictationTexts(utterances_).empty()
                   ? "Notifying the server that a new dictation has been loaded into Microsoft Word."
                   : "Notifying the server that dictation " + first + " has been loaded.";
        break;
      }
      case 38: text = "Creating a dictation without audio"; break;
      case 39: text = "Sending an online search"; break;
      case 40: text = "Updating header field."; break;
      case 41: text = "Searching for dictations"; break;
      case 42: text = "Downloading a link candidate"; break;
      case 43: text = "Linking a dictation"; break;
      case 44: text = "Locking a dictation"; break;
      case 45: text = "Requesting header definitions and search lists"; break;
      case 46: text = "Attemping to Log into location " + location; break;
      case 47: text = "Sending a QA score"; break;
      case 48: text = "Requesting a certificate"; break;
      case 49: text = "Removing a QA Review dictation from queue"; break;
      default: text = "Description undefined.  Completion Action Number = " + std::to_string(completionAction_);
    }
    description_ = std::move(text);
  });
}

std::string clsDatabaseRequest::Description(std::int32_t eState) const {
  std::string text;
  ErrorTrap(kClass, "Description")([&] {
    if (eState == kPlainDescription) {
      text = description_;
      return;
    }
    text = "Request " + id_;
    const bool downloadsNext = completionAction_ == 4 || completionAction_ == 6;
    switch (eState) {
      case kAddedToQueue: text += " added to queue: " + description_; break;
      case kStarted: text += " started: " + description_; break;
      case kCompleted: {
        const std::string errors = sfnErrorMessagesAsOneString();
        if (errors.empty()) {
          if (downloadsNext) {
            text += " completed successfully.\r\n\t\t\tOriginal request: " + description_ +
                    "\r\n\t\t\tThe request successfully downloaded these dictations: " + sfnUtteranceList();
          } else {
            text += " completed successfully: " + description_;
          }
        } else if (downloadsNext && !ReadDictationTexts(utterances_).empty()) {
          text += " completed with errors.\r\n\t\t\tOriginal request: " + description_ +
                  "\r\n\t\t\tAttempted to download these dictations: " + sfnUtteranceList() + ". The errors were: " + errors;
        } else {
          text += " completed with errors.\r\n\t\tOriginal request: " + description_ + "\r\n\t\t.  The errors were: " + errors;
        }
        break;
      }
      case kDiscarded: text += " discarded: " + description_; break;
      case kTimedOut:
        text += " timed out on try number: " + std::to_string(retries_) + ".  " + description_;
        if (!continueRetries_) text += "  Retries have been halted because Penwright is shutting down.";
        break;
      default: break;
    }
  });
  return text;
}

}  // namespace vz
