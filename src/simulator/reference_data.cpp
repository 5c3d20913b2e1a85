#include "simulator/reference_data.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "servlet_wire/xml_text.hpp"

namespace vz::simulator {
namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

constexpr const char* kExtraSpeakers[][2] = {{"DRK", "Dr. Kim Specimen"}, {"DRB", "Dr. Bea Mockwell"}};
constexpr const char* kWorkTypes[] = {"Consultation",   "Discharge Summary", "Operative Note",
                                      "Progress Note",  "Radiology Report",  "History and Physical"};

constexpr const char* kContactNames[][3] = {
    {"Example", "Alex \"Al\"", "Cardiology"},    {"Sample", "Mira", "Radiology"},
    {"Placeholder", "Tom", "Surgery"},           {"Specimen", "Kim", "Internal Medicine"},
    {"Mockwell", "Bea \"Bee\"", "Pediatrics"},   {"Dummer", "Otto", "Orthopedics"},
    {"Fakely", "Prue", "Neurology"},             {"Testa", "Rosa", "Oncology"},
    {"Stubbs", "Ned \"Doc\"", "Emergency"},      {"Trial", "Ivy", "Dermatology"},
    {"Proxy", "Ben", "Urology"},                 {"Stand-In", "Cleo", "Psychiatry"},
    {"Draft", "Hugo", "Gastroenterology"},       {"Model", "Una", "Endocrinology"},
    {"Pattern", "Lev", "Nephrology"},            {"Mock", "Ada \"Addie\"", "Pulmonology"},
    {"Replica", "Sam", "Rheumatology"},          {"Sketch", "Wren \"Birdie\"", "Ophthalmology"},
    {"Outline", "Gus", "Anesthesiology"},        {"Proof", "Tess", "Obstetrics"},
};

constexpr const char* kExtraPatients[][4] = {
    {"Nobody", "Nora", "MRN-5101", "V-5101"},
    {"Someone", "Sid", "MRN-5102", "V-5102"},
    {"Doe", "John", "MRN-5103", "V-5103"},
    {"Average", "Ava", "MRN-5104", "V-5104"},
};

constexpr const char* kSearchLists[][2][5] = {
    {{"Priorities", "", "", "", ""}, {"STAT", "Urgent", "Routine", "", ""}},
    {{"Departments", "", "", "", ""}, {"Cardiology", "Radiology", "Surgery", "Internal Medicine", "Emergency"}},
    {{"DocumentStatuses", "", "", "", ""}, {"Preliminary", "Final", "Addendum", "", ""}},
};

// Day `day` (1-based) of 2026 as month and day.
void MonthAndDay(int day, int& month, int& dayOfMonth) {
  constexpr int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  month = 1;
  while (month < 12 && day > kLengths[month - 1]) day -= kLengths[month++ - 1];
  dayOfMonth = day;
}

std::string TimeText(int month, int day, int year, int hour, int minute, int second) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", month, day, year, hour, minute, second);
  return text;
}

std::string Child(std::string_view name, std::string_view value, std::string_view indent) {
  return std::string(indent) + "<" + std::string(name) + ">" + servlet_wire::EscapeXmlText(value) + "</" + std::string(name) + ">\n";
}

std::string TemplateText(std::string_view heading) {
  return "{\\rtf1\\ansi\\deff0 {\\fonttbl {\\f0 Arial;}}\\f0\\fs22 {\\b " + std::string(heading) +
         "}\\par\r\nPatient: [PatientName]\\par\r\nMRN: [MRN]\\par\r\nDictated by: [SpeakerName]\\par\r\n\\par\r\n"
         "Findings:\\par\r\n\\par\r\nImpression:\\par\r\n\\par\r\nPlan:\\par\r\n}\r\n";
}

std::string WordList(std::initializer_list<const char*> words) {
  std::string text;
  for (const char* word : words) text += std::string(word) + "\r\n";
  return text;
}

}  // namespace

std::optional<std::string> SortableTime(std::string_view text) {
  // MM/DD/YYYY hh:mm:ss
  if (text.size() != 19 || text[2] != '/' || text[5] != '/' || text[10] != ' ' || text[13] != ':' || text[16] != ':') return std::nullopt;
  const auto number = [&text](std::size_t at, std::size_t length, int low, int high) -> std::optional<int> {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + length, value);
    if (error != std::errc() || end != text.data() + at + length || value < low || value > high) return std::nullopt;
    return value;
  };
  const auto month = number(0, 2, 1, 12), day = number(3, 2, 1, 31), year = number(6, 4, 1900, 9999);
  const auto hour = number(11, 2, 0, 23), minute = number(14, 2, 0, 59), second = number(17, 2, 0, 59);
  if (!month || !day || !year || !hour || !minute || !second) return std::nullopt;
  char sortable[16];
  std::snprintf(sortable, sizeof sortable, "%04d%02d%02d%02d%02d%02d", *year, *month, *day, *hour, *minute, *second);
  return std::string(sortable);
}

std::vector<CodedText> Speakers(const Institution& institution) {
  std::vector<CodedText> speakers;
  const auto add = [&speakers](const std::string& code, const std::string& text) {
    if (code.empty()) return;
    for (const CodedText& known : speakers)
      if (known.code == code) return;
    speakers.push_back({code, text});
  };
  for (const Dictation& dictation : institution.Dictations()) add(dictation.speakerCode, dictation.speakerName);
  for (const auto& extra : kExtraSpeakers) add(extra[0], extra[1]);
  return speakers;
}

std::vector<CodedText> WorkTypes() {
  std::vector<CodedText> types;
  for (const char* name : kWorkTypes) types.push_back({std::to_string(types.size() + 1), name});
  return types;
}

std::vector<Contact> Contacts(const InstitutionConfig& config) {
  std::vector<Contact> contacts;
  for (std::size_t i = 0; i < std::size(kContactNames); ++i) {
    const int n = static_cast<int>(i);
    Contact contact;
    contact.contactID = 500 + n;
    contact.lastName = kContactNames[i][0];
    contact.firstName = kContactNames[i][1];
    contact.title = n % 4 == 3 ? "DO" : "MD";
    contact.specialty = kContactNames[i][2];
    contact.phone = "555-01" + std::string(n < 10 ? "0" : "") + std::to_string(n);
    contact.fax = "555-02" + std::string(n < 10 ? "0" : "") + std::to_string(n);
    contact.address = std::to_string(10 + n) + " " + config.name + " Road" + (n % 5 == 0 ? ", Suite \"B\"" : "");
    int month = 1, day = 1;
    MonthAndDay(5 + 3 * n, month, day);
    contact.modified = TimeText(month, day, 2026, 8 + n % 9, (n * 7) % 60, (n * 13) % 60);
    contacts.push_back(std::move(contact));
  }
  return contacts;
}

std::vector<Patient> Patients(const Institution& institution) {
  std::vector<Patient> patients;
  const auto known = [&patients](const std::string& mrn) {
    return std::any_of(patients.begin(), patients.end(), [&mrn](const Patient& p) { return p.medicalRecordNumber == mrn; });
  };
  const auto describe = [&patients](Patient patient) {
    const int n = static_cast<int>(patients.size());
    patient.birthDate = TimeText(1 + n % 12, 1 + (n * 5) % 28, 1950 + (n * 7) % 50, 0, 0, 0).substr(0, 10);
    patient.sex = n % 2 == 0 ? "F" : "M";
    patient.admitDate = TimeText(3, 1 + n % 10, 2026, 7 + n % 10, (n * 11) % 60, 0);
    patient.attendingDoctor = n % 2 == 0 ? "Dr. Alex Example" : "Dr. Mira Sample";
    patient.patientClass = n % 3 == 0 ? "I" : "O";
    patient.location = n % 3 == 0 ? "WARD-" + std::to_string(2 + n % 3) : "CLINIC";
    patients.push_back(std::move(patient));
  };
  for (const Dictation& dictation : institution.Dictations()) {
    if (dictation.medicalRecordNumber.empty() || known(dictation.medicalRecordNumber)) continue;
    Patient patient;
    const auto comma = dictation.patientName.find(',');
    patient.lastName = dictation.patientName.substr(0, comma);
    if (comma != std::string::npos) {
      patient.firstName = dictation.patientName.substr(comma + 1);
      patient.firstName.erase(0, patient.firstName.find_first_not_of(' '));
    }
    patient.medicalRecordNumber = dictation.medicalRecordNumber;
    patient.visitCode = "V-" + std::to_string(dictation.utteranceID);
    describe(std::move(patient));
  }
  for (const auto& extra : kExtraPatients) {
    if (known(extra[2])) continue;
    Patient patient;
    patient.lastName = extra[0];
    patient.firstName = extra[1];
    patient.medicalRecordNumber = extra[2];
    patient.visitCode = extra[3];
    describe(std::move(patient));
  }
  return patients;
}

std::vector<CatalogueFile> Templates(const InstitutionConfig& config) {
  if (!config.templates.empty()) return config.templates;
  return {
      {"100", "Consultation.dot", "Cardiology", "01/20/2026 08:00:00", TemplateText("CONSULTATION")},
      {"101", "DischargeSummary.dot", "General", "02/02/2026 14:30:00", TemplateText("DISCHARGE SUMMARY")},
      {"102", "OperativeNote.dot", "Surgery", "02/17/2026 09:15:00", TemplateText("OPERATIVE NOTE")},
      {"103", "ProgressNote.dot", "General", "03/03/2026 11:45:00", TemplateText("PROGRESS NOTE")},
      {"104", "RadiologyReport.dot", "Radiology", "03/09/2026 16:20:00", TemplateText("RADIOLOGY REPORT")},
  };
}

std::vector<CatalogueFile> Dictionaries(const InstitutionConfig& config) {
  if (!config.dictionaries.empty()) return config.dictionaries;
  return {
      {"1", "medical.dic", "", "01/12/2026 07:00:00",
       WordList({"anticoagulation", "bronchiectasis", "cholecystectomy", "dyspnea", "erythema", "hepatomegaly", "tachycardia"})},
      {"2", "cardiology.dic", "", "02/20/2026 07:00:00",
       WordList({"angioplasty", "atrial", "cardiomyopathy", "echocardiogram", "fibrillation", "stenosis"})},
      {"3", "radiology.dic", "", "03/05/2026 07:00:00",
       WordList({"contrast", "fluoroscopy", "hyperdense", "opacity", "radiolucent", "sagittal"})},
  };
}

std::optional<std::string> ListsDocument(const Institution& institution, std::string_view selector) {
  const auto wants = [&selector](std::size_t flag) { return selector.size() > flag && selector[flag] == 'Y'; };
  if (!wants(2) && !wants(3) && !wants(16)) return std::nullopt;
  std::string body = std::string(kDeclaration) + "<InfoResponse>\n";
  if (wants(2)) {
    for (const CodedText& speaker : Speakers(institution))
      body += "  <Speaker code=\"" + servlet_wire::EscapeXml(speaker.code) + "\">" + servlet_wire::EscapeXml(speaker.text) + "</Speaker>\n";
  }
  if (wants(3)) {
    for (const CodedText& type : WorkTypes()) body += "  <WorkType id=\"" + type.code + "\">" + servlet_wire::EscapeXml(type.text) + "</WorkType>\n";
  }
  if (wants(16)) {
    for (const auto& list : kSearchLists) {
      body += "  <SearchList name=\"" + std::string(list[0][0]) + "\">\n";
      for (int i = 0; i < 5 && *list[1][i] != '\0'; ++i)
        body += "    <Item code=\"" + std::to_string(i + 1) + "\">" + servlet_wire::EscapeXml(list[1][i]) + "</Item>\n";
      body += "  </SearchList>\n";
    }
    body += "  <SearchList name=\"Locations\">\n    <Item code=\"" + std::to_string(institution.Config().locationID) + "\">" +
            servlet_wire::EscapeXml(institution.Config().name) + "</Item>\n  </SearchList>\n";
  }
  return body + "</InfoResponse>\n";
}

std::string ContactsDocument(const InstitutionConfig& config, std::string_view since) {
  const std::string after = since.empty() ? std::string() : SortableTime(since).value_or(std::string());
  std::string body = std::string(kDeclaration) + "<InfoResponse>\n";
  for (const Contact& contact : Contacts(config)) {
    if (!after.empty() && SortableTime(contact.modified).value_or(std::string()) <= after) continue;
    body += "  <Contact>\n" + Child("contactID", std::to_string(contact.contactID), "    ") + Child("lastName", contact.lastName, "    ") +
            Child("firstName", contact.firstName, "    ") + Child("title", contact.title, "    ") +
            Child("specialty", contact.specialty, "    ") + Child("phone", contact.phone, "    ") + Child("fax", contact.fax, "    ") +
            Child("address", contact.address, "    ") + Child("modified", contact.modified, "    ") + "  </Contact>\n";
  }
  return body + "</InfoResponse>\n";
}

std::string ContactListTimestamp(const InstitutionConfig& config) {
  std::string latest;
  std::string latestSortable;
  for (const Contact& contact : Contacts(config)) {
    const std::string sortable = SortableTime(contact.modified).value_or(std::string());
    if (sortable > latestSortable) {
      latestSortable = sortable;
      latest = contact.modified;
    }
  }
  return latest;
}

std::string HeaderDocument(const Institution& institution, const Dictation& dictation) {
  const std::string indent = "    ";
  return std::string(kDeclaration) + "<InfoResponse>\n  <Header>\n" + Child("utteranceID", std::to_string(dictation.utteranceID), indent) +
         Child("documentVersion", dictation.documentVersion, indent) + Child("patientName", dictation.patientName, indent) +
         Child("medicalRecordNumber", dictation.medicalRecordNumber, indent) +
         Child("visitCode", "V-" + std::to_string(dictation.utteranceID), indent) + Child("speakerCode", dictation.speakerCode, indent) +
         Child("speakerName", dictation.speakerName, indent) + Child("workType", dictation.workType, indent) +
         Child("dictationDate", "03/12/2026 09:41:07", indent) + Child("institutionName", institution.Config().name, indent) +
         "  </Header>\n</InfoResponse>\n";
}

std::string PatientsDocument(const std::vector<Patient>& patients) {
  if (patients.empty()) return std::string(kDeclaration) + "<InfoResponse/>\n";
  const std::string indent = "    ";
  std::string body = std::string(kDeclaration) + "<InfoResponse>\n";
  for (const Patient& patient : patients) {
    body += "  <Patient>\n" + Child("lastName", patient.lastName, indent) + Child("firstName", patient.firstName, indent) +
            Child("medicalRecordNumber", patient.medicalRecordNumber, indent) + Child("visitCode", patient.visitCode, indent) +
            Child("birthDate", patient.birthDate, indent) + Child("sex", patient.sex, indent) +
            Child("admitDate", patient.admitDate, indent) + Child("attendingDoctor", patient.attendingDoctor, indent) +
            Child("patientClass", patient.patientClass, indent) + Child("location", patient.location, indent) + "  </Patient>\n";
  }
  return body + "</InfoResponse>\n";
}

std::string SearchListsMemberName(const InstitutionConfig& config) {
  return "SearchLists_" + std::to_string(config.institutionID) + "_" + std::to_string(config.locationID) + ".xml";
}

std::string ContactsMemberName(const InstitutionConfig& config, bool changes) {
  return std::string(changes ? "ContactDeltas_" : "ContactList_") + std::to_string(config.institutionID) + "_" +
         std::to_string(config.locationID) + ".xml";
}

}  // namespace vz::simulator
