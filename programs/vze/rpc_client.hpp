#pragma once
// A JSON-RPC client of vzed: calls that wait for their answer while serving what the server asks
// meanwhile (events with by-reference arguments, message boxes) through a handler.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "line_client.hpp"

namespace vze {

using Json = nlohmann::json;

// An error answer: its code, message and data.
class RpcError : public std::runtime_error {
 public:
  RpcError(int code, const std::string& message, Json data)
      : std::runtime_error(message), code_(code), data_(std::move(data)) {}
  int Code() const { return code_; }
  const Json& Data() const { return data_; }

 private:
  int code_;
  Json data_;
};

class RpcClient {
 public:
  // What the server sends unasked: a notification (no id) or a request (with id). For a request
  // the handler returns the result to answer with; nothing answers null.
  using ServerMessageHandler = std::function<std::optional<Json>(const Json& message)>;

  explicit RpcClient(const std::string& socketPath, std::chrono::milliseconds timeout = std::chrono::seconds(30));

  // Sends the request and returns its result; throws RpcError for an error answer and
  // std::runtime_error when the server goes away or does not answer in time.
  Json Call(const std::string& method, Json params);
  // Waits for one message from the server and hands it to the handler; false after `timeout`
  // or when the server has closed.
  bool ServeOne(std::chrono::milliseconds timeout);

  void OnServerMessage(ServerMessageHandler handler) { handler_ = std::move(handler); }
  LineClient& Lines() { return lines_; }

 private:
  void Dispatch(const Json& message);
  static Json Result(const Json& answer);

  LineClient lines_;
  std::chrono::milliseconds timeout_;
  std::int64_t nextId_ = 1;
  ServerMessageHandler handler_;
  // Answers read by a nested call on behalf of an outer one, by id.
  std::map<std::int64_t, Json> answers_;
};

}  // namespace vze
