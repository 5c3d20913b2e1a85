#pragma once
// The client end of a line channel over a Unix-domain socket, blocking: send a line, read a line
// with a deadline.
#include <chrono>
#include <optional>
#include <string>

namespace vze {

class LineClient {
 public:
  // Connects to the socket at `path`; throws std::runtime_error when nobody listens there.
  explicit LineClient(const std::string& path);
  ~LineClient();
  LineClient(const LineClient&) = delete;
  LineClient& operator=(const LineClient&) = delete;

  // Sends `line` and "\n". False when the server has gone.
  bool SendLine(const std::string& line);
  // Sends raw bytes as they are.
  bool SendBytes(const std::string& bytes);
  // The next line (without "\n"), or nothing when `timeout` passes or the server closes first.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
  // True once the server has closed the connection (seen by a read).
  bool Closed() const { return closed_; }
  // Closes the connection at once.
  void Close();

 private:
  int fd_ = -1;
  std::string buffer_;
  bool closed_ = false;
};

}  // namespace vze
