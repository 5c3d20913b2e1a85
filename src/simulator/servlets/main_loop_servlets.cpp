// The editor's main loop: the work queue (0100), the audio (0101) and text (0102) downloads, and
// the upload of a dictation's files (0103) with its commit (0104).
#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/files.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/sha256.hpp"
#include "servlet_wire/xml_text.hpp"
#include "simulator/servlets/servlet_family.hpp"

namespace vz::simulator {
namespace {

constexpr RequestKind kRequests[] = {
    {"0100", "workqueue"}, {"0101", "download"}, {"0102", "text"}, {"0103", "upload"}, {"0104", "commit"}};

// A copy of the audio whose header declares a checksum one above the true one.
bool WriteCorruptCopy(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::ifstream in(from, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  std::string bytes = content.str();
  if (bytes.size() < 1024) return false;
  std::string header = bytes.substr(0, 1024);
  const std::string field = "sample_checksum -i ";
  const auto start = header.find(field);
  if (start == std::string::npos) return false;
  const auto end = header.find('\n', start);
  const long value = std::stol(header.substr(start + field.size(), end - start - field.size()));
  header = header.substr(0, start + field.size()) + std::to_string((value + 1) % 65536) + header.substr(end);
  header.resize(1024, '\0');
  bytes.replace(0, 1024, header);
  try {
    platform::WriteFileAtomically(to, bytes);
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

// The digest a validator names: a quoted or bare hex digest.
std::string Unquoted(std::string validator) {
  if (validator.size() >= 2 && validator.front() == '"' && validator.back() == '"') validator = validator.substr(1, validator.size() - 2);
  return validator;
}

// A request for the rest of a file ("Range: bytes=N-") gets the bytes from N on when its
// "If-Range" still names the file's digest; a changed file comes whole, as without a range, so
// that the client never splices it onto the part it kept. A range that is not of that form is
// ignored, and one at or past the end gets 416.
void AnswerRange(HttpReply& reply, const HttpExchange& exchange, const std::string& digest) {
  if (exchange.range.empty()) return;
  if (Unquoted(exchange.ifRange) != digest) return;
  constexpr std::string_view kUnit = "bytes=";
  const std::string& range = exchange.range;
  if (!range.starts_with(kUnit) || range.back() != '-' || range.size() == kUnit.size() + 1 || range.size() > kUnit.size() + 20 ||
      range.find_first_not_of("0123456789", kUnit.size()) != range.size() - 1)
    return;
  const std::uint64_t from = std::stoull(range.substr(kUnit.size()));
  std::error_code error;
  const std::uint64_t size = std::filesystem::file_size(reply.file, error);
  if (error) return;
  if (from >= size) {
    HttpReply refused = Error(416, "Range not satisfiable: the file has " + std::to_string(size) + " bytes");
    refused.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
    reply = std::move(refused);
    return;
  }
  reply.status = 206;
  reply.fileOffset = from;
  reply.headers.emplace_back("Content-Range", "bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" + std::to_string(size));
}

// A client that holds the file under its digest already ("If-None-Match") gets 304 without the
// body, with the headers the file's answer has, so that it keeps what it holds and marks it alike.
bool AnswerHeld(HttpReply& reply, const HttpExchange& exchange, const std::string& digest) {
  if (exchange.ifNoneMatch.empty() || Unquoted(exchange.ifNoneMatch) != digest) return false;
  reply.status = 304;
  reply.file.clear();
  reply.headers.erase(std::remove_if(reply.headers.begin(), reply.headers.end(),
                                     [](const auto& header) { return header.first == "Content-Disposition"; }),
                      reply.headers.end());
  return true;
}

HttpReply Download(ServletContext& context, Dictation& dictation, const ServletCall& call) {
  const std::string id = std::to_string(dictation.utteranceID);
  HttpReply reply;
  const bool audio = call.number == "0101";
  reply.file = audio ? dictation.audio : dictation.text;
  std::string digest = audio ? dictation.audioDigest : dictation.textDigest;
  const bool corrupt = audio && call.HasFault(FaultKind::kCorruptChecksum);
  if (corrupt) {
    const std::filesystem::path copy = context.dataFolder / ".bodies" / ("corrupt-" + id + ".pcm");
    if (!WriteCorruptCopy(dictation.audio, copy)) return Error(500, "Cannot prepare the corrupt copy");
    reply.file = copy;
    digest = servlet_wire::Sha256HexOfFile(copy);
  }
  reply.contentType = audio ? "audio/x-nist-sphere" : "application/rtf";
  reply.headers.emplace_back("X-Content-SHA256", digest);
  reply.headers.emplace_back("Content-Disposition",
                             "attachment; filename=\"" + (corrupt ? servlet_wire::DictationFileName(id, ".pcm") : reply.file.filename().string()) + "\"");
  if (audio && dictation.literalProcessed) reply.headers.emplace_back("X-Literal-Processed", "true");
  if (!AnswerHeld(reply, call.exchange, digest)) AnswerRange(reply, call.exchange, digest);
  return reply;
}

HttpReply ReceiveFile(Institution& institution, Dictation& dictation, const ServletCall& call) {
  const std::string id = std::to_string(dictation.utteranceID);
  const std::string name = call.Parameter("fileName");
  if (!servlet_wire::IsDictationFileName(name, id)) return Error(400, "Refused file name " + name);
  if (call.exchange.bodyFile.empty()) return Error(400, "No file in the request");
  if (call.exchange.contentDigest.empty() || servlet_wire::Sha256HexOfFile(call.exchange.bodyFile) != call.exchange.contentDigest)
    return Error(422, "CHECKSUM mismatch for " + name);
  const std::filesystem::path folder = institution.IncomingFolder(dictation.utteranceID);
  std::filesystem::create_directories(folder);
  std::filesystem::rename(call.exchange.bodyFile, folder / name);
  return Xml("<InfoResponse><Received fileName=\"" + servlet_wire::EscapeXml(name) + "\" bytes=\"" +
             std::to_string(std::filesystem::file_size(folder / name)) + "\"/></InfoResponse>\n");
}

HttpReply Commit(Institution& institution, Dictation& dictation, const ServletCall& call) {
  const std::string id = std::to_string(dictation.utteranceID);
  const std::vector<std::string> names = SplitList(call.Parameter("files"));
  if (names.empty()) return Error(400, "Missing parameter files");
  const std::filesystem::path incoming = institution.IncomingFolder(dictation.utteranceID);
  for (const std::string& name : names) {
    if (!servlet_wire::IsDictationFileName(name, id)) return Error(400, "Refused file name " + name);
    if (!std::filesystem::exists(incoming / name)) return Error(409, "Upload of " + name + " is missing");
  }
  const std::filesystem::path uploads = institution.UploadFolder(dictation.utteranceID);
  std::filesystem::create_directories(uploads);
  for (const std::string& name : names) std::filesystem::rename(incoming / name, uploads / name);
  dictation.documentVersion = std::to_string(std::stol(dictation.documentVersion) + 1);
  return Xml("<InfoResponse><Uploaded utteranceID=\"" + id + "\" documentVersion=\"" + dictation.documentVersion + "\" files=\"" +
             std::to_string(names.size()) + "\"/></InfoResponse>\n");
}

HttpReply Serve(ServletContext& context, Institution* institution, ServletCall& call) {
  if (call.number == "0100") return WorkQueueAnswer(*institution, call, call.Parameter("retrieveLocked") == "1");
  HttpReply error;
  Dictation* dictation = CalledDictation(*institution, call, error);
  if (dictation == nullptr) return error;
  if (call.number == "0101" || call.number == "0102") return Download(context, *dictation, call);
  if (!dictation->lockedBy.empty() && dictation->lockedBy != call.login)
    return Error(409, "Utterance " + std::to_string(dictation->utteranceID) + " is checked out to " + dictation->lockedBy);
  if (call.number == "0103") return ReceiveFile(*institution, *dictation, call);
  return Commit(*institution, *dictation, call);
}

}  // namespace

const ServletFamily& MainLoopServlets() {
  static const ServletFamily family{kRequests, Serve};
  return family;
}

}  // namespace vz::simulator
