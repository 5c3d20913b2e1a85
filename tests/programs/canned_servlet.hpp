#pragma once
// A hostile institution for end-to-end tests: a servlet on loopback that answers each request
// number with what the test gave for it, whatever the request says, and closes the connection
// after each answer. It lives on a thread of its own until it is destroyed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "servlet_wire/sha256.hpp"

namespace vz::testing {

struct CannedAnswer {
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers = {};
  int status = 200;
  std::string contentType = "application/xml; charset=utf-8";

  // A file answer: its length and digest as a servlet sends them.
  static CannedAnswer File(std::string bytes, std::vector<std::pair<std::string, std::string>> more = {}) {
    more.emplace_back("X-Content-SHA256", servlet_wire::Sha256Hex(bytes));
    return CannedAnswer{std::move(bytes), std::move(more), 200, "application/octet-stream"};
  }
};

class CannedServlet {
 public:
  // Request number ("0100") -> its answer; a number without one is answered 404.
  explicit CannedServlet(std::map<std::string, CannedAnswer> answers) : answers_(std::move(answers)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || ::pipe2(stop_, O_CLOEXEC) != 0) {
      throw std::runtime_error("cannot listen on loopback");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~CannedServlet() {
    (void)!::write(stop_[1], "x", 1);
    thread_.join();
    ::close(listener_);
    ::close(stop_[0]);
    ::close(stop_[1]);
  }
  CannedServlet(const CannedServlet&) = delete;
  CannedServlet& operator=(const CannedServlet&) = delete;

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/hostile/servlet/ScribeServlet"; }
  // The request numbers asked so far, in order.
  std::vector<std::string> Asked() {
    const std::lock_guard lock(mutex_);
    return asked_;
  }

 private:
  void Serve() {
    for (;;) {
      pollfd watched[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      if (::poll(watched, 2, -1) < 0) continue;
      if (watched[1].revents != 0) return;
      const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      Answer(connection);
      ::close(connection);
    }
  }

  // Reads one request (headers, then Content-Length bytes of body) and answers it.
  void Answer(int connection) {
    std::string request;
    char block[65536];
    std::size_t need = std::string::npos;
    while (need == std::string::npos || request.size() < need) {
      const ssize_t got = ::recv(connection, block, sizeof block, 0);
      if (got <= 0) return;
      request.append(block, static_cast<std::size_t>(got));
      const auto end = request.find("\r\n\r\n");
      if (need == std::string::npos && end != std::string::npos) {
        std::size_t body = 0;
        const auto field = request.find("Content-Length: ");
        if (field != std::string::npos && field < end) body = std::stoul(request.substr(field + 16));
        need = end + 4 + body;
      }
    }
    const auto at = request.find("request=");
    const std::string number = at == std::string::npos ? std::string() : request.substr(at + 8, 4);
    CannedAnswer answer{"<ErrorResponse><Message>No answer for request " + number + "</Message></ErrorResponse>", {}, 404};
    {
      const std::lock_guard lock(mutex_);
      asked_.push_back(number);
      if (const auto found = answers_.find(number); found != answers_.end()) answer = found->second;
    }
    std::string reply = "HTTP/1.1 " + std::to_string(answer.status) + (answer.status == 200 ? " OK" : " Error") +
                        "\r\nContent-Type: " + answer.contentType + "\r\nContent-Length: " + std::to_string(answer.body.size()) +
                        "\r\nConnection: close\r\n";
    for (const auto& [name, value] : answer.headers) reply += name + ": " + value + "\r\n";
    reply += "\r\n" + answer.body;
    for (std::size_t sent = 0; sent < reply.size();) {
      const ssize_t put = ::send(connection, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (put <= 0) return;
      sent += static_cast<std::size_t>(put);
    }
  }

  std::map<std::string, CannedAnswer> answers_;
  int listener_ = -1;
  int stop_[2] = {-1, -1};
  unsigned short port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> asked_;
};

}  // namespace vz::testing
