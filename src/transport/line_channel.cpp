#include "transport/line_channel.hpp"

#include <unistd.h>

#include <csignal>
#include <stdexcept>
#include <system_error>

#include <boost/asio/buffer.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>

namespace vz::transport {

namespace asio = boost::asio;

LineChannel::LineChannel(asio::posix::stream_descriptor input, asio::posix::stream_descriptor output,
                         std::size_t maxLineSize)
    : input_(std::move(input)), output_(std::move(output)), maxLineSize_(maxLineSize) {}

LineChannel::~LineChannel() {
  boost::system::error_code ignored;
  input_.close(ignored);
  output_.close(ignored);
}

void LineChannel::Start(Handlers handlers) {
  handlers_ = std::move(handlers);
  ReadNext();
}

void LineChannel::ReadNext() {
  if (closing_ || closed_ || reading_) return;
  reading_ = true;
  // One byte more than the longest line: room for its "\n".
  asio::async_read_until(input_, asio::dynamic_buffer(readBuffer_, maxLineSize_ + 1), '\n',
                         [self = shared_from_this()](const boost::system::error_code& error, std::size_t size) {
                           self->OnRead(error, size);
                         });
}

void LineChannel::OnRead(const boost::system::error_code& error, std::size_t size) {
  reading_ = false;
  if (closed_) return;
  if (closing_) {
    // Reading was stopped on purpose: the queued output still goes out.
    if (!writing_ && outgoing_.empty()) Close();
    return;
  }
  if (error == asio::error::not_found) {
    // The buffer is full and holds no line end: the line is over the limit.
    readBuffer_.clear();
    readBuffer_.shrink_to_fit();
    if (handlers_.onOverflow) handlers_.onOverflow();
    CloseAfterFlush();
    return;
  }
  if (error) {
    // The peer left (or the descriptor failed): nothing more will come.
    Close();
    return;
  }
  std::string line = readBuffer_.substr(0, size - 1);
  readBuffer_.erase(0, size);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  // Read on before handling, so that a handler waiting on the loop still hears this peer.
  ReadNext();
  if (handlers_.onLine) handlers_.onLine(std::move(line));
}

void LineChannel::Send(std::string line) {
  if (closed_ || closing_) return;
  line.push_back('\n');
  queuedBytes_ += line.size();
  outgoing_.push_back(std::move(line));
  WriteNext();
}

void LineChannel::WriteNext() {
  if (writing_ || closed_) return;
  if (outgoing_.empty()) {
    if (closing_) Close();
    return;
  }
  writing_ = true;
  asio::async_write(output_, asio::buffer(outgoing_.front()),
                    [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
                      self->writing_ = false;
                      if (self->closed_) return;
                      if (error) {
                        self->Close();
                        return;
                      }
                      self->queuedBytes_ -= self->outgoing_.front().size();
                      self->outgoing_.pop_front();
                      self->WriteNext();
                    });
}

void LineChannel::CloseAfterFlush() {
  if (closed_) return;
  closing_ = true;
  boost::system::error_code ignored;
  input_.cancel(ignored);
  if (!writing_ && outgoing_.empty()) Close();
}

void LineChannel::Close() {
  if (closed_) return;
  closed_ = true;
  boost::system::error_code ignored;
  input_.cancel(ignored);
  output_.cancel(ignored);
  input_.close(ignored);
  output_.close(ignored);
  outgoing_.clear();
  queuedBytes_ = 0;
  Finish();
}

void LineChannel::Finish() {
  // Handlers may hold the last reference to whoever owns this channel: drop them after the call.
  auto onClosed = std::move(handlers_.onClosed);
  handlers_ = {};
  if (onClosed) onClosed();
}

std::shared_ptr<LineChannel> MakeSocketChannel(asio::io_context& context, int fd) {
  const int second = ::dup(fd);
  if (second < 0) {
    ::close(fd);
    throw std::system_error(errno, std::generic_category(), "dup");
  }
  return std::make_shared<LineChannel>(asio::posix::stream_descriptor(context, fd),
                                       asio::posix::stream_descriptor(context, second));
}

std::shared_ptr<LineChannel> MakeStdioChannel(asio::io_context& context) {
  IgnoreBrokenPipes();
  const int in = ::dup(STDIN_FILENO);
  const int out = ::dup(STDOUT_FILENO);
  if (in < 0 || out < 0) throw std::system_error(errno, std::generic_category(), "dup of standard input or output");
  asio::posix::stream_descriptor input(context);
  asio::posix::stream_descriptor output(context);
  boost::system::error_code error;
  input.assign(in, error);
  if (!error) output.assign(out, error);
  if (error) {
    throw std::runtime_error("standard input and output must be pipes, sockets or terminals: " + error.message());
  }
  return std::make_shared<LineChannel>(std::move(input), std::move(output));
}

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace vz::transport
