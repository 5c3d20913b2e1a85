// Routines for actions that work on one dictation: a request reduced to a single dictation (the
// changed-header fetch), the parameters of a dictation update, and the pending note a failed
// update leaves on the dictation.
#include <charconv>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/date_text.hpp"
#include "dictation/radiology_orders.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/database_request.hpp"
#include "execution/dictation_list.hpp"
#include "model/parameters.hpp"
#include "servlet_wire/dictation_file_names.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";

std::string Where(std::string_view operation) { return "clsDatabaseRequest." + std::string(operation); }

std::int32_t DictationNumber(const std::string& text, std::string_view what) {
  const auto number = PlainDictationNumber(text);
  if (!number) RaiseServerError("Invalid " + std::string(what) + ": " + text);
  return *number;
}

// The record's date in the general date form; a text that is no date is passed on as it is.
std::string StandardDate(const std::string& text) {
  const auto parsed = dictation::ParseDateText(text);
  return parsed ? dictation::GeneralDateText(*parsed) : text;
}

}  // namespace

void clsDatabaseRequest::buildSingleFileRequestList(const std::string& sUtteranceID, const std::string& sLocationID) {
  ErrorTrap(kClass, "buildSingleFileRequestList")([&] {
    const std::string where = Where("buildSingleFileRequestList");
    GlobalTrace(where, "sUtteranceID= " + sUtteranceID);
    GlobalTrace(where, "sLocationID= " + sLocationID);
    DictationListEntry entry;
    entry.utteranceID = DictationNumber(sUtteranceID, "dictation identifier");
    std::int32_t locationID = 0;
    const auto parsed = std::from_chars(sLocationID.data(), sLocationID.data() + sLocationID.size(), locationID);
    if (sLocationID.empty() || parsed.ec != std::errc() || parsed.ptr != sLocationID.data() + sLocationID.size()) {
      RaiseServerError("Invalid location identifier: " + sLocationID);
    }
    entry.locationID = locationID;
    entry.documentVersion = "0";
    dictationList_ = {std::move(entry)};
  });
}

void clsDatabaseRequest::CreateSingleUtteranceCollection(const std::string& sUtteranceID) {
  ErrorTrap(kClass, "CreateSingleUtteranceCollection")([&] {
    const std::int32_t id = DictationNumber(sUtteranceID, "dictation identifier");
    const std::string configFile = ApplicationPath() + "/Downloads/" + servlet_wire::DictationFileName(id, ".cfg");
    auto collection = std::make_shared<clsUtterances>();
    collection->Add(id, dictationList_.empty() ? 0 : dictationList_.front().locationID, "", configFile, "0");
    utterances_ = collection;
  });
}

void clsDatabaseRequest::FinalizeUtteranceUpdateRequest(clsUtteranceObject& record, clsParameters& parameters) {
  ErrorTrap(kClass, "FinalizeUtteranceUpdateRequest")([&] {
    const std::string where = Where("FinalizeUtteranceUpdateRequest");
    for (const char* name : {"utteranceID", "locationID", "institutionID", "speakerID", "speakerCode", "visitCode",
                             "priority", "workTypeID", "workStatusID", "prevWorkStatusID"}) {
      parameters.Add(record.GetProperty(name), name);
    }
    const std::string procedureDate = record.GetProperty("procedureDate");
    if (!procedureDate.empty()) parameters.Add(StandardDate(procedureDate), "procedureDate");
    parameters.Add(record.GetProperty("businessEntityID"), "businessEntityID");
    if (parameters.Exists("orderItemID")) return;
    GlobalTrace(where, "No orderItemID's being changed. Retrieving existing ones if there are any.");
    const auto orders = record.RadiologyOrders();
    if (!orders) return;
    for (const auto& order : orders->Items()) {
      GlobalTrace(where, "Retrieved radiology order " + order->OrderItemID);
      parameters.Add(order->OrderItemID, "orderItemID", INDEX_INCREMENT_TYPE::iitInc);
    }
  });
}

void clsDatabaseRequest::UpdatePendingNote(clsUtteranceObject& record, const std::string& note) {
  ErrorTrap(kClass, "UpdatePendingNote")([&] {
    GlobalTrace(Where("UpdatePendingNote"),
                "Adding the following pending note to utterance " + std::to_string(record.UtteranceID()) + "\r\n" + note);
    record.SetCurrentPendingNote(note);
    // Kept in the dictation's file too, where the editor reads it back.
    if (!record.ConfigFile().empty()) record.WriteObjectToConfigFile(record.ConfigFile());
  });
}

void clsDatabaseRequest::HandleStatus(const std::string& sMessage) {
  const std::string where = Where("HandleStatus");
  GlobalTrace(where, "Entering sub: " + sMessage);
  GlobalTrace(where, "Leaving sub: " + sMessage);
}

}  // namespace vz
