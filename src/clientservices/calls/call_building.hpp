#pragma once
// What the call families share while they turn a request's values into the exchanges of a call:
// the call's inputs taken apart, the single-answer shape, and the dictation-list entries.
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "clientservices/http_call.hpp"
#include "object/value.hpp"

namespace vz::http_client {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The positions of the Init values per kind of object (standard_action_catalogue.cpp).
struct InitLayout {
  int url, login, password, downloadPath, mode, useMTReview, locationID;
};
InitLayout LayoutOf(std::string_view field);

std::string Text(const Value& value);
bool Truth(const Value& value);
std::string TrueFalse(const Value& value);
// A review argument: "Y"/"N" for a Boolean, the text otherwise.
std::string YesNo(const Value& value);

// One entry of a dictation list: the values every exchange of a dictation-list call carries, and
// for source control the check-out the call ends (the engine keeps it in the dictation's record).
struct ListEntry {
  std::string locationID, utteranceID, linkedDocumentID, isAddendum, documentVersion;
  std::string checkOutID;
  Pairs Values() const;
};

// A call's inputs: the object's kind and Init values, the dictation list (the first array
// argument) and the other arguments in order, and a plan with the servlet and credentials filled.
struct CallInputs {
  std::string_view field;
  std::string_view operation;
  const std::vector<Value>& init;
  InitLayout layout;
  std::vector<ListEntry> entries;
  std::vector<Value> rest;
  HttpCallPlan base;
  std::string callKey;  // the engine's name of this call, the same for each of its tries

  std::string InitText(int index) const;
  std::string InitTrueFalse(int index) const;
  std::string Mode() const { return InitText(layout.mode); }
  std::string UseMTReview() const { return InitTrueFalse(layout.useMTReview); }
  std::filesystem::path DownloadFolder() const { return InitText(layout.downloadPath); }
  // The other argument at `index` as text, "" when there is none.
  std::string Argument(std::size_t index) const { return index < rest.size() ? Text(rest[index]) : std::string(); }
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

// A single-answer call: its number and the names its arguments are sent under, in their order.
struct SingleCall {
  const char* number;
  std::vector<const char*> argumentNames;
  Pairs fixed;                  // further parameters with fixed values
  bool withLocationID = false;  // `locationID` from Init, first
  bool changesState = false;    // sent with an idempotency key
};
HttpCallPlan SingleCallPlan(const CallInputs& call, const SingleCall& single);
// One exchange carrying `form` to request `number`.
HttpCallPlan OneExchange(const CallInputs& call, std::string_view number, std::string form);

// Calls whose array argument lists files rather than dictations (templates, dictionaries).
bool TakesFileList(std::string_view field);
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
