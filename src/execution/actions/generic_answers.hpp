#pragma once
// The shape most completion handlers share. A single-answer action hands its outcome to the editor
// through its parameter set: a passing communication failure retries the action, any other error
// goes to the set's ErrorMessages, the answer to its ResponseStrings, and the request goes on.
// A dictation-list action marks its failed dictations and retries on a communication failure.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vz {

class clsDatabaseRequest;
class clsGenericRequest;
class ClientServiceObject;

// How a handler finds the parameter set of the action it completes.
enum class GenericLookup {
  // Takes the set itself; closes the request with "GenericObjects collection uninitialized on
  // return from <name> request." or "No free GenericRequest objects on return from <name> request.".
  Own,
  // Through objfnHandleVanillaGenericRequest; closes the request with "Unexpected internal error:
  // Could not retrieve GenericRequest object when handling <name> request.", also logged.
  Vanilla,
};

struct GenericAnswer {
  std::int32_t action;
  std::string_view handler;  // the handler's name, for its trace location
  GenericLookup lookup;
  std::string_view name;     // the request's name in the closing texts
  bool retryOnTimeOut = true;  // false: a time-out is recorded like any other error
  std::string_view entering = {};  // the handler's own first and last trace lines, when it has them
  std::string_view leaving = {};
  std::string_view succeeded = {};  // traced after a stored answer
};

// "clsDatabaseRequest." + the handler's name.
std::string HandlerLocation(const GenericAnswer& rule);

// The action's parameter set not yet completed; null when there is none, the request then closed.
std::shared_ptr<clsGenericRequest> FindGenericRequest(clsDatabaseRequest& request, const GenericAnswer& rule);

// The error step with a parameter set: true when a time-out was handed to the retry (the set
// cleared first); otherwise the text is in the set's ErrorMessages.
bool RecordErrorOrRetry(clsDatabaseRequest& request, const GenericAnswer& rule, const std::shared_ptr<clsGenericRequest>& generic,
                        const std::string& message);

// The answer into the set's ResponseStrings under ID "1" ("Assigning XML response.").
void StoreAnswer(const GenericAnswer& rule, clsGenericRequest& generic, const std::string& answer);

// The whole shape: lookup, error or answer, then the pump.
void CompleteGenericAnswer(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, const GenericAnswer& rule);

// A dictation-list call that leaves nothing but its per-dictation errors: failed dictations keep
// their error texts, a communication failure retries the dictations not yet done, then the pump.
void CompleteDictationListAnswer(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, std::int32_t action);

// A single-answer call's completion that failed: the call's text is traced at `where`, and a
// passing communication failure is retried, anything else ends the request with the text. False
// when the call succeeded (traced as such): the completion goes on.
bool EndedOnCallError(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, const std::string& where);

}  // namespace vz
