#pragma once
// Dictation tests run with the dictation classes registered, a wall clock they set, the date
// settings at their defaults and a fixed time zone (TZ), so dates and files are deterministic.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "raised_by.hpp"
#include "diagnostics/automation_error.hpp"
#include "dispatch_fixture.hpp"
#include "dictation/register_dictation_classes.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/wall_clock.hpp"
#include "model/process_settings.hpp"

namespace vz::testing {

class DictationTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    const char* zone = std::getenv("TZ");
    savedZone_ = zone ? std::optional<std::string>(zone) : std::nullopt;
    UseZone("America/New_York");
    RegisterDictationClasses(registry);
    CurrentProcessSettings().useCustomDateFormat = false;
    CurrentProcessSettings().dateAndTimeFormat.clear();
    SetNow(2026, 12, 3, 10, 15, 0);
    dictation::SetWallClock([this] { return now_; });
  }
  void TearDown() override {
    dictation::SetWallClock(nullptr);
    CurrentProcessSettings() = ProcessSettings{};
    if (savedZone_) ::setenv("TZ", savedZone_->c_str(), 1); else ::unsetenv("TZ");
    ::tzset();
    DispatchTest::TearDown();
  }

  static void UseZone(const char* zone) {
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  // The wall clock, in local time.
  void SetNow(int year, int month, int day, int hour, int minute, int second) {
    now_ = LocalInstant(year, month, day, hour, minute, second);
  }
  void AdvanceSeconds(int seconds) { now_ += std::chrono::seconds(seconds); }
  static std::chrono::system_clock::time_point LocalInstant(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
  }

  std::shared_ptr<clsUtteranceObject> NewUtterance() { return Create<clsUtteranceObject>(); }
  std::string Path(const std::string& name) const { return folder / name; }
  std::string ErrorsLog() const { return ReadFile(ErrorsLogPath()); }

 private:
  std::chrono::system_clock::time_point now_;
  std::optional<std::string> savedZone_;
};

// Lines of a CR LF text, without their ends.
inline std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace vz::testing
