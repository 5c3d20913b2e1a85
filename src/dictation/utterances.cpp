#include "dictation/utterances.hpp"

#include <source_location>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsUtterances";

std::int32_t& InstanceCounter() {
  static std::int32_t counter = 0;
  return counter;
}

int CurrentLine(std::source_location where = std::source_location::current()) { return static_cast<int>(where.line()); }

}  // namespace

clsUtterances::clsUtterances() : instance_(InstanceCounter()++) {
  if (TraceLevel() >= kTraceProgress) GlobalTrace("clsUtterances.TermInit", "Initialize [" + std::to_string(instance_) + "]");
}

clsUtterances::~clsUtterances() {
  try {
    if (TraceLevel() >= kTraceProgress) GlobalTrace("clsUtterances.TermInit", "Terminate[" + std::to_string(instance_) + "]");
  } catch (...) {
    // A trace that cannot be written must not stop the collection from going.
  }
}

std::int32_t clsUtterances::InstancesCreated() { return InstanceCounter(); }

void clsUtterances::AddKeyed(std::shared_ptr<clsUtteranceObject> utterance, const std::string& key,
                             std::string_view operation, int line) {
  try {
    utterances_.Add(std::move(utterance), key);
  } catch (...) {
    const AutomationError error = CurrentErrorAsAutomationError(line);
    throw AutomationError(error.Number(),
                          error.Description() + "\r\nOriginal raised at line " + std::to_string(line) + " of " +
                              std::string(kClass) + "." + std::string(operation),
                          error.Source(), line);
  }
}

std::shared_ptr<clsUtteranceObject> clsUtterances::Add(std::int32_t lUtteranceID, std::int32_t lLocationID,
                                                       const std::string& sStatus, const std::string& sConfigFile,
                                                       const std::string& sDocumentVersion) {
  GlobalTrace("ZERUredozV10.clsUtterances.Add", "Entering Function");
  auto utterance = std::make_shared<clsUtteranceObject>();
  utterance->SetLocationID(lLocationID);
  utterance->SetUtteranceID(lUtteranceID);
  utterance->SetID("U" + std::to_string(lUtteranceID));
  utterance->SetOriginalStatus(sStatus);
  utterance->SetStatus(sStatus);
  utterance->SetDocumentVersion(sDocumentVersion);
  const std::string key = utterance->ID() + "." + sDocumentVersion;
  GlobalTrace("clsUtterances.Add", "Adding:" + key);
  GlobalTrace("clsUtterances.Add", "Assigning " + sConfigFile + " to ConfigFile Property");
  utterance->SetConfigFile(sConfigFile);
  AddKeyed(utterance, key, "Add", CurrentLine());
  return utterance;
}

std::shared_ptr<clsUtteranceObject> clsUtterances::AddCompleteObject(std::shared_ptr<clsUtteranceObject> objUtterance,
                                                                     const std::string& sConfigFile) {
  if (!objUtterance) RaiseStandardError(kErrObjectNotSet);
  const std::string id = std::to_string(objUtterance->UtteranceID());
  objUtterance->SetID("U" + id);
  if (TraceLevel() >= kTraceDetail) {
    GlobalTrace("clsUtterances.AddCompleteObject", "Assigning " + sConfigFile + " to ConfigFile property.");
  }
  objUtterance->SetConfigFile(sConfigFile);
  const std::string version = objUtterance->DocumentVersion();
  const std::string key = "U" + id + "." + version;
  if (TraceLevel() >= kTraceProgress) {
    GlobalTrace("ZERUredozV10.clsUtterances.AddCompleteObject", "No U: sUtterances:" + id + " docVersion:" + version);
    GlobalTrace("ZERUredozV10.clsUtterances.AddCompleteObject", key);
  }
  AddKeyed(objUtterance, key, "AddCompleteObject", CurrentLine());
  return objUtterance;
}

std::shared_ptr<clsUtteranceObject> clsUtterances::Lookup(const std::string& id, const std::string& version) const {
  if (!version.empty()) return utterances_.Item(std::string_view(id + "." + version));
  return utterances_.Item(static_cast<std::int32_t>(Value(id).ToInteger()));
}

std::shared_ptr<clsUtteranceObject> clsUtterances::Item(const std::string& sUtterances,
                                                        std::optional<std::string> docVersion) const {
  const std::string version = docVersion.value_or("");
  constexpr std::string_view kLocation = "ZERUredozV10.clsUtterances.Item";
  GlobalTrace(kLocation, "sUtterances:" + sUtterances + " docVersion:" + version);
  GlobalTrace(kLocation, "Count: " + std::to_string(Count()));
  try {
    return Lookup(sUtterances, version);
  } catch (...) {
    const AutomationError error = CurrentErrorAsAutomationError();
    GlobalTrace(kLocation, "Error ignored: " + std::to_string(error.Number()) + " " + error.Description());
    return nullptr;
  }
}

void clsUtterances::Remove(const std::string& sUtterances, std::optional<std::string> docVersion) {
  ErrorTrap(kClass, "Remove")([&] {
    const std::string version = docVersion.value_or("");
    GlobalTrace("ZERUredozV10.clsUtterances.Remove", "sUtterances:" + sUtterances + " docVersion:" + version);
    if (!version.empty()) {
      utterances_.Remove(std::string_view(sUtterances + "." + version));
    } else {
      utterances_.Remove(static_cast<std::int32_t>(Value(sUtterances).ToInteger()));
    }
  });
}

bool clsUtterances::UtterancePresent(const std::string& sUtterances, std::optional<std::string> docVersion) const {
  const std::string key = sUtterances + "." + docVersion.value_or("");
  const bool present = utterances_.Contains(key);
  GlobalTrace("ZERUredozV10.clsUtterances.AddCompleteObject",
              "UtterancePresent " + key + ": " + (present ? "True" : "False"));
  return present;
}

bool clsUtterances::bfnMatches(std::int32_t lUtteranceID, std::int32_t lLocationID, const Value& vDocumentVersion) const {
  return ErrorTrap(kClass, "bfnMatches")([&] {
    const std::string version = vDocumentVersion.ToString();
    for (const auto& utterance : utterances_) {
      if (utterance->UtteranceID() == lUtteranceID && utterance->LocationID() == lLocationID &&
          utterance->DocumentVersion() == version) {
        return true;
      }
    }
    return false;
  });
}

void clsUtterances::Describe(ClassBuilder<clsUtterances>& c) {
  using C = clsUtterances;
  c.Creatable()
      .Operation("Add", &C::Add, {"lUtteranceID", "lLocationID", "sStatus", "sConfigFile", "sDocumentVersion"})
      .Property("Count", &C::Count)
      .Operation("Remove", &C::Remove, {"sUtterances", "docVersion"})
      .Property("Item", &C::Item, {"sUtterances", "docVersion"}).Default()
      .NewEnum(&C::Items)
      .Operation("ReInitialize", &C::ReInitialize)
      .Operation("AddCompleteObject", &C::AddCompleteObject, {"objUtterance", "sConfigFile"})
      .Operation("UtterancePresent", &C::UtterancePresent, {"sUtterances", "docVersion"})
      .Operation("bfnMatches", &C::bfnMatches, {"lUtteranceID", "lLocationID", "vDocumentVersion"});
}

}  // namespace vz
