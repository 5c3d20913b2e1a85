#pragma once
// One HTTP(S) connection to a servlet's server and the exchanges made on it, one at a time, as
// coroutines on the loop's io_context: connect (resolve, TCP, TLS with verification) under the
// connect time-out, then each exchange under the idle time-out. XML answers are read into memory
// up to a limit, file answers streamed to a part beside the final file, checked, then renamed.
#include <utility>  // Boost.Asio's awaitable.hpp uses std::exchange without including it

#include <boost/asio/awaitable.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "clientservices/http_call_plan.hpp"

namespace vz::http_client {

// What one exchange gave.
struct Outcome {
  std::string failure;         // a communication failure: ends the call
  bool unanswered = false;     // the failure came before any byte of the answer
  std::string servletError;    // an error for this entry: the call goes on
  std::string body;            // XML answer
  bool overCallLimit = false;  // refused: the call's answers would pass their limit
  bool restart = false;        // the kept part cannot be continued: ask again for the whole file
};

class TlsSessions;
class VerifiedDownloads;

class Connection {
 public:
  // Its TLS streams use `tlsSessions`' context and sessions; the files it saves are recorded in
  // `verified` (when given), and a file recorded there is asked for only if it changed.
  Connection(boost::asio::io_context& context, HttpOptions options, ServletUrl url, std::shared_ptr<TlsSessions> tlsSessions,
             std::shared_ptr<VerifiedDownloads> verified);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool Open() const;

  // The servlet the next exchanges go to: another path on the same server.
  void Retarget(const ServletUrl& url);

  // How much more of XML and error answers the call may keep: the next answer's limit when less
  // than the one for a single answer.
  void KeepAtMost(std::uint64_t bytes);

  // Told of the body bytes each exchange moves (sent, received), until replaced; a connection
  // going back to the pool is given none.
  using ByteObserver = std::function<void(std::uint64_t sent, std::uint64_t received)>;
  void ObserveBytes(ByteObserver observer);

  // Whether an idle connection can still carry a request: the server has neither closed it nor
  // sent anything unasked (either shows as the socket being readable).
  bool Usable();

  void Close();

  // Empty, or the failure text.
  boost::asio::awaitable<std::string> Connect();

  boost::asio::awaitable<Outcome> Exchange(const HttpStep& step, const std::string& authorization, const std::string& utteranceID);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vz::http_client
