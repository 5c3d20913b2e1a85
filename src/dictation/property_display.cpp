// The two read-only views of a record for the client and for support: the raw property
// document and a readable list of the main properties.
#include "dictation/utterance_common.hpp"
#include "dictation/utterance_object.hpp"

namespace vz {

using namespace dictation;

std::string clsUtteranceObject::CurrentXMLDisplay() const {
  return ErrorTrap(kUtteranceClass, "CurrentXMLDisplay")([&] { return store_.Serialise(); });
}

Value clsUtteranceObject::CurrentPropertyDisplay() const {
  std::string text;
  // Each value is read through its own property, so the usual conversions and defaults apply.
  ErrorTrap(kUtteranceClass, "CurrentPropertyDisplay")([&] {
    auto line = [&](std::string_view label, const std::string& value) {
      if (!text.empty()) text += kCrLf;
      text.append(label).append(value);
    };
    auto flag = [](bool value) { return std::string(value ? "True" : "False"); };
    auto number = [](std::int64_t value) { return std::to_string(value); };
    auto text_of = [](std::string_view property, std::string_view element, const clsUtteranceObject& u) {
      return u.TextProperty(property, element);
    };
    line("DictationTime = ", text_of("DictationTime", "dictationDate", *this));
    line("DownloadPath = ", DownloadPath());
    line("DownloadTime = ", DownloadTime());
    line("Duration = ", text_of("Duration", "duration", *this));
    line("ErrorAction = ", ErrorAction().ToString());
    line("ErrorString = ", ErrorString());
    line("ID = ", ID());
    line("InitialStatusCode = ", number(InitialStatusCode()));
    line("Institution = ", text_of("Institution", "institutionName", *this));
    line("LastActionCompleted = ", number(LastActionCompleted()));
    line("ListViewKey = ", ListViewKey());
    line("LoadedDuringThisSession = ", flag(LoadedDuringThisSession()));
    line("locationID = ", number(LocationID()));
    line("Notes = ", Notes().ToString());
    line("OriginalStatus = ", OriginalStatus());
    line("Patient = ", text_of("Patient", "medicalRecordNumber", *this));
    line("Priority = ", text_of("Priority", "priority", *this));
    line("ScheduledForReload = ", flag(ScheduledForReload()));
    line("Speaker = ", text_of("Speaker", "speakerCode", *this));
    line("SpeakerName = ", text_of("SpeakerName", "speakerName", *this));
    line("Specialty = ", text_of("Specialty", "specialtyName", *this));
    line("Status = ", Status());
    line("StatusCode = ", number(StatusCode()));
    line("UploadPending = ", flag(UploadPending()));
    line("UtteranceID = ", number(UtteranceID()));
    line("UtteranceType = ", UtteranceType().ToString());
    line("Worktype = ", text_of("Worktype", "workType", *this));
    static constexpr std::pair<std::string_view, std::string_view> kPlain[] = {
        {"signatureDate", "signatureDate"},     {"patientName", "patientName"},
        {"patientID", "patientID"},             {"workStatusID", "workStatusID"},
        {"statusStart", "statusStart"},         {"confirmationNumber", "confirmationNumber"},
        {"workTypeID", "workTypeID"},           {"transcriptionistName", "transcriptionistName"},
        {"transcriptionEnd", "transcriptionEnd"}, {"transcriptionistID", "transcriptionistID"},
        {"InstitutionID", "institutionID"},     {"specialtyID", "specialtyID"},
        {"specialtyName", "specialtyName"},     {"procedureDate", "procedureDate"},
        {"DatabaseURL", "DatabaseURL"},         {"visitCode", "visitCode"}};
    for (const auto& [label, element] : kPlain) line(std::string(label) + " = ", text_of(label, element, *this));
  });
  return Value(text);
}

}  // namespace vz
