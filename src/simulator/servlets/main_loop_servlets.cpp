// The editor's main loop: the work queue (0100), the audio (0101) and text (0102) downloads, and
// the upload of a dictation's files (0103) with its commit (0104).
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
