#include "clientservices/call_plans.hpp"

#include "clientservices/calls/call_building.hpp"
#include "clientservices/wire_format.hpp"
#include "execution/action_table.hpp"
#include "servlet_wire/basic_auth.hpp"
#include "servlet_wire/form_codec.hpp"
#include "servlet_wire/sha256.hpp"

namespace vz::http_client {

ListEntry::ListEntry(const DictationListEntry& entry)
    : locationID(std::to_string(entry.locationID)),
      utteranceID(std::to_string(entry.utteranceID)),
      linkedDocumentID(entry.linkedDocumentID),
      isAddendum(entry.isAddendum ? "True" : "False"),
      documentVersion(entry.documentVersion),
      checkOutID(entry.checkOutID) {}

Pairs ListEntry::Values() const {
  return {{"locationID", locationID}, {"utteranceID", utteranceID}, {"linkedDocumentID", linkedDocumentID},
          {"isAddendum", isAddendum}, {"documentVersion", documentVersion}};
}

// The values that several kinds of connection values carry under the same name.
std::string CallInputs::Mode() const {
  return std::visit(
      [](const auto& kind) -> std::string {
        if constexpr (requires { kind.workQueueMode; }) return std::to_string(kind.workQueueMode);
        else return {};
      },
      init);
}

std::string CallInputs::UseMTReview() const {
  return std::visit(
      [](const auto& kind) -> std::string {
        if constexpr (requires { kind.useMTReview; }) return kind.useMTReview ? "True" : "False";
        else return "False";
      },
      init);
}

std::string CallInputs::LocationID() const {
  return std::visit(
      [](const auto& kind) -> std::string {
        if constexpr (requires { kind.locationID; }) return kind.locationID;
        else return {};
      },
      init);
}

std::filesystem::path CallInputs::DownloadFolder() const {
  return std::visit(
      [](const auto& kind) -> std::filesystem::path {
        if constexpr (requires { kind.downloadPath; }) return kind.downloadPath;
        else return {};
      },
      init);
}

std::string CallInputs::Name() const {
  const ActionEntry& entry = ActionEntryFor(action);
  return std::string(entry.field) + "." + std::string(entry.call);
}

std::string CallInputs::OfAnotherKind() const { return Name() + " was given the connection values of another kind of object"; }

std::string Query(std::string_view number, const Pairs& pairs) {
  std::string query = "request=" + std::string(number);
  if (!pairs.empty()) query += "&" + servlet_wire::FormBody(pairs);
  return query;
}

HttpStep Step(std::string query, std::string form) {
  HttpStep step;
  step.query = std::move(query);
  step.form = std::move(form);
  return step;
}

HttpCallPlan OneExchange(const CallInputs& call, std::string_view number, std::string form) {
  HttpCallPlan plan = call.base;
  plan.entries.push_back(HttpEntry{"", "", {Step(Query(number), std::move(form))}});
  return plan;
}

HttpCallPlan SingleCallPlan(const CallInputs& call, const SingleCall& single) {
  Pairs pairs;
  if (single.withLocationID) pairs.emplace_back("locationID", call.LocationID());
  for (const char* name : single.argumentNames) pairs.emplace_back(name, call.Named(name));
  pairs.insert(pairs.end(), single.fixed.begin(), single.fixed.end());
  HttpCallPlan plan = OneExchange(call, single.number, servlet_wire::FormBody(pairs));
  if (single.changesState) ChangesState(plan.entries.front().steps.front(), call.KeyFor(single.number, ""));
  return plan;
}

std::string IdempotencyKey(std::initializer_list<std::string_view> parts) {
  servlet_wire::Sha256 digest;
  for (const std::string_view part : parts) {
    // Each part with its length, so that no two lists of parts read the same.
    const std::string length = std::to_string(part.size()) + ":";
    digest.Update(length.data(), length.size());
    digest.Update(part.data(), part.size());
  }
  return digest.FinishHex();
}

std::string CallInputs::KeyFor(std::string_view number, std::string_view utteranceID) const {
  return callKey.empty() ? std::string() : IdempotencyKey({number, callKey, utteranceID});
}

void ChangesState(HttpStep& step, std::string idempotencyKey) {
  step.changesState = true;
  step.idempotencyKey = std::move(idempotencyKey);
}

std::optional<HttpCallPlan> BuildCallPlan(Action action, const ServiceInit& init, const CallArguments& arguments,
                                          std::string& problem, std::string_view callKey) {
  CallInputs call{action, init, arguments, {}, {}, std::string(callKey)};
  const std::string& url = UrlOf(init);
  const auto parsed = ParseServletUrl(url);
  if (!parsed) {
    problem = "Bad servlet URL: " + url;
    return std::nullopt;
  }
  call.base.url = *parsed;
  call.base.authorization = servlet_wire::EncodeBasicAuthorization(LoginOf(init), PasswordOf(init));
  for (const DictationListEntry& entry : arguments.dictations) call.entries.emplace_back(entry);

  for (const auto family : {MainLoopCall, LoginCall, ReferenceDataCall, DictationOperationCall, SourceControlCall}) {
    if (auto plan = family(call, problem)) return plan;
    if (!problem.empty()) return std::nullopt;
  }
  problem = "The HTTP client services have no call for " + std::string(ActionEntryFor(action).name);
  return std::nullopt;
}

}  // namespace vz::http_client
