#include "dictation/utterance_object.hpp"

#include "diagnostics/error_log.hpp"
#include "dictation/property_conversions.hpp"
#include "dictation/radiology_orders.hpp"
#include "dictation/utterance_common.hpp"
#include "model/parameters.hpp"

namespace vz {

using namespace dictation;

namespace {

std::int32_t& InstanceCounter() {
  static std::int32_t counter = 0;
  return counter;
}

constexpr std::string_view kTermInit = "clsUtteranceObject.TermInit";

}  // namespace

clsUtteranceObject::clsUtteranceObject()
    : instance_(InstanceCounter()++) {
  if (Tracing()) GlobalTrace(kTermInit, "Initializing [" + std::to_string(instance_) + "]");
}

clsUtteranceObject::~clsUtteranceObject() {
  try {
    if (Tracing()) GlobalTrace(kTermInit, "Terminating [" + std::to_string(instance_) + "]");
    radiologyOrders_.reset();
    if (Tracing(kTraceDetail)) {
      GlobalTrace("clsUtteranceObject.Class_Terminate",
                  "Terminating utterance object: " + std::to_string(LongFromText(store_.Read("utteranceID"))),
                  kTraceDetail);
    }
  } catch (...) {
    // A trace that cannot be written must not stop the record from going.
  }
}

std::int32_t clsUtteranceObject::InstancesCreated() { return InstanceCounter(); }

std::string clsUtteranceObject::DownloadPath() const {
  if (!downloadPath_.empty()) return downloadPath_;
  const std::string& application = ApplicationPath();
  return (application.empty() ? std::string(".") : application) + "/Downloads";
}

// The row's reader and writer.

std::string clsUtteranceObject::sfnRetrievePropertyValue(std::string_view name) const {
  std::string value = store_.Read(name);
  if (Tracing()) {
    GlobalTrace("ZERUredozV10.clsUtteranceObject.sfnRetrievePropertyValue", std::string(name) + ":" + value);
  }
  return value;
}

void clsUtteranceObject::AssignPropertyValue(std::string_view name, std::string_view value) {
  if (store_.Assign(name, value) && Tracing()) {
    GlobalTrace(TraceAt("AssignPropertyValue"), "Property = " + std::string(name) + ". Value = " + std::string(value));
  }
}

// Stored properties by type.

std::string clsUtteranceObject::TextProperty(std::string_view property, std::string_view element) const {
  return ErrorTrap(kUtteranceClass, property)([&] { return sfnRetrievePropertyValue(element); });
}

void clsUtteranceObject::SetTextProperty(std::string_view property, std::string_view element, const std::string& value) {
  ErrorTrap(kUtteranceClass, property)([&] { AssignPropertyValue(element, value); });
}

std::int32_t clsUtteranceObject::LongProperty(std::string_view property, std::string_view element) const {
  return ErrorTrap(kUtteranceClass, property)([&] { return LongFromText(sfnRetrievePropertyValue(element)); });
}

void clsUtteranceObject::SetLongProperty(std::string_view property, std::string_view element, std::int32_t value) {
  ErrorTrap(kUtteranceClass, property)([&] { AssignPropertyValue(element, std::to_string(value)); });
}

bool clsUtteranceObject::TFProperty(std::string_view property, std::string_view element) const {
  return ErrorTrap(kUtteranceClass, property)([&] { return BooleanFromTF(sfnRetrievePropertyValue(element)); });
}

void clsUtteranceObject::SetTFProperty(std::string_view property, std::string_view element, bool value) {
  ErrorTrap(kUtteranceClass, property)([&] { AssignPropertyValue(element, TFText(value)); });
}

bool clsUtteranceObject::YNProperty(std::string_view property, std::string_view element) const {
  return ErrorTrap(kUtteranceClass, property)([&] { return BooleanFromYN(sfnRetrievePropertyValue(element)); });
}

void clsUtteranceObject::SetYNProperty(std::string_view property, std::string_view element, bool value) {
  ErrorTrap(kUtteranceClass, property)([&] { AssignPropertyValue(element, YNText(value)); });
}

Value clsUtteranceObject::VariantProperty(std::string_view property, std::string_view element) const {
  return ErrorTrap(kUtteranceClass, property)([&] { return Value(sfnRetrievePropertyValue(element)); });
}

void clsUtteranceObject::SetVariantProperty(std::string_view property, std::string_view element, const Value& value) {
  ErrorTrap(kUtteranceClass, property)([&] { AssignPropertyValue(element, value.ToString()); });
}

// Properties with behaviour of their own.

std::int32_t clsUtteranceObject::LocationID() const {
  return ErrorTrap(kUtteranceClass, "locationID")([&] {
    const std::string text = sfnRetrievePropertyValue("locationID");
    if (text.empty()) {
      GlobalErrorsLog("clsUtteranceObject.locationID", "LocationID uninitialized.");
      return std::int32_t{0};
    }
    return LongFromText(text);
  });
}

void clsUtteranceObject::SetErrorAction(const Value& v) {
  ErrorTrap(kUtteranceClass, "ErrorAction")([&] { errorAction_ = v.ToLong(); });
}

Value clsUtteranceObject::UtteranceType() const {
  return ErrorTrap(kUtteranceClass, "UtteranceType")([&] {
    const auto number = NumberFromText(sfnRetrievePropertyValue("UtteranceType"));
    return number ? Value(*number) : Value();
  });
}

void clsUtteranceObject::SetConfigFile(const std::string& path) {
  ErrorTrap(kUtteranceClass, "ConfigFile")([&] {
    configFile_ = path;
    if (path.find_first_not_of(' ') == std::string::npos) return;
    const std::string stem = path.substr(0, path.size() >= 3 ? path.size() - 3 : 0);
    headerFile_ = stem + "hd3";
    footerFile_ = stem + "ft3";
  });
}

bool clsUtteranceObject::UploadPendingWithNoError() const {
  return ErrorTrap(kUtteranceClass, "UploadPendingWithNoError")([&] {
    switch (StatusCode()) {
      case 1: case 2: case 3: case 4: case 5: case 7: case 8: return true;
      default: return false;
    }
  });
}

bool clsUtteranceObject::UploadPending() const {
  return ErrorTrap(kUtteranceClass, "UploadPending")([&] { return UploadPendingWithNoError() || StatusCode() == 6; });
}

std::int16_t clsUtteranceObject::LastActionCompleted() const {
  return ErrorTrap(kUtteranceClass, "LastActionCompleted")(
      [&] { return IntegerFromText(sfnRetrievePropertyValue("LastActionCompleted")); });
}

void clsUtteranceObject::SetLastActionCompleted(std::int16_t v) {
  ErrorTrap(kUtteranceClass, "LastActionCompleted")([&] { AssignPropertyValue("LastActionCompleted", std::to_string(v)); });
}

void clsUtteranceObject::SetMachineID(const std::string& v) {
  ErrorTrap(kUtteranceClass, "MachineID")([&] {
    if (Tracing(kTraceDetail)) {
      GlobalTrace(TraceAt("MachineID"), "Assigning machineID " + v + " to Utterance " + std::to_string(UtteranceID()));
    }
    AssignPropertyValue("MachineID", v);
  });
}

std::string clsUtteranceObject::DocumentVersion() const {
  return ErrorTrap(kUtteranceClass, "DocumentVersion")([&] {
    std::string version = sfnRetrievePropertyValue("documentVersion");
    if (version.empty()) version = "0";
    if (Tracing()) GlobalTrace(TraceAt("DocumentVersion"), "DocumentVersion =" + version);
    return version;
  });
}

std::string clsUtteranceObject::LinkedDocumentID() const {
  return RaiseTrap(RaisedIn("LinkedDocumentID"))([&] { return sfnRetrievePropertyValue("LinkedDocumentID"); });
}

void clsUtteranceObject::SetLinkedDocumentID(const std::string& v) {
  RaiseTrap(RaisedIn("LinkedDocumentID"))([&] { AssignPropertyValue("LinkedDocumentID", v); });
}

bool clsUtteranceObject::IsVersionGraded() const {
  return ErrorTrap(kUtteranceClass, "IsVersionGraded")([&] {
    GlobalTrace(TraceAt("IsVersionGraded"), "Getting whether is version of the document is graded");
    return BooleanFromTF(sfnRetrievePropertyValue("IsVersionGraded"));
  });
}

void clsUtteranceObject::SetIsVersionGraded(bool v) {
  ErrorTrap(kUtteranceClass, "IsVersionGraded")([&] {
    GlobalTrace(TraceAt("IsVersionGraded"), "Setting whether this version of the document is graded");
    AssignPropertyValue("IsVersionGraded", TFText(v));
  });
}

void clsUtteranceObject::SetHasMTReviewSGPermission(bool v) {
  ErrorTrap(kUtteranceClass, "HasMTReviewSGPermission")([&] {
    GlobalTrace(TraceAt("HasMTReviewSGPermission"),
                "Setting whether the user has permissions to do MT Review for this document");
    AssignPropertyValue("HasMTReviewSGPermission", TFText(v));
  });
}

bool clsUtteranceObject::PendForPendingReasons() const {
  return ErrorTrap(kUtteranceClass, "PendForPendingReasons")([&] {
    const std::string text = sfnRetrievePropertyValue("PendForPendingReasons");
    GlobalTrace(TraceAt("PendForPendingReasons"), "returning " + text);
    return BooleanFromTF(text);
  });
}

void clsUtteranceObject::SetPendForPendingReasons(bool v) {
  SetTFProperty("PendForPendingReasons", "PendForPendingReasons", v);
}

void clsUtteranceObject::SetViewedDemographicsHeader(bool v) {
  ErrorTrap(kUtteranceClass, "ViewedDemographicsHeader")([&] {
    GlobalTrace(TraceAt("ViewedDemographicsHeader"), "Setting whether the user has pressed the Alt+E shortcut");
    AssignPropertyValue("ViewedDemographicsHeader", TFText(v));
  });
}

// Operations.

void clsUtteranceObject::ClearErrors() {
  ErrorTrap(kUtteranceClass, "ClearErrors")([&] {
    SetLastActionCompleted(-1);
    SetErrorString("");
  });
}

std::shared_ptr<clsParameters> clsUtteranceObject::NewParametersCollection() const {
  return ErrorTrap(kUtteranceClass, "NewParametersCollection")([] { return std::make_shared<clsParameters>(); });
}

void clsUtteranceObject::UpdateIsVersionGraded(bool bIsVersionGraded) {
  ErrorTrap(kUtteranceClass, "UpdateIsVersionGraded")([&] {
    SetIsVersionGraded(bIsVersionGraded);
    WriteObjectToConfigFile(configFile_);
  });
}

void clsUtteranceObject::UpdatePendForPendingReasons(bool bPendForPendingReasons) {
  ErrorTrap(kUtteranceClass, "UpdatePendForPendingReasons")([&] {
    SetPendForPendingReasons(bPendForPendingReasons);
    WriteObjectToConfigFile(configFile_);
  });
}

}  // namespace vz
