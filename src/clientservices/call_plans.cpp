#include "clientservices/call_plans.hpp"

#include "clientservices/calls/call_building.hpp"
#include "clientservices/wire_format.hpp"
#include "diagnostics/automation_error.hpp"
#include "servlet_wire/basic_auth.hpp"
#include "servlet_wire/form_codec.hpp"
#include "servlet_wire/sha256.hpp"

namespace vz::http_client {
namespace {

std::string InitTextAt(const std::vector<Value>& init, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < init.size() ? Text(init[index]) : std::string();
}

// The first array argument is the dictation list; the others keep their order.
bool SplitArguments(const std::vector<Value>& arguments, std::vector<ListEntry>& entries, std::vector<Value>& rest,
                    std::string& problem) {
  bool seenList = false;
  for (const Value& argument : arguments) {
    if (!seenList && argument.IsArray()) {
      seenList = true;
      for (const Value& item : argument.ArrayItems()) {
        if (!item.IsArray() || item.ArrayItems().size() < 5) {
          problem = "A dictation list entry is not [locationID, utteranceID, linkedDocumentID, isAddendum, documentVersion]";
          return false;
        }
        const auto& v = item.ArrayItems();
        ListEntry entry{Text(v[0]), Text(v[1]), Text(v[2]), TrueFalse(v[3]), Text(v[4]), v.size() > 5 ? Text(v[5]) : ""};
        if (entry.utteranceID.empty()) {
          problem = "A dictation list entry has no utterance ID";
          return false;
        }
        entries.push_back(std::move(entry));
      }
    } else {
      rest.push_back(argument);
    }
  }
  return true;
}

}  // namespace

InitLayout LayoutOf(std::string_view field) {
  if (field == "m_Wr") return {0, 3, 4, -1, 6, 11, -1};
  if (field == "m_Ir") return {0, 2, 3, -1, -1, -1, -1};
  if (field == "m_Fud" || field == "m_objDownloadText") return {0, 2, 3, 1, 4, 5, -1};
  if (field == "m_Fup") return {0, 2, 3, 1, 7, 8, -1};
  if (field == "m_Sc") return {0, 2, 3, -1, 7, 9, -1};
  return {0, 1, 2, -1, -1, -1, 3};
}

std::string Text(const Value& value) {
  try {
    return value.ToString();
  } catch (const AutomationError&) {
    return {};
  }
}

bool Truth(const Value& value) {
  try {
    return value.ToBoolean();
  } catch (const AutomationError&) {
    return false;
  }
}

std::string TrueFalse(const Value& value) { return Truth(value) ? "True" : "False"; }

std::string YesNo(const Value& value) {
  if (value.GetType() == Value::Type::Boolean) return Truth(value) ? "Y" : "N";
  return Text(value);
}

Pairs ListEntry::Values() const {
  return {{"locationID", locationID}, {"utteranceID", utteranceID}, {"linkedDocumentID", linkedDocumentID},
          {"isAddendum", isAddendum}, {"documentVersion", documentVersion}};
}

std::string CallInputs::InitText(int index) const { return InitTextAt(init, index); }

std::string CallInputs::InitTrueFalse(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < init.size() ? TrueFalse(init[index]) : "False";
}

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
  if (single.withLocationID) pairs.emplace_back("locationID", call.InitText(call.layout.locationID));
  for (std::size_t i = 0; i < single.argumentNames.size(); ++i) pairs.emplace_back(single.argumentNames[i], call.Argument(i));
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

std::string LoginOf(std::string_view field, const std::vector<Value>& init) { return InitTextAt(init, LayoutOf(field).login); }
std::string PasswordOf(std::string_view field, const std::vector<Value>& init) { return InitTextAt(init, LayoutOf(field).password); }

std::optional<HttpCallPlan> BuildCallPlan(std::string_view field, std::string_view operation, const std::vector<Value>& init,
                                          const std::vector<Value>& arguments, std::string& problem, std::string_view callKey) {
  CallInputs call{field, operation, init, LayoutOf(field), {}, {}, {}, std::string(callKey)};
  const std::string url = call.InitText(call.layout.url);
  const auto parsed = ParseServletUrl(url);
  if (!parsed) {
    problem = "Bad servlet URL: " + url;
    return std::nullopt;
  }
  call.base.url = *parsed;
  call.base.authorization = servlet_wire::EncodeBasicAuthorization(call.InitText(call.layout.login), call.InitText(call.layout.password));
  if (TakesFileList(field)) call.rest = arguments;
  else if (!SplitArguments(arguments, call.entries, call.rest, problem)) return std::nullopt;

  for (const auto family : {MainLoopCall, LoginCall, ReferenceDataCall, DictationOperationCall, SourceControlCall}) {
    if (auto plan = family(call, problem)) return plan;
    if (!problem.empty()) return std::nullopt;
  }
  problem = "The HTTP client services have no call " + std::string(operation) + " for " + std::string(field);
  return std::nullopt;
}

}  // namespace vz::http_client
