// How long a dictation was open for work, net of pauses, the audio speed it was left at, and its
// due date in local time. Seconds are counted as second boundaries crossed between two local
// date texts, as date differences on whole-second dates count them.
#include "diagnostics/error_log.hpp"
#include "dictation/date_text.hpp"
#include "dictation/property_conversions.hpp"
#include "dictation/utterance_common.hpp"
#include "dictation/utterance_object.hpp"
#include "object/standard_errors.hpp"

namespace vz {

using namespace dictation;

std::string clsUtteranceObject::FileOpened() const {
  return RaiseTrap(RaisedIn("FileOpened"))([&] { return sfnRetrievePropertyValue("FileOpened"); });
}

void clsUtteranceObject::SetFileOpened(const std::string& v) {
  RaiseTrap(RaisedIn("FileOpened"))([&] {
    GlobalTrace(TraceAt("FileOpened"), std::to_string(UtteranceID()) + " opened at " + v);
    AssignPropertyValue("FileOpened", v);
  });
}

std::int32_t clsUtteranceObject::AggregateTimeOpen() const {
  return RaiseTrap(RaisedIn("AggregateTimeOpen"))([&] { return LongFromText(sfnRetrievePropertyValue("AggregateTimeOpen")); });
}

void clsUtteranceObject::CalculateTimeOpen(const std::string& sCloseTime) {
  ErrorTrap(kUtteranceClass, "CalculateTimeOpen")([&] {
    const std::string location = TraceAt("CalculateTimeOpen");
    GlobalTrace(location, std::to_string(UtteranceID()) + " closed at " + sCloseTime);
    const std::string opened = FileOpened();
    const auto open = ParseWithServerSetting(opened);
    const auto close = ParseWithServerSetting(sCloseTime);
    if (!open || !close) {
      GlobalErrorsLog(location, "Bad date format. Open: " + opened + ". Close: " + sCloseTime);
      return;
    }
    std::int64_t total = AggregateTimeOpen() + SecondsBetween(*open, *close);
    GlobalTrace(location, "Total time open (not including any pauses): " + std::to_string(total));
    total -= TimePaused();
    AssignPropertyValue("AggregateTimeOpen", std::to_string(total));
    GlobalTrace(location, "Calculated total seconds open (including pauses) as: " + std::to_string(total));
    WriteObjectToConfigFile(configFile_);
  });
}

void clsUtteranceObject::StartPause() {
  ErrorTrap(kUtteranceClass, "StartPause")([&] {
    pauseStart_ = GeneralDateText(LocalNow());
    GlobalTrace(TraceAt("StartPause"), "Starting pause at " + pauseStart_);
  });
}

void clsUtteranceObject::ResumeFromPause() {
  RaiseTrap(RaisedIn("ResumeFromPause"))([&] {
    const auto start = ParseDateText(pauseStart_);
    if (!start) RaiseStandardError(kErrTypeMismatch, "no pause was started");
    SetTimePaused(static_cast<std::int32_t>(SecondsBetween(*start, LocalNow())));
    GlobalTrace(TraceAt("ResumeFromPause"), "TimePaused = " + std::to_string(TimePaused()));
  });
}

std::int32_t clsUtteranceObject::TimePaused() const {
  return RaiseTrap(RaisedIn("TimePaused"))([&] {
    const std::int32_t seconds = LongFromText(sfnRetrievePropertyValue("TimePaused"));
    GlobalTrace(TraceAt("TimePaused"), "Returning " + std::to_string(seconds));
    return seconds;
  });
}

void clsUtteranceObject::SetTimePaused(std::int32_t seconds) {
  RaiseTrap(RaisedIn("TimePaused"))([&] {
    const std::int32_t current = TimePaused();
    GlobalTrace(TraceAt("TimePaused"), "TimePaused Before Assignment = " + std::to_string(current));
    GlobalTrace(TraceAt("TimePaused"), "Seconds Paused: " + std::to_string(seconds));
    AssignPropertyValue("TimePaused", std::to_string(static_cast<std::int64_t>(current) + seconds));
  });
}

std::int16_t clsUtteranceObject::ClosingAudioSpeed() const {
  return RaiseTrap(RaisedIn("ClosingAudioSpeed"))([&] { return IntegerFromText(sfnRetrievePropertyValue("ClosingAudioSpeed")); });
}

void clsUtteranceObject::SetClosingAudioSpeed(std::int16_t v) {
  RaiseTrap(RaisedIn("ClosingAudioSpeed"))([&] {
    AssignPropertyValue("ClosingAudioSpeed", std::to_string(v));
    WriteObjectToConfigFile(configFile_);
  });
}

std::string clsUtteranceObject::LocalDueDate() const {
  return ErrorTrap(kUtteranceClass, "LocalDueDate")([&] {
    constexpr std::string_view kLocation = "VizorareZazizuzEravovV10.clsUtteranceObject.LocalDueDate";
    const std::string gmt = sfnRetrievePropertyValue("GMTDueDate");
    GlobalTrace(kLocation, "LocalDueDate prior in GMT:" + gmt);
    std::string local;
    if (const auto utc = ParseDateText(gmt)) {
      local = GeneralDateText(UtcToLocal(*utc));
    } else {
      GlobalErrorsLog("ModPenwrightClientUtils.GMTToLocalTime", "Could not convert the following date from GMT to Local Time:" + gmt);
    }
    GlobalTrace(kLocation, "LocalDueDate after in Local:" + local);
    return local;
  });
}

}  // namespace vz
