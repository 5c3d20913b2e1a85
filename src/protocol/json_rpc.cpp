#include "protocol/json_rpc.hpp"

namespace vz::protocol {

Message Classify(Json message) {
  Message out;
  if (!message.is_object()) {
    out.fault = message.is_array() ? "a batch may not hold another batch" : "a message must be a JSON object";
    return out;
  }
  const auto version = message.find("jsonrpc");
  if (version == message.end() || *version != "2.0") {
    out.fault = "\"jsonrpc\" must be \"2.0\"";
    if (auto id = message.find("id"); id != message.end() && (id->is_number_integer() || id->is_string())) out.id = *id;
    return out;
  }
  const auto id = message.find("id");
  const bool hasId = id != message.end();
  if (hasId && !(id->is_number_integer() || id->is_string() || id->is_null())) {
    out.fault = "\"id\" must be a number or a string";
    return out;
  }
  if (hasId) out.id = *id;
  const auto method = message.find("method");
  if (method != message.end()) {
    if (!method->is_string()) {
      out.fault = "\"method\" must be a string";
      return out;
    }
    out.method = method->get<std::string>();
    if (const auto params = message.find("params"); params != message.end()) {
      if (!params->is_object() && !params->is_array()) {
        out.fault = "\"params\" must be an object or an array";
        return out;
      }
      out.params = std::move(*params);
    }
    out.kind = hasId ? Message::Kind::Request : Message::Kind::Notification;
    return out;
  }
  const auto result = message.find("result");
  const auto error = message.find("error");
  if (hasId && (result != message.end()) != (error != message.end())) {
    out.kind = Message::Kind::Response;
    if (result != message.end()) out.result = std::move(*result);
    if (error != message.end()) out.error = std::move(*error);
    return out;
  }
  out.fault = "neither a request (\"method\") nor an answer (\"id\" with \"result\" or \"error\")";
  return out;
}

std::string Serialize(const Json& message) { return message.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json ResultObject(const Json& id, Json result) { return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}; }

Json ErrorObject(const Json& id, int code, std::string_view message, Json data) {
  Json error{{"code", code}, {"message", message}};
  if (!data.is_null()) error["data"] = std::move(data);
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", std::move(error)}};
}

std::string ResultLine(const Json& id, Json result) { return Serialize(ResultObject(id, std::move(result))); }

std::string ErrorLine(const Json& id, int code, std::string_view message, Json data) {
  return Serialize(ErrorObject(id, code, message, std::move(data)));
}

std::string RequestLine(std::int64_t id, std::string_view method, Json params) {
  return Serialize(Json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
}

std::string NotificationLine(std::string_view method, Json params) {
  return Serialize(Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

}  // namespace vz::protocol
