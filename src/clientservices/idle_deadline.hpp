#pragma once
// The idle time-out of an exchange: a deadline that each step of the exchange moves to "now plus
// the limit", and that ends the exchange once it passes. Moving it only notes the time; one timer
// per exchange wakes when the deadline could have passed and, finding it moved, sleeps until the
// new one. A timer set and cancelled around every read and write cost more than the reads of a
// download on loopback.
#include <boost/asio/any_io_executor.hpp>

#include <chrono>
#include <functional>
#include <memory>

namespace vz::http_client {

class IdleDeadline {
 public:
  using Clock = std::chrono::steady_clock;

  explicit IdleDeadline(const boost::asio::any_io_executor& executor);
  ~IdleDeadline();
  IdleDeadline(const IdleDeadline&) = delete;
  IdleDeadline& operator=(const IdleDeadline&) = delete;

  // Sets the deadline `limit` from now; `expire` runs once if it passes before Stop().
  void Start(Clock::duration limit, std::function<void()> expire);
  // Moves the deadline to `limit` from now.
  void Renew();
  // No more expiry until the next Start; Expired() keeps its answer until then.
  void Stop();
  // Whether the deadline passed since the last Start.
  bool Expired() const;

 private:
  struct State;
  static void Wait(const std::shared_ptr<State>& state);

  std::shared_ptr<State> state_;  // shared with the pending wait, which may outlive this object
};

}  // namespace vz::http_client
