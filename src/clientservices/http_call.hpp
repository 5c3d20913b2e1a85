#pragma once
// One client-services call over HTTP(S): its exchanges, run as coroutines on the server's
// io_context on kept-alive connections (which later calls to the same server reuse), and what
// they gave. The dictations of a list that only reads move several at a time, each on its own
// connection; the others one after the other. The call object
// (http_client_services.cpp) builds the plan from the request's values; this part knows only
// HTTP, TLS, files and the protocol's failure texts.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "clientservices/http_call_plan.hpp"

namespace boost::asio {
class io_context;
}

namespace vz::http_client {

// A call in flight. Cancel closes its connection; its completion is then never delivered.
class HttpCall {
 public:
  virtual ~HttpCall() = default;
  virtual void Cancel() = 0;
};

// Connections kept open between calls (connection_pool.hpp), and the TLS sessions they resume. Used
// on the loop's thread only; it must be destroyed before the io_context its connections live on.
class ConnectionPool;
std::shared_ptr<ConnectionPool> NewConnectionPool();

// Starts the call on `context`; `done` runs once, on the thread that runs `context`, on a later
// turn than this one, unless the call was cancelled first. The call takes its connections from
// `pool` (one of its own without) and gives them back as it ends.
std::shared_ptr<HttpCall> StartHttpCall(boost::asio::io_context& context, const HttpOptions& options, HttpCallPlan plan,
                                        std::function<void(HttpCallResult)> done,
                                        std::shared_ptr<ConnectionPool> pool = nullptr, HttpProgress progress = nullptr);

}  // namespace vz::http_client
