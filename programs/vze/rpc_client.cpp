#include "rpc_client.hpp"

namespace vze {

RpcClient::RpcClient(const std::string& socketPath, std::chrono::milliseconds timeout)
    : lines_(socketPath), timeout_(timeout) {}

Json RpcClient::Call(const std::string& method, Json params) {
  const std::int64_t id = nextId_++;
  Json request{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
  if (!lines_.SendLine(request.dump())) throw std::runtime_error("the server has closed the connection");
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  for (;;) {
    // A handler's own calls, made while this one waited, may have read this answer already.
    if (const auto early = answers_.find(id); early != answers_.end()) {
      const Json message = std::move(early->second);
      answers_.erase(early);
      return Result(message);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const std::optional<std::string> line = lines_.ReadLine(std::max(left, std::chrono::milliseconds(0)));
    if (!line) {
      throw std::runtime_error(lines_.Closed() ? "the server has closed the connection" : "no answer from the server in time");
    }
    Json message = Json::parse(*line, nullptr, false);
    if (message.is_discarded()) continue;
    if (message.contains("method")) {
      Dispatch(message);
      continue;
    }
    const Json answerId = message.value("id", Json());
    if (answerId != id) {
      if (answerId.is_number_integer()) answers_[answerId.get<std::int64_t>()] = std::move(message);
      continue;
    }
    return Result(message);
  }
}

Json RpcClient::Result(const Json& message) {
  if (const auto error = message.find("error"); error != message.end()) {
    throw RpcError(error->value("code", 0), error->value("message", std::string()), error->value("data", Json()));
  }
  return message.value("result", Json());
}

bool RpcClient::ServeOne(std::chrono::milliseconds timeout) {
  const std::optional<std::string> line = lines_.ReadLine(timeout);
  if (!line) return false;
  const Json message = Json::parse(*line, nullptr, false);
  if (!message.is_discarded() && message.contains("method")) Dispatch(message);
  return true;
}

void RpcClient::Dispatch(const Json& message) {
  std::optional<Json> result = handler_ ? handler_(message) : std::nullopt;
  if (!message.contains("id")) return;
  lines_.SendLine(Json{{"jsonrpc", "2.0"}, {"id", message["id"]}, {"result", result ? *result : Json()}}.dump());
}

}  // namespace vze
