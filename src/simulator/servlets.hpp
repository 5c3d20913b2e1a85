#pragma once
// The servlets of docs/servlet-protocol.md, without the HTTP plumbing: an exchange in, a reply
// out. Institutions answer at "/<directory>/servlet/ScribeServlet", institution information at
// "/info/servlet/ScribeServlet". Thread-safe: the server's thread handles exchanges while a test
// changes faults or reads uploads.
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "simulator/faults.hpp"
#include "simulator/institution.hpp"

namespace vz::simulator {

class ReplayStore;

struct HttpExchange {
  std::string target;         // path and query
  std::string authorization;  // the Authorization header
  std::string contentType;
  std::string contentDigest;  // X-Content-SHA256
  std::string body;           // form parameters
  std::filesystem::path bodyFile;  // an uploaded file's bytes, when the call carries a file
  std::string idempotencyKey;      // Idempotency-Key: a repeat of this key gets the first answer
  std::string range;               // Range: "bytes=N-" asks a file answer for its bytes from N on
  std::string ifRange;             // If-Range: the whole file's digest the range must continue
  std::string ifNoneMatch;         // If-None-Match: the digest of the file the client holds
};

struct HttpReply {
  int status = 200;
  std::string contentType = "application/xml; charset=utf-8";
  std::string body;
  std::filesystem::path file;  // when set, the body is this file's bytes
  std::uint64_t fileOffset = 0;  // from this byte on (a 206 answer)
  std::vector<std::pair<std::string, std::string>> headers;
  std::chrono::milliseconds delay{0};
  bool drop = false;  // send the start of the answer and close the connection
  bool unanswered = false;  // close the connection without a byte of the answer
  bool replayed = false;    // the answer kept for a repeated Idempotency-Key
  std::optional<std::uint64_t> cutAfter;  // close the connection after this many bytes of the body
  std::optional<double> bytesPerSecond;   // the body's own rate, besides the institution's link
};

class Servlets {
 public:
  // Prepares one folder per institution under `dataFolder` (see Institution).
  Servlets(const std::vector<InstitutionConfig>& institutions, std::filesystem::path dataFolder);
  ~Servlets();

  // Calls whose body is a file (read to a file by the server, not into memory).
  static bool TakesFileBody(std::string_view target);
  // A fresh path for such a body, inside the data folder.
  std::filesystem::path NewBodyFile();

  HttpReply Handle(const HttpExchange& exchange);

  // "http://127.0.0.1:port": the start of the URLs the information servlet hands out.
  void SetBaseURL(std::string baseURL);
  FaultPlan& Faults() { return faults_; }
  // One line per exchange (method, path, request number, login, status); never the password.
  void SetLog(std::function<void(const std::string&)> log);

  // Reads an institution's state under the servlets' lock.
  void Inspect(std::string_view directory, const std::function<void(const Institution&)>& visit);
  std::vector<std::string> Directories() const;

 private:
  Institution* FindInstitution(std::string_view directory);

  std::filesystem::path dataFolder_;
  std::vector<std::unique_ptr<Institution>> institutions_;
  FaultPlan faults_;
  std::unique_ptr<ReplayStore> replays_;
  mutable std::mutex mutex_;
  std::string baseURL_;
  std::function<void(const std::string&)> log_;
  unsigned long bodyCounter_ = 0;
};

}  // namespace vz::simulator
