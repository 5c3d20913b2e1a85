#include "simulator/servlets.hpp"

#include <algorithm>
#include <cctype>

#include "servlet_wire/basic_auth.hpp"
#include "servlet_wire/form_codec.hpp"
#include "servlet_wire/sha256.hpp"
#include "simulator/replay_store.hpp"
#include "simulator/servlets/servlet_family.hpp"
#include "simulator/wire_text.hpp"

namespace vz::simulator {
namespace {

constexpr std::string_view kServletSuffix = "/servlet/ScribeServlet";
constexpr std::string_view kInformationDirectory = "info";

const ServletFamily* const kFamilies[] = {&LoginAndInstitutionServlets(), &MainLoopServlets(), &ReferenceDataServlets(),
                                          &DictationOperationsServlets(), &SourceControlServlets()};

// The family serving a request number, with the number's call kind; null when none does.
const ServletFamily* FamilyOf(std::string_view number, std::string_view& kind) {
  for (const ServletFamily* family : kFamilies) {
    for (const RequestKind& request : family->requests) {
      if (request.number == number) {
        kind = request.kind;
        return family;
      }
    }
  }
  return nullptr;
}

}  // namespace

Servlets::Servlets(const std::vector<InstitutionConfig>& institutions, std::filesystem::path dataFolder)
    : dataFolder_(std::move(dataFolder)), replays_(std::make_unique<ReplayStore>()) {
  std::filesystem::create_directories(dataFolder_ / ".bodies");
  for (const InstitutionConfig& config : institutions) {
    const bool plain = !config.directory.empty() && config.directory != kInformationDirectory &&
                       std::all_of(config.directory.begin(), config.directory.end(), [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '_'; });
    if (!plain) throw std::invalid_argument("unusable institution directory name: " + config.directory);
    institutions_.push_back(std::make_unique<Institution>(config, dataFolder_ / config.directory));
  }
}

Servlets::~Servlets() = default;

bool Servlets::TakesFileBody(std::string_view target) {
  const Target split = SplitTarget(target);
  const auto found = split.query.find("request");
  return found != split.query.end() && (found->second == "0103" || found->second == "0408");
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
  std::string subject;  // the dictation and operation a call names, for the log
  const auto finish = [&](HttpReply answer) {
    if (!exchange.bodyFile.empty()) {
      std::error_code ignored;
      std::filesystem::remove(exchange.bodyFile, ignored);
    }
    if (log_) log_("POST " + target.path + " request=" + (number.empty() ? "-" : number) + " user=" + (login.empty() ? "-" : login) +
                   subject + " -> " + std::to_string(answer.status) + (answer.replayed ? " (replayed)" : "") +
                   (answer.drop ? " (dropped)" : "") + (answer.unanswered ? " (unanswered)" : "") +
                   (answer.fileOffset > 0 ? " (from byte " + std::to_string(answer.fileOffset) + ")" : ""));
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
  std::string_view kind;
  const ServletFamily* family = FamilyOf(number, kind);
  if (family == nullptr || (kind == "info") != (institution == nullptr)) return finish(Error(404, "Class Request" + number + " not found"));

  ServletCall call{number, {}, target.query, exchange, std::nullopt};
  if (exchange.contentType.rfind("application/x-www-form-urlencoded", 0) == 0)
    for (auto& [name, value] : servlet_wire::ParseForm(exchange.body)) call.parameters[name] = value;
  call.fault = faults_.Next(kind, call.Parameter("utteranceID"));
  for (const char* named : {"utteranceID", "operation"}) {
    const std::string value = call.Parameter(named);
    const bool plain = !value.empty() && value.size() <= 32 && std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isgraph(c); });
    if (plain) subject += " " + std::string(named) + "=" + value;
  }

  const auto credentials = servlet_wire::DecodeBasicAuthorization(exchange.authorization);
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
  // A call repeated under its Idempotency-Key is answered as it was the first time, not done again.
  const std::string& key = exchange.idempotencyKey;
  if (!key.empty() && !ReplayStore::UsableKey(key)) return finish(Error(400, "Bad Idempotency-Key"));
  const std::string caller = directory + "/" + login;
  const std::string called = number + " " + call.Parameter("utteranceID");
  if (auto replay = key.empty() ? std::nullopt : replays_->Find(caller, key, called)) {
    reply = std::move(*replay);
  } else {
    try {
      ServletContext context{institutions_, dataFolder_, baseURL_};
      reply = family->serve(context, institution, call);
    } catch (const std::exception& failure) {
      reply = Error(500, std::string("Simulator failure: ") + failure.what());
    }
    if (!key.empty()) replays_->Keep(caller, key, called, reply);
  }
  if (call.fault) {
    // Another round trip's wait and a servlet's think time look the same from the client's side.
    if (call.fault->kind == FaultKind::kDelay || call.fault->kind == FaultKind::kLatency) reply.delay = call.fault->delay;
    if (call.fault->kind == FaultKind::kCut) reply.cutAfter = call.fault->bytes;
    if (call.fault->kind == FaultKind::kBandwidth) reply.bytesPerSecond = call.fault->bytesPerSecond;
    if (call.fault->kind == FaultKind::kDrop) reply.drop = true;
    if (call.fault->kind == FaultKind::kLoseAnswer) reply.unanswered = true;
    // Only a body can fail its digest: a 304 names the file the client holds, and stays true.
    if (call.fault->kind == FaultKind::kCorruptDigest && reply.status != 304)
      for (auto& [name, value] : reply.headers)
        if (name == "X-Content-SHA256") value = servlet_wire::Sha256Hex("not the bytes sent");
  }
  return finish(reply);
}

bool IsCallKind(std::string_view kind) {
  for (const ServletFamily* family : kFamilies) {
    for (const RequestKind& request : family->requests) {
      if (request.kind == kind) return true;
    }
  }
  return false;
}

}  // namespace vz::simulator
