#include "model/connect_info.hpp"

namespace vz {

void clsConnectInfo::Describe(ClassBuilder<clsConnectInfo>& c) {
  using C = clsConnectInfo;
  c.Creatable()
      .Property("DownloadPath", &C::DownloadPath, &C::SetDownloadPath)
      .Property("Transcriptionist", &C::Transcriptionist, &C::SetTranscriptionist)
      .Property("Password", &C::Password, &C::SetPassword)
      .Property("PenwrightClientPath", &C::PenwrightClientPath, &C::SetPenwrightClientPath)
      .Property("CurrentLocation", &C::CurrentLocation, &C::SetCurrentLocation)
      .Property("CurrentLocationID", &C::CurrentLocationID, &C::SetCurrentLocationID)
      .Property("CurrentDatabaseURL", &C::CurrentDatabaseURL, &C::SetCurrentDatabaseURL)
      .Property("InformationURL", &C::InformationURL, &C::SetInformationURL)
      .Property("InstitutionID", &C::InstitutionID, &C::SetInstitutionID)
      .Property("PenwrightVersion", &C::PenwrightVersion, &C::SetPenwrightVersion)
      .Property("MachineID", &C::MachineID, &C::SetMachineID)
      .Property("Realm", &C::Realm, &C::SetRealm)
      .Property("InstitutionDirectory", &C::InstitutionDirectory, &C::SetInstitutionDirectory)
      .Property("RealTimePath", &C::RealTimePath, &C::SetRealTimePath)
      .Property("RealTimeTemplateChooser", &C::RealTimeTemplateChooser, &C::SetRealTimeTemplateChooser)
      .Property("CurrentUrlStem", &C::CurrentUrlStem, &C::SetCurrentUrlStem);
}

}  // namespace vz
