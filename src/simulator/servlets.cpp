#include "simulator/servlets.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "simulator/wire_text.hpp"

namespace vz::simulator {
namespace {

constexpr std::string_view kServletSuffix = "/servlet/ScribeServlet";
constexpr std::string_view kInformationDirectory = "info";
constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

struct RequestInfo {
  std::string_view number;
  std::string_view kind;
};
constexpr RequestInfo kRequests[] = {
    {"0010", "ping"},       {"0011", "info"},         {"0012", "login"},        {"0100", "workqueue"},
    {"0101", "download"},   {"0102", "text"},         {"0103", "upload"},       {"0104", "commit"},
    {"0105", "sourcecontrol"}, {"0107", "lockedlist"}, {"0201", "lists"},       {"0009", "templatetime"},
    {"0220", "templatelist"}, {"0231", "dictionaries"},
};

std::string_view KindOf(std::string_view number) {
  for (const RequestInfo& request : kRequests)
    if (request.number == number) return request.kind;
  return {};
}

HttpReply Xml(std::string body) {
  HttpReply reply;
  reply.body = kXmlDeclaration + std::move(body);
  return reply;
}

HttpReply Error(int status, std::string_view message) {
  HttpReply reply;
  reply.status = status;
  reply.body = ErrorDocument(message);
  return reply;
}

std::string Element(std::string_view name, std::string_view value) {
  return "<" + std::string(name) + ">" + EscapeXml(value) + "</" + std::string(name) + ">";
}

std::string Row(const Institution& institution, const Dictation& dictation) {
  const InstitutionConfig& config = institution.Config();
  const std::string id = std::to_string(dictation.utteranceID);
  std::string row = "  <Row>\n";
  const auto add = [&row](std::string_view name, std::string_view value) { row += "    " + Element(name, value) + "\n"; };
  add("utteranceID", id);
  add("locationID", std::to_string(config.locationID));
  add("queueStatus", dictation.queueStatus);
  add("documentVersion", dictation.documentVersion);
  add("priority", std::to_string(dictation.priority));
  add("StatusCode", "0");
  add("speakerCode", dictation.speakerCode);
  add("speakerName", dictation.speakerName);
  add("workType", dictation.workType);
  add("dictationDate", "03/12/2026 09:41:07");
  add("duration", std::to_string(dictation.durationSeconds));
  add("institutionID", std::to_string(config.institutionID));
  add("institutionName", config.name);
  add("patientName", dictation.patientName);
  add("medicalRecordNumber", dictation.medicalRecordNumber);
  add("visitCode", "V-" + id);
  add("isLinkDictationAllowed", "Y");
  add("isSplitDictationAllowed", "Y");
  row += "  </Row>\n";
  return row;
}

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
  std::ofstream out(to, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out.flush());
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> names;
  while (!text.empty()) {
    const auto comma = text.find(',');
    if (const std::string_view name = text.substr(0, comma); !name.empty()) names.emplace_back(name);
    text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
  }
  return names;
}

}  // namespace

std::string ErrorDocument(std::string_view message) {
  return std::string(kXmlDeclaration) + "<ErrorResponse>" + Element("Message", message) + "</ErrorResponse>\n";
}

struct Servlets::Call {
  std::string number;
  std::string login;
  std::map<std::string, std::string> parameters;
  const HttpExchange& exchange;
  std::optional<Fault> fault;

  std::string Parameter(const std::string& name) const {
    const auto found = parameters.find(name);
    return found == parameters.end() ? std::string() : found->second;
  }
};

Servlets::Servlets(const std::vector<InstitutionConfig>& institutions, std::filesystem::path dataFolder)
    : dataFolder_(std::move(dataFolder)) {
  std::filesystem::create_directories(dataFolder_ / ".bodies");
  for (const InstitutionConfig& config : institutions) {
    const bool plain = !config.directory.empty() && config.directory != kInformationDirectory &&
                       std::all_of(config.directory.begin(), config.directory.end(), [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '_'; });
    if (!plain) throw std::invalid_argument("unusable institution directory name: " + config.directory);
    institutions_.push_back(std::make_unique<Institution>(config, dataFolder_ / config.directory));
  }
}

bool Servlets::TakesFileBody(std::string_view target) {
  const Target split = SplitTarget(target);
  const auto found = split.query.find("request");
  return found != split.query.end() && found->second == "0103";
}

std::filesystem::path Servlets::NewBodyFile() {
  std::lock_guard lock(mutex_);
  return dataFolder_ / ".bodies" / ("body-" + std::to_string(++bodyCounter_));
}

void Servlets::SetBaseURL(std::string baseURL) {
  std::lock_guard lock(mutex_);
  baseURL_ = std::move(baseURL);
}

void Servlets::SetLog(std::function<void(const std::string&)> log) {
  std::lock_guard lock(mutex_);
  log_ = std::move(log);
}

void Servlets::Inspect(std::string_view directory, const std::function<void(const Institution&)>& visit) {
  std::lock_guard lock(mutex_);
  if (Institution* institution = FindInstitution(directory)) visit(*institution);
}

std::vector<std::string> Servlets::Directories() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& institution : institutions_) names.push_back(institution->Config().directory);
  return names;
}

Institution* Servlets::FindInstitution(std::string_view directory) {
  for (const auto& institution : institutions_)
    if (institution->Config().directory == directory) return institution.get();
  return nullptr;
}

HttpReply Servlets::Handle(const HttpExchange& exchange) {
  std::lock_guard lock(mutex_);
  const Target target = SplitTarget(exchange.target);
  HttpReply reply;
  std::string login;
  std::string number;
  const auto finish = [&](HttpReply answer) {
    if (!exchange.bodyFile.empty()) {
      std::error_code ignored;
      std::filesystem::remove(exchange.bodyFile, ignored);
    }
    if (log_) log_("POST " + target.path + " request=" + (number.empty() ? "-" : number) + " user=" + (login.empty() ? "-" : login) +
                   " -> " + std::to_string(answer.status) + (answer.drop ? " (dropped)" : ""));
    return answer;
  };

  const bool isServlet = target.path.size() > kServletSuffix.size() + 1 && target.path.front() == '/' &&
                         target.path.compare(target.path.size() - kServletSuffix.size(), kServletSuffix.size(), kServletSuffix) == 0;
  const std::string directory = isServlet ? target.path.substr(1, target.path.size() - kServletSuffix.size() - 1) : "";
  Institution* institution = FindInstitution(directory);
  if (!isServlet || (institution == nullptr && directory != kInformationDirectory))
    return finish(Error(404, "No servlet at " + target.path));

  const auto requestNumber = target.query.find("request");
  if (requestNumber == target.query.end() || requestNumber->second.empty()) return finish(Error(400, "Missing request number"));
  number = requestNumber->second;
  const std::string_view kind = KindOf(number);
  if (kind.empty() || (kind == "info") != (institution == nullptr)) return finish(Error(404, "Class Request" + number + " not found"));

  Call call{number, {}, target.query, exchange, faults_.Next(kind)};
  if (exchange.contentType.rfind("application/x-www-form-urlencoded", 0) == 0)
    for (auto& [name, value] : ParseForm(exchange.body)) call.parameters[name] = value;

  const auto credentials = DecodeBasicAuthorization(exchange.authorization);
  login = credentials ? credentials->login : "";
  call.login = login;
  bool accepted = false;
  for (const auto& candidate : institutions_) {
    if (institution != nullptr && candidate.get() != institution) continue;
    accepted = accepted || (credentials && credentials->login == candidate->Config().login && credentials->password == candidate->Config().password);
  }
  if (!accepted || (call.fault && call.fault->kind == FaultKind::kRejectCredentials))
    return finish(Error(403, "Error verifying security rights for user " + login + "."));

  if (call.fault && call.fault->kind == FaultKind::kStatus) {
    HttpReply failure = Error(call.fault->status, call.fault->message);
    if (call.fault->message.empty()) {
      failure.contentType = "text/html";
      failure.body = "<html><body>Service unavailable</body></html>";
    }
    return finish(failure);
  }
  try {
    reply = Serve(institution, call);
  } catch (const std::exception& failure) {
    reply = Error(500, std::string("Simulator failure: ") + failure.what());
  }
  if (call.fault) {
    if (call.fault->kind == FaultKind::kDelay) reply.delay = call.fault->delay;
    if (call.fault->kind == FaultKind::kDrop) reply.drop = true;
    if (call.fault->kind == FaultKind::kCorruptDigest)
      for (auto& [name, value] : reply.headers)
        if (name == "X-Content-SHA256") value = Sha256Hex("not the bytes sent");
  }
  return finish(reply);
}

HttpReply Servlets::Serve(Institution* institution, Call& call) {
  const std::string& number = call.number;
  if (number == "0011") {
    const std::string location = call.Parameter("location");
    for (const auto& candidate : institutions_) {
      const InstitutionConfig& config = candidate->Config();
      if (config.name != location && config.directory != location) continue;
      const std::string stem = baseURL_ + "/" + config.directory;
      return Xml("<InfoResponse>\n  <Institution>\n    " + Element("locationID", std::to_string(config.locationID)) + "\n    " +
                 Element("name", config.name) + "\n    " + Element("institutionID", std::to_string(config.institutionID)) + "\n    " +
                 Element("directoryName", config.directory) + "\n    " + Element("urlStem", stem) + "\n    " +
                 Element("url", stem + std::string(kServletSuffix)) + "\n    <webPath></webPath>\n    <realTimeTemplateChooser></realTimeTemplateChooser>\n" +
                 "  </Institution>\n  <InformationServlets>\n    " + Element("url", baseURL_ + "/info" + std::string(kServletSuffix)) +
                 "\n  </InformationServlets>\n</InfoResponse>\n");
    }
    return Error(404, "Location " + location + " not found");
  }

  const InstitutionConfig& config = institution->Config();
  if (number == "0010")
    return Xml("<InfoResponse><Ping locationID=\"" + std::to_string(config.locationID) + "\" time=\"03/12/2026 09:41:07\"/></InfoResponse>\n");
  if (number == "0012")
    return Xml("<InfoResponse><Login login=\"" + EscapeXml(call.login) + "\" locationID=\"" + std::to_string(config.locationID) +
               "\" certificate=\"" + EscapeXml(call.Parameter("certificate")) + "\"/></InfoResponse>\n");
  if (number == "0009")
    return Xml("<InfoResponse Day=\"12\" Month=\"3\" Year=\"2026\" Hour=\"9\" Minute=\"41\" Second=\"7\"/>\n");
  if (number == "0220") return Xml("<InfoResponse><Count>0</Count></InfoResponse>\n");
  if (number == "0231") return Xml("<InfoResponse></InfoResponse>\n");
  if (number == "0201") {
    std::string lists = "<InfoResponse>\n";
    for (const Dictation& dictation : institution->Dictations())
      lists += "  <Speaker code=\"" + EscapeXml(dictation.speakerCode) + "\">" + EscapeXml(dictation.speakerName) + "</Speaker>\n";
    lists += "  <WorkType id=\"1\">Consultation</WorkType>\n  <WorkType id=\"2\">Discharge Summary</WorkType>\n</InfoResponse>\n";
    return Xml(lists);
  }
  if (number == "0100" || number == "0107") {
    const bool lockedOnly = number == "0107" || call.Parameter("retrieveLocked") == "1";
    const std::string location = call.Parameter("retrieveLocation");
    const std::string wanted = call.Parameter("numToRetrieve");
    long limit = -1;
    try {
      if (!wanted.empty()) limit = std::stol(wanted);
      if (!location.empty() && std::stol(location) >= 0 && std::stol(location) != config.locationID) limit = 0;
    } catch (const std::exception&) {
      return Error(400, "Bad numToRetrieve or retrieveLocation");
    }
    std::string rows;
    long count = 0;
    for (const Dictation& dictation : institution->Dictations()) {
      if (limit >= 0 && count >= limit) break;
      if (dictation.completed || (lockedOnly ? dictation.lockedBy != call.login : !dictation.lockedBy.empty() && dictation.lockedBy != call.login)) continue;
      rows += Row(*institution, dictation);
      ++count;
    }
    return Xml(rows.empty() ? "<InfoResponse/>\n" : "<InfoResponse>\n" + rows + "</InfoResponse>\n");
  }

  // Dictation calls.
  const std::string id = call.Parameter("utteranceID");
  if (id.empty()) return Error(400, "Missing parameter utteranceID");
  Dictation* dictation = institution->Find(id);
  if (dictation == nullptr) return Error(404, "No such dictation");

  if (number == "0101" || number == "0102") {
    HttpReply reply;
    const bool audio = number == "0101";
    reply.file = audio ? dictation->audio : dictation->text;
    std::string digest = audio ? dictation->audioDigest : dictation->textDigest;
    if (audio && call.fault && call.fault->kind == FaultKind::kCorruptChecksum) {
      const std::filesystem::path copy = dataFolder_ / ".bodies" / ("corrupt-" + id + ".pcm");
      if (!WriteCorruptCopy(dictation->audio, copy)) return Error(500, "Cannot prepare the corrupt copy");
      reply.file = copy;
      digest = Sha256HexOfFile(copy);
    }
    reply.contentType = audio ? "audio/x-nist-sphere" : "application/rtf";
    reply.headers.emplace_back("X-Content-SHA256", digest);
    reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + reply.file.filename().string() + "\"");
    if (audio && call.fault && call.fault->kind == FaultKind::kCorruptChecksum) reply.headers.back().second = "attachment; filename=\"Local_" + id + ".pcm\"";
    if (audio && dictation->literalProcessed) reply.headers.emplace_back("X-Literal-Processed", "true");
    return reply;
  }

  if (!dictation->lockedBy.empty() && dictation->lockedBy != call.login && (number == "0103" || number == "0104"))
    return Error(409, "Utterance " + id + " is checked out to " + dictation->lockedBy);

  if (number == "0103") {
    const std::string name = call.Parameter("fileName");
    if (!IsDictationFileName(name, id)) return Error(400, "Refused file name " + name);
    if (call.exchange.bodyFile.empty()) return Error(400, "No file in the request");
    if (call.exchange.contentDigest.empty() || Sha256HexOfFile(call.exchange.bodyFile) != call.exchange.contentDigest)
      return Error(422, "CHECKSUM mismatch for " + name);
    const std::filesystem::path folder = institution->IncomingFolder(dictation->utteranceID);
    std::filesystem::create_directories(folder);
    std::filesystem::rename(call.exchange.bodyFile, folder / name);
    return Xml("<InfoResponse><Received fileName=\"" + EscapeXml(name) + "\" bytes=\"" +
               std::to_string(std::filesystem::file_size(folder / name)) + "\"/></InfoResponse>\n");
  }

  if (number == "0104") {
    const std::vector<std::string> names = SplitList(call.Parameter("files"));
    if (names.empty()) return Error(400, "Missing parameter files");
    const std::filesystem::path incoming = institution->IncomingFolder(dictation->utteranceID);
    for (const std::string& name : names) {
      if (!IsDictationFileName(name, id)) return Error(400, "Refused file name " + name);
      if (!std::filesystem::exists(incoming / name)) return Error(409, "Upload of " + name + " is missing");
    }
    const std::filesystem::path uploads = institution->UploadFolder(dictation->utteranceID);
    std::filesystem::create_directories(uploads);
    for (const std::string& name : names) std::filesystem::rename(incoming / name, uploads / name);
    dictation->documentVersion = std::to_string(std::stol(dictation->documentVersion) + 1);
    return Xml("<InfoResponse><Uploaded utteranceID=\"" + id + "\" documentVersion=\"" + dictation->documentVersion +
               "\" files=\"" + std::to_string(names.size()) + "\"/></InfoResponse>\n");
  }

  if (number == "0105") {
    const std::string operation = call.Parameter("operation");
    if (operation == "1" || operation == "6") {
      if (!dictation->lockedBy.empty() && dictation->lockedBy != call.login)
        return Error(409, "Utterance " + id + " is checked out to " + dictation->lockedBy);
      dictation->lockedBy = call.login;
    } else if (operation == "2" || operation == "4" || operation == "9") {
      if (dictation->lockedBy != call.login) return Error(409, "Utterance " + id + " is not checked out to " + call.login);
      dictation->lockedBy.clear();
      dictation->completed = true;
    } else if (operation == "3" || operation == "8") {
      if (dictation->lockedBy == call.login) dictation->lockedBy.clear();
    } else if (operation != "5" && operation != "7") {
      return Error(400, "Unknown operation " + operation);
    }
    return Xml("<InfoResponse><SourceControl utteranceID=\"" + id + "\" operation=\"" + EscapeXml(operation) + "\" lockedBy=\"" +
               EscapeXml(dictation->lockedBy) + "\"/></InfoResponse>\n");
  }
  return Error(404, "Class Request" + number + " not found");
}

}  // namespace vz::simulator
