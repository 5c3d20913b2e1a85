#pragma once
// Puts the diagnostics module in a known state for a test: logs in a temporary Logs folder,
// application folder beside it, trace level 4, and a scripted prompter that records every box.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "diagnostics/message_box.hpp"
#include "diagnostics/prompter.hpp"
#include "diagnostics/trace.hpp"
#include "temp_folder.hpp"

namespace vz::testing {

class DiagnosticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTraceModule();
    std::filesystem::create_directories(folder.Path() / "Logs");
    std::filesystem::create_directories(folder.Path() / "App");
    detailLog = folder / "Logs/Server.log";
    SetLogFilePath(detailLog);
    SetGlobalLogFile(folder / "Logs/Global.log");
    SetGlobalSummaryLogFile(folder / "Logs/Summary.log");
    SetApplicationPath(folder / "App");
    SetTraceLevel(4);
    prompter = std::make_shared<ScriptedPrompter>();
    SetPrompter(prompter);
  }
  void TearDown() override {
    SetPrompter(nullptr);
    ResetTraceModule();
  }

  std::string DetailLog() const { return ReadFile(detailLog); }
  std::filesystem::path AppFile(const std::string& name) const { return folder.Path() / "App" / name; }

  TempFolder folder;
  std::string detailLog;
  std::shared_ptr<ScriptedPrompter> prompter;
};

}  // namespace vz::testing
