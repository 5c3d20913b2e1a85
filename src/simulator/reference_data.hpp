#pragma once
// The reference data an institution of the simulator serves besides its work queue: speakers and
// work types, search lists, a contact list whose entries carry modification times (so that changes
// since a time stamp can be asked for), patients for the searches, a header document per
// dictation, and the template and dictionary catalogues. All of it is made from the institution's
// configuration and dictations, the same on every call, so a client's copy can be compared byte
// for byte with what these functions give.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulator/institution.hpp"

namespace vz::simulator {

struct CodedText {
  std::string code;
  std::string text;
};

struct Contact {
  int contactID = 0;
  std::string lastName;
  std::string firstName;  // some carry a nickname in double quotes, as the editor's lists do
  std::string title;
  std::string specialty;
  std::string phone;
  std::string fax;
  std::string address;
  std::string modified;  // "MM/DD/YYYY hh:mm:ss"
};

struct Patient {
  std::string lastName;
  std::string firstName;
  std::string medicalRecordNumber;
  std::string visitCode;
  std::string birthDate;
  std::string sex;
  std::string admitDate;
  std::string attendingDoctor;
  std::string patientClass;
  std::string location;
};

std::vector<CodedText> Speakers(const Institution& institution);
std::vector<CodedText> WorkTypes();
std::vector<Contact> Contacts(const InstitutionConfig& config);
std::vector<Patient> Patients(const Institution& institution);
// The configured catalogues, or the simulator's own.
std::vector<CatalogueFile> Templates(const InstitutionConfig& config);
std::vector<CatalogueFile> Dictionaries(const InstitutionConfig& config);

// The selector of the search lists: speakers (3rd flag), work types (4th) and the search lists
// proper (17th).
inline constexpr std::string_view kSearchListSelector = "NNYYNNNNNNNNNNNNY";

// The lists a selector asks for, one flag per list ("NNY": speakers); nothing when it selects none.
std::optional<std::string> ListsDocument(const Institution& institution, std::string_view selector);
// The contacts modified after `since` ("MM/DD/YYYY hh:mm:ss"; empty: all of them).
std::string ContactsDocument(const InstitutionConfig& config, std::string_view since);
// The time of the contact list: its latest modification.
std::string ContactListTimestamp(const InstitutionConfig& config);
std::string HeaderDocument(const Institution& institution, const Dictation& dictation);
std::string PatientsDocument(const std::vector<Patient>& patients);

// The names of the members of the zipped answers.
std::string SearchListsMemberName(const InstitutionConfig& config);
std::string ContactsMemberName(const InstitutionConfig& config, bool changes);

// "MM/DD/YYYY hh:mm:ss" as "YYYYMMDDhhmmss", which sorts as time does; nothing for other text.
std::optional<std::string> SortableTime(std::string_view text);

}  // namespace vz::simulator
