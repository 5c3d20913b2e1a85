// The workstation certificate: a file per realm, login and location under the application folder
// whose first line, the moment it was made, identifies this workstation to the secure login, the
// certificate request and the compressed lists.
#include <chrono>
#include <cstdio>
#include <system_error>
#include <filesystem>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "execution/database_request.hpp"
#include "model/connect_info.hpp"
#include "platform/files.hpp"
#include "platform/local_time.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";

// A realm or login becomes a folder name: it must name one folder inside its parent.
void RequireFolderName(const std::string& name, std::string_view what) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos) {
    RaiseServerError("Invalid " + std::string(what) + " for the certificate folder: " + name);
  }
}

// "MMDDYYhhnnss" in local time.
std::string sfnShortMachineID() {
  const auto now = platform::ToLocalDateTime(std::chrono::system_clock::now());
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", now.month, now.day, now.year % 100, now.hour, now.minute,
                now.second);
  return text;
}

}  // namespace

std::string clsDatabaseRequest::CertificateFile() const {
  return ErrorTrap(kClass, "CertificateFile")([&] { return CertificatePath(); });
}

std::string clsDatabaseRequest::CertificatePath() const {
  const std::string realm = connectionInfo_ ? connectionInfo_->Realm() : std::string();
  const std::string login = connectionInfo_ ? connectionInfo_->Transcriptionist() : std::string();
  RequireFolderName(realm, "realm");
  RequireFolderName(login, "login");
  const std::string locationID = std::to_string(connectionInfo_ ? connectionInfo_->CurrentLocationID() : 0);
  return ApplicationPath() + "/Logins/" + realm + "/" + login + "/" + locationID + ".cfg";
}

std::string clsDatabaseRequest::Certificate() {
  return ErrorTrap(kClass, "Certificate")([&]() -> std::string {
    const std::string file = CertificatePath();
    if (!platform::IsRegularFile(file)) CreateCertificate();
    return GetCertificate(file);
  });
}

std::string clsDatabaseRequest::GetCertificate(const std::string& sFile) const {
  return ErrorTrap(kClass, "GetCertificate")([&]() -> std::string {
    const auto contents = platform::ReadWholeFile(sFile);
    if (!contents) Raise(53, "File not found");
    const std::string firstLine = contents->substr(0, contents->find_first_of("\r\n"));
    return firstLine;
  });
}

void clsDatabaseRequest::CreateCertificate() {
  ErrorTrap(kClass, "CreateCertificate")([&] {
    const std::string file = CertificatePath();
    std::string folder = ApplicationPath() + "/Logins";
    SafeMakeDir(folder);
    folder += "/" + connectionInfo_->Realm();
    SafeMakeDir(folder);
    folder += "/" + connectionInfo_->Transcriptionist();
    SafeMakeDir(folder);
    const std::string certificate = sfnShortMachineID();
    GlobalTrace("clsDatabaseRequest.CreateCertificate", "Writing certificate " + certificate + " to " + file);
    certificateProblem_.clear();
    try {
      platform::WriteFileAtomically(file, certificate + "\r\n");
    } catch (const std::system_error& failure) {
      certificateProblem_ = "The workstation certificate " + file + " could not be written: " + failure.code().message();
      throw;
    }
  });
}

}  // namespace vz
