#pragma once
// clsConnectInfo: who the user is and where the institution's servers are. The request queue owns
// one and shares it with every request. Plain stored values; the password is never traced (the
// code that logs connection values writes asterisks in its place).
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "object/automation_object.hpp"

namespace vz {

class clsConnectInfo : public AutomationObject<clsConnectInfo> {
 public:
  static constexpr std::string_view kClassName = "clsConnectInfo";
  static void Describe(ClassBuilder<clsConnectInfo>& c);

  const std::string& DownloadPath() const { return downloadPath_; }
  void SetDownloadPath(std::string value) { downloadPath_ = std::move(value); }
  const std::string& Transcriptionist() const { return transcriptionist_; }
  void SetTranscriptionist(std::string value) { transcriptionist_ = std::move(value); }
  const std::string& Password() const { return password_; }
  void SetPassword(std::string value) { password_ = std::move(value); }
  const std::string& PenwrightClientPath() const { return penwrightClientPath_; }
  void SetPenwrightClientPath(std::string value) { penwrightClientPath_ = std::move(value); }
  const std::string& CurrentLocation() const { return currentLocation_; }
  void SetCurrentLocation(std::string value) { currentLocation_ = std::move(value); }
  std::int16_t CurrentLocationID() const { return currentLocationID_; }
  void SetCurrentLocationID(std::int16_t value) { currentLocationID_ = value; }
  const std::string& CurrentDatabaseURL() const { return currentDatabaseURL_; }
  void SetCurrentDatabaseURL(std::string value) { currentDatabaseURL_ = std::move(value); }
  const std::string& InformationURL() const { return informationURL_; }
  void SetInformationURL(std::string value) { informationURL_ = std::move(value); }
  const std::string& InstitutionID() const { return institutionID_; }
  void SetInstitutionID(std::string value) { institutionID_ = std::move(value); }
  const std::string& PenwrightVersion() const { return penwrightVersion_; }
  void SetPenwrightVersion(std::string value) { penwrightVersion_ = std::move(value); }
  const std::string& MachineID() const { return machineID_; }
  void SetMachineID(std::string value) { machineID_ = std::move(value); }
  const std::string& Realm() const { return realm_; }
  void SetRealm(std::string value) { realm_ = std::move(value); }
  const std::string& InstitutionDirectory() const { return institutionDirectory_; }
  void SetInstitutionDirectory(std::string value) { institutionDirectory_ = std::move(value); }
  const std::string& RealTimePath() const { return realTimePath_; }
  void SetRealTimePath(std::string value) { realTimePath_ = std::move(value); }
  const std::string& RealTimeTemplateChooser() const { return realTimeTemplateChooser_; }
  void SetRealTimeTemplateChooser(std::string value) { realTimeTemplateChooser_ = std::move(value); }
  const std::string& CurrentUrlStem() const { return currentUrlStem_; }
  void SetCurrentUrlStem(std::string value) { currentUrlStem_ = std::move(value); }

 private:
  std::string downloadPath_;
  std::string transcriptionist_;
  std::string password_;
  std::string penwrightClientPath_;
  std::string currentLocation_;
  std::int16_t currentLocationID_ = 0;
  std::string currentDatabaseURL_;
  std::string informationURL_;
  std::string institutionID_;
  std::string penwrightVersion_;
  std::string machineID_;
  std::string realm_;
  std::string institutionDirectory_;
  std::string realTimePath_;
  std::string realTimeTemplateChooser_;
  std::string currentUrlStem_;
};

}  // namespace vz
