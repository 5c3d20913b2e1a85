#pragma once
// What a call over HTTP(S) is made of and what it gives: the options, the plan of its exchanges
// built from the request's values, and the result handed back. Connections, the pool and the
// call's run all work from these.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "clientservices/wire_format.hpp"
#include "model/request_progress.hpp"

namespace vz::http_client {

struct HttpOptions {
  std::chrono::milliseconds connectTimeout{30'000};  // resolve, connect and TLS handshake
  std::chrono::milliseconds ioTimeout{60'000};       // without a byte moving
  std::string caFile;                                // trusted certificates; empty: the system's store
  std::string userAgent = "VizorareZazizuzEravov/1.0";
  std::uint64_t xmlLimit = 64u << 20;                // largest XML or error answer kept in memory
  std::uint64_t xmlCallLimit = 128u << 20;           // all the XML and error answers of a dictation list
  std::uint64_t fileLimit = std::uint64_t{1} << 30;  // largest file answer written to disk
  // The dictations of one call that reads in flight at once, each on its own connection; 1: one
  // after the other.
  std::size_t transfers = 4;
  std::size_t connectionsPerHost = 8;                 // open to one server, idle or in use
  std::chrono::milliseconds idleConnectionLimit{30'000};  // an idle connection is closed after; 0: at once
};

// What an exchange's 200 answer is.
enum class AnswerKind {
  kXml,        // the body as text
  kFile,       // saved as `saveAs` (through a hidden ".part" file beside it, resumable with `resumeTag`)
  kNamedFile,  // saved in `saveAs` (a folder) under the dictation file name the server gives
};

struct HttpStep {
  std::string query;                   // "request=0101" or "request=0103&fileName=..."
  std::string form;                    // form body; ignored with `uploadFile`
  std::filesystem::path uploadFile;    // body from this file, with its digest
  AnswerKind answer = AnswerKind::kXml;
  std::filesystem::path saveAs;
  std::filesystem::path literalMarker; // kFile: made empty when X-Literal-Processed is true, else removed
  // kFile: the answer's header `headerName` is kept in `headerFile` as one line (CR LF), or the
  // file is removed when the answer has no such header or its value is not a plain date and time.
  std::string headerName;
  std::filesystem::path headerFile;
  // kFile: a body cut short is kept under this tag (the dictation's version, letters and digits)
  // beside `saveAs`, and the next exchange for it asks only for the rest. Empty: never resumed.
  std::string resumeTag;
  // Set when this exchange must not be made at all: the entry's error, without a word to the server.
  std::string refusal;
  // The exchange changes the institution's state (a commit, a check-in, an update...): it is never
  // sent twice on the client's own unless it carries `idempotencyKey`, sent as the
  // Idempotency-Key header, with which the servlet answers a repeat with its first answer.
  bool changesState = false;
  std::string idempotencyKey;
};

// One entry of the call: a dictation of the list, or the single exchange of a single-answer call.
struct HttpEntry {
  std::string utteranceID;
  std::string documentVersion;
  std::vector<HttpStep> steps;
};

struct HttpCallPlan {
  ServletUrl url;
  std::string authorization;  // the whole "Basic ..." value
  bool dictationList = false;  // one result per entry (dictations, or files of a file-list call)
  // The entries only read: several may be in flight at once, each on its own connection.
  bool concurrent = false;
  std::vector<HttpEntry> entries;
  // An answer that lists names: the path of the elements whose texts are the names.
  std::string namesAt;
  // A file-list call: the file of each entry, by index; its errors read "File <name>: <text>".
  std::vector<std::string> fileNames;
};

struct HttpCallResult {
  bool errors = false;
  std::string errorMessage;                 // single-answer calls
  std::string xml;                          // single-answer calls
  std::vector<std::string> errorArray;      // dictation lists: one per entry
  std::vector<std::string> completed;       // utterance IDs finished before a communication failure
  std::vector<std::string> responses;       // per-entry XML answers (last XML step of the entry)
};

// Told, on the thread that runs the context, of the body bytes moved (each block as it goes) and
// of each entry as it is done; never after a cancel.
using HttpProgress = std::function<void(const TransferProgress&)>;

}  // namespace vz::http_client
