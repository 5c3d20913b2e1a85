#pragma once
// A request on its own, without a server, whose connection names a download folder of the test.
#include <filesystem>
#include <memory>

#include "diagnostics_fixture.hpp"
#include "execution/database_request.hpp"
#include "model/connect_info.hpp"

namespace vz::testing {

class LoneRequestTest : public DiagnosticsTest {
 protected:
  void SetUp() override {
    DiagnosticsTest::SetUp();
    std::filesystem::create_directories(downloads);
    info->SetDownloadPath(downloads.string());
    request->SetConnectionInfo(info);
  }
  std::filesystem::path downloads = folder.Path() / "Downloads";
  std::shared_ptr<clsConnectInfo> info = std::make_shared<clsConnectInfo>();
  std::shared_ptr<clsDatabaseRequest> request = std::make_shared<clsDatabaseRequest>(std::weak_ptr<RequestHost>{}, nullptr);
};

}  // namespace vz::testing
