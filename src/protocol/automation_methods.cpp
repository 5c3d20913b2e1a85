#include "protocol/automation_methods.hpp"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "object/class_info.hpp"
#include "object/dispatch.hpp"
#include "protocol/session.hpp"
#include "protocol/value_json.hpp"

namespace vz::protocol {
namespace {

using Method = Json (*)(Session&, const Json&);

const Json& Field(const Json& params, const char* name) {
  static const Json missing;
  if (!params.is_object()) return missing;
  const auto found = params.find(name);
  return found == params.end() ? missing : *found;
}

std::string RequiredString(const Json& params, const char* name) {
  const Json& field = Field(params, name);
  if (!field.is_string()) InvalidParams(std::string("\"") + name + "\" must be a string");
  return field.get<std::string>();
}

ObjectRef Target(Session& session, const Json& params) {
  const Json& handle = Field(params, "handle");
  if (!handle.is_number_integer()) InvalidParams("\"handle\" must be an integer");
  ObjectRef object = session.Handles().Find(handle.get<std::int64_t>());
  if (!object) InvalidParams("unknown handle " + handle.dump());
  return object;
}

std::vector<Value> Arguments(Session& session, const Json& params) {
  const Json& args = Field(params, "args");
  if (args.is_null()) return {};
  if (!args.is_array()) InvalidParams("\"args\" must be an array");
  std::vector<Value> values;
  values.reserve(args.size());
  for (const Json& arg : args) values.push_back(FromJson(arg, session.Handles()));
  return values;
}

const ClassInfo& KnownClass(Session& session, const Json& params) {
  const std::string name = RequiredString(params, "class");
  const ClassInfo* info = session.Owner().Options().registry->Find(name);
  if (!info) InvalidParams("unknown class " + name);
  return *info;
}

Json Create(Session& session, const Json& params) {
  return ToJson(Value(KnownClass(session, params).Create()), session.Handles());
}

Json Get(Session& session, const Json& params) {
  const ObjectRef object = Target(session, params);
  const std::string name = RequiredString(params, "name");
  const std::vector<Value> args = Arguments(session, params);
  return ToJson(dispatch::Get(*object, name, args), session.Handles());
}

Json Set(Session& session, const Json& params) {
  const ObjectRef object = Target(session, params);
  const std::string name = RequiredString(params, "name");
  if (!params.contains("value")) InvalidParams("\"value\" is missing");
  const Value value = FromJson(params["value"], session.Handles());
  const std::vector<Value> args = Arguments(session, params);
  dispatch::Set(*object, name, value, args);
  return nullptr;
}

Json Call(Session& session, const Json& params) {
  const ObjectRef object = Target(session, params);
  const std::string name = RequiredString(params, "name");
  std::vector<Value> args = Arguments(session, params);
  const Value result = dispatch::Call(*object, name, args);
  Json finalArgs = Json::array();
  for (const Value& arg : args) finalArgs.push_back(ToJson(arg, session.Handles()));
  return Json{{"value", ToJson(result, session.Handles())}, {"args", std::move(finalArgs)}};
}

Json Enumerate(Session& session, const Json& params) {
  const ObjectRef object = Target(session, params);
  Json items = Json::array();
  for (const Value& item : dispatch::Enumerate(*object)) items.push_back(ToJson(item, session.Handles()));
  return items;
}

Json Release(Session& session, const Json& params) {
  const Json& handle = Field(params, "handle");
  if (!handle.is_number_integer()) InvalidParams("\"handle\" must be an integer");
  const Json& seen = Field(params, "seen");
  if (!seen.is_null() && !seen.is_number_unsigned()) InvalidParams("\"seen\" must be a count");
  const auto released = session.Handles().Release(
      handle.get<std::int64_t>(), seen.is_null() ? std::nullopt : std::optional<std::uint64_t>(seen.get<std::uint64_t>()));
  if (released == HandleTable::ReleaseResult::kUnknown) InvalidParams("unknown handle " + handle.dump());
  return nullptr;
}

Json WatchProgress(Session& session, const Json& params) {
  const Json& enabled = Field(params, "enabled");
  if (!enabled.is_null() && !enabled.is_boolean()) InvalidParams("\"enabled\" must be true or false");
  session.WatchProgress(enabled.is_null() || enabled.get<bool>());
  return nullptr;
}

Json Advise(Session& session, const Json& params) {
  const ObjectRef object = Target(session, params);
  const Json& prompts = Field(params, "prompts");
  if (!prompts.is_null() && !prompts.is_boolean()) InvalidParams("\"prompts\" must be true or false");
  const Json& listen = Field(params, "listen");
  if (!listen.is_null() && !listen.is_boolean()) InvalidParams("\"listen\" must be true or false");
  const bool answersPrompts = prompts.is_boolean() && prompts.get<bool>();
  const bool listens = listen.is_boolean() && listen.get<bool>();
  // A listener is never waited for, so it cannot be the one that answers message boxes.
  if (listens && answersPrompts) InvalidParams("a listening subscription does not answer message boxes: \"prompts\" and \"listen\" exclude each other");
  session.Advise(object, listens ? Session::Subscription::kListening : Session::Subscription::kAnswering, answersPrompts);
  return nullptr;
}

Json Unadvise(Session& session, const Json& params) {
  session.Unadvise(Target(session, params));
  return nullptr;
}

Json Describe(Session& session, const Json& params) {
  const ClassInfo& info = KnownClass(session, params);
  Json members = Json::array();
  for (const MemberInfo& member : info.Members()) {
    Json names = Json::array();
    Json byRef = Json::array();
    Json optional = Json::array();
    for (const ArgumentInfo& argument : member.arguments) {
      names.push_back(argument.name);
      if (argument.byRef) byRef.push_back(argument.name);
      if (argument.optional) optional.push_back(argument.name);
    }
    Json entry{{"name", member.name},
               {"kind", MemberKindName(member.kind)},
               {"arguments", std::move(names)},
               {"read", member.readable},
               {"write", member.writable}};
    if (!byRef.empty()) entry["byRef"] = std::move(byRef);
    if (!optional.empty()) entry["optional"] = std::move(optional);
    if (member.isDefault) entry["default"] = true;
    members.push_back(std::move(entry));
  }
  return Json{{"class", info.Name()}, {"creatable", info.Creatable()}, {"members", std::move(members)}};
}

Json CloseRequest(Session& session, const Json& params) {
  const std::string reason = RequiredString(params, "reason");
  static const std::vector<std::string> reasons = {"systemShutdown", "taskManager", "owner", "controlMenu", "other"};
  if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end()) {
    InvalidParams("\"reason\" must be systemShutdown, taskManager, owner, controlMenu or other");
  }
  const auto& onClose = session.Owner().Options().onCloseRequest;
  // A server that cannot be closed from outside refuses every close.
  const bool cancelled = onClose ? onClose(reason) : true;
  return Json{{"cancelled", cancelled}};
}

const std::unordered_map<std::string_view, Method>& Methods() {
  static const std::unordered_map<std::string_view, Method> methods = {
      {"create", Create},   {"get", Get},           {"set", Set},           {"call", Call},
      {"enumerate", Enumerate}, {"release", Release}, {"advise", Advise},     {"unadvise", Unadvise},
      {"describe", Describe},   {"closeRequest", CloseRequest}, {"watchProgress", WatchProgress},
  };
  return methods;
}

}  // namespace

Json ServeMethod(Session& session, std::string_view method, const Json& params) {
  const auto found = Methods().find(method);
  if (found == Methods().end()) throw ProtocolError(kMethodNotFound, "unknown method " + std::string(method));
  return found->second(session, params);
}

}  // namespace vz::protocol
