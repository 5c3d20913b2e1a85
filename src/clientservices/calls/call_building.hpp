#pragma once
// What the call families share while they turn an action's values into the exchanges of a call:
// the call's inputs, the single-answer shape, and the dictation-list entries.
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "clientservices/http_call.hpp"
#include "execution/action.hpp"
#include "execution/call_arguments.hpp"
#include "execution/service_init.hpp"

namespace vz::http_client {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// One entry of a dictation list as the servlet reads it: the values every exchange of a
// dictation-list call carries, and for source control the check-out the call ends (the engine
// keeps it in the dictation's record).
struct ListEntry {
  std::string locationID, utteranceID, linkedDocumentID, isAddendum, documentVersion;
  std::string checkOutID;
  explicit ListEntry(const DictationListEntry& entry);
  Pairs Values() const;
};

// A call's inputs: the action, its object's connection values and the call's arguments, the
// dictation list as the servlet reads it, and a plan with the servlet and credentials filled.
struct CallInputs {
  Action action;
  const ServiceInit& init;
  const CallArguments& arguments;
  std::vector<ListEntry> entries;
  HttpCallPlan base;
  std::string callKey;  // the engine's name of this call, the same for each of its tries

  // The values most kinds of object share; "" (or "False") for a kind that has none.
  std::string Mode() const;
  std::string UseMTReview() const;
  std::string LocationID() const;
  std::filesystem::path DownloadFolder() const;
  // The connection values of kind `Kind`; null when the object was initialised as another kind.
  template <class Kind>
  const Kind* InitAs() const {
    return std::get_if<Kind>(&init);
  }
  // The argument named `name`, "" when there is none.
  std::string Named(std::string_view name) const { return arguments.Named(name); }
  // The call as traces and errors name it, the object's field then the call (m_Fud.getFilesAsync).
  std::string Name() const;
  // The problem of a call whose object was initialised as another kind than the call needs.
  std::string OfAnotherKind() const;
  // The idempotency key of request `number` for one dictation (or none) of this call; empty when
  // the engine gave the call no name.
  std::string KeyFor(std::string_view number, std::string_view utteranceID) const;
};

// A digest of `parts` as lower-case hex: the same parts give the same key, any other parts another.
std::string IdempotencyKey(std::initializer_list<std::string_view> parts);
// Marks `step` as changing the institution's state, with its key (empty: none).
void ChangesState(HttpStep& step, std::string idempotencyKey);

// "request=NNNN" and, when given, "&" + the pairs form-encoded.
std::string Query(std::string_view number, const Pairs& pairs = {});
HttpStep Step(std::string query, std::string form);

// A single-answer call: its number and the names of the arguments it sends, in their order.
struct SingleCall {
  const char* number;
  std::vector<const char*> argumentNames;
  Pairs fixed;                  // further parameters with fixed values
  bool withLocationID = false;  // `locationID` from the connection values, first
  bool changesState = false;    // sent with an idempotency key
};
HttpCallPlan SingleCallPlan(const CallInputs& call, const SingleCall& single);
// One exchange carrying `form` to request `number`.
HttpCallPlan OneExchange(const CallInputs& call, std::string_view number, std::string form);

// The texts of the elements at `path` ("InfoResponse/Dictionary") of an answer; none when the
// answer does not parse.
std::vector<std::string> ListedNames(std::string_view xml, std::string_view path);

// The call families: each builds the calls of its objects, nothing for calls not its own; with
// `problem` set when the call is its own but cannot be made.
std::optional<HttpCallPlan> MainLoopCall(const CallInputs& call, std::string& problem);
std::optional<HttpCallPlan> LoginCall(const CallInputs& call, std::string& problem);
std::optional<HttpCallPlan> ReferenceDataCall(const CallInputs& call, std::string& problem);
std::optional<HttpCallPlan> DictationOperationCall(const CallInputs& call, std::string& problem);
std::optional<HttpCallPlan> SourceControlCall(const CallInputs& call, std::string& problem);

}  // namespace vz::http_client
