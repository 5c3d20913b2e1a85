#pragma once
// A line channel: a byte stream carrying one message per line ("\n"-terminated), read and written
// asynchronously on the event loop. Reading never waits for the handler of the previous line to
// return: the next read is started first, so a handler that serves the loop re-entrantly (waiting
// for an answer from the same peer) still hears the peer's next lines.
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>

namespace vz::transport {

// The longest line a channel accepts, without its "\n".
inline constexpr std::size_t kMaxLineSize = 16 * 1024 * 1024;

class LineChannel : public std::enable_shared_from_this<LineChannel> {
 public:
  struct Handlers {
    std::function<void(std::string line)> onLine;
    // The peer sent a line over the limit. Reading stops; the channel closes once the output
    // queued so far (an error answer, say) has been written.
    std::function<void()> onOverflow;
    // Called once, when the channel has closed for any reason.
    std::function<void()> onClosed;
  };

  // Takes ownership of both descriptors; they may be the two ends of one socket (a dup of it).
  LineChannel(boost::asio::posix::stream_descriptor input, boost::asio::posix::stream_descriptor output,
              std::size_t maxLineSize = kMaxLineSize);
  ~LineChannel();
  LineChannel(const LineChannel&) = delete;
  LineChannel& operator=(const LineChannel&) = delete;

  void Start(Handlers handlers);
  // Queues `line` (without its "\n"); lines go out in the order sent. Ignored once closing.
  void Send(std::string line);
  // Stops reading and closes once everything queued has been written.
  void CloseAfterFlush();
  // Closes at once, dropping unsent output.
  void Close();
  bool IsOpen() const { return !closed_; }
  std::size_t QueuedBytes() const { return queuedBytes_; }

 private:
  void ReadNext();
  void OnRead(const boost::system::error_code& error, std::size_t size);
  void WriteNext();
  void Finish();

  boost::asio::posix::stream_descriptor input_;
  boost::asio::posix::stream_descriptor output_;
  std::size_t maxLineSize_;
  Handlers handlers_;
  std::string readBuffer_;
  std::deque<std::string> outgoing_;
  std::size_t queuedBytes_ = 0;
  bool writing_ = false;
  bool reading_ = false;
  bool closing_ = false;
  bool closed_ = false;
};

// The channel of a connected stream socket (or any bidirectional descriptor): owns `fd`.
std::shared_ptr<LineChannel> MakeSocketChannel(boost::asio::io_context& context, int fd);

// A channel on standard input and output (duplicated, so closing it leaves 0 and 1 alone). Both
// must be pipes, sockets or terminals: regular files cannot be watched by the loop.
std::shared_ptr<LineChannel> MakeStdioChannel(boost::asio::io_context& context);

// A peer that vanishes must show up as a write error, not kill the process: SIGPIPE is ignored.
void IgnoreBrokenPipes();

}  // namespace vz::transport
