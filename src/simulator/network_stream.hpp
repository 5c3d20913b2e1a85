#pragma once
// A connection's TCP stream as the simulated network carries it (network_link.hpp): its input
// handed on one round trip late at each turn of the conversation, and its bytes each way passed
// through the institution's link and, for an answer, a rate of its own. The waits are timers on
// the connection's executor; with no latency and no rate the stream is the plain TCP stream.
// TLS runs on top of it, so each handshake flight pays its round trip as a request does.
#include <boost/asio/compose.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>

#include <algorithm>
#include <memory>
#include <optional>

#include "simulator/network_link.hpp"

namespace vz::simulator {

class NetworkStream {
 public:
  using next_layer_type = boost::beast::tcp_stream;
  using executor_type = next_layer_type::executor_type;
  using lowest_layer_type = next_layer_type::socket_type;

  NetworkStream(boost::asio::ip::tcp::socket socket, std::chrono::milliseconds latency)
      : next_(std::move(socket)),
        latency_(latency),
        roundTrips_(latency, NetworkClock::now()),
        readTimer_(next_.get_executor()),
        writeTimer_(next_.get_executor()) {}

  executor_type get_executor() { return next_.get_executor(); }
  next_layer_type& next_layer() { return next_; }
  lowest_layer_type& lowest_layer() { return next_.socket(); }

  // The link the connection's bytes pass through from now on; null: none.
  void UseLink(std::shared_ptr<Link> link) { link_ = std::move(link); }
  // The rate of the answer being written, besides the link's; nothing: none.
  void LimitAnswer(std::optional<double> bytesPerSecond) {
    if (bytesPerSecond) answer_.emplace(*bytesPerSecond);
    else answer_.reset();
  }
  // The client's next input belongs to its last turn, whatever was written since.
  void ContinueTurn() { roundTrips_.ContinueTurn(); }
  // Ends the waits in progress (with operation_aborted).
  void Cancel() {
    readTimer_.cancel();
    writeTimer_.cancel();
  }

  template <class MutableBuffers, class Token>
  auto async_read_some(const MutableBuffers& buffers, Token&& token) {
    if (!Simulated()) return next_.async_read_some(buffers, std::forward<Token>(token));
    return boost::asio::async_compose<Token, void(boost::system::error_code, std::size_t)>(ReadOp<MutableBuffers>{*this, buffers},
                                                                                            token, next_);
  }

  template <class ConstBuffers, class Token>
  auto async_write_some(const ConstBuffers& buffers, Token&& token) {
    if (!Simulated()) return next_.async_write_some(buffers, std::forward<Token>(token));
    return boost::asio::async_compose<Token, void(boost::system::error_code, std::size_t)>(WriteOp<ConstBuffers>{*this, buffers},
                                                                                            token, next_);
  }

 private:
  // A link passes this much at a time, so that connections sharing it take turns.
  static constexpr std::size_t kQuantum = 16 * 1024;

  bool Simulated() const { return latency_.count() > 0 || link_ || answer_; }

  template <class MutableBuffers>
  struct ReadOp {
    NetworkStream& stream;
    MutableBuffers buffers;
    int step = 0;
    std::size_t got = 0;

    template <class Self>
    void operator()(Self& self, boost::system::error_code error = {}, std::size_t size = 0) {
      if (step == 0) {
        step = 1;
        return stream.next_.async_read_some(buffers, std::move(self));
      }
      if (step == 1) {
        got = size;
        if (error) return self.complete(error, got);
        const auto now = NetworkClock::now();
        auto readable = stream.roundTrips_.Readable(now);
        if (stream.link_) readable = std::max(readable, stream.link_->fromClients.Pass(now, got));
        if (readable <= now) return self.complete(error, got);
        step = 2;
        stream.readTimer_.expires_at(readable);
        return stream.readTimer_.async_wait(std::move(self));
      }
      self.complete(error, error ? 0 : got);
    }
  };

  template <class ConstBuffers>
  struct WriteOp {
    NetworkStream& stream;
    ConstBuffers buffers;
    int step = 0;
    std::size_t size = 0;

    template <class Self>
    void operator()(Self& self, boost::system::error_code error = {}, std::size_t written = 0) {
      if (step == 0) {
        size = std::min(boost::beast::buffer_bytes(buffers), kQuantum);
        const auto now = NetworkClock::now();
        auto passed = now;
        if (stream.link_) passed = std::max(passed, stream.link_->toClients.Pass(now, size));
        if (stream.answer_) passed = std::max(passed, stream.answer_->Pass(now, size));
        step = 1;
        if (passed > now) {
          stream.writeTimer_.expires_at(passed);
          return stream.writeTimer_.async_wait(std::move(self));
        }
      }
      if (step == 1) {
        if (error) return self.complete(error, 0);
        step = 2;
        return stream.next_.async_write_some(boost::beast::buffers_prefix(size, buffers), std::move(self));
      }
      stream.roundTrips_.Wrote(NetworkClock::now());
      self.complete(error, written);
    }
  };

  next_layer_type next_;
  std::chrono::milliseconds latency_;
  RoundTrips roundTrips_;
  boost::asio::steady_timer readTimer_;
  boost::asio::steady_timer writeTimer_;
  std::shared_ptr<Link> link_;
  std::optional<LinkSchedule> answer_;
};

}  // namespace vz::simulator
