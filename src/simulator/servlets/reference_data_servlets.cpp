// Reference data: header documents per dictation (0106), locked dictations (0107), speakers, work
// types and search lists (0201, zipped 0202), the contact list (0206) and its changes (0207),
// patient, HL7, online and dictation searches (0210-0213), and the template and dictionary
// catalogues (0009, 0220, 0221, 0231, 0232). The data is the institution's (reference_data.hpp).
#include <algorithm>

#include "servlet_wire/form_codec.hpp"
#include "servlet_wire/sha256.hpp"
#include "servlet_wire/xml_text.hpp"
#include "simulator/reference_data.hpp"
#include "simulator/servlets/servlet_family.hpp"
#include "simulator/zip_archive.hpp"

namespace vz::simulator {
namespace {

constexpr RequestKind kRequests[] = {
    {"0106", "headers"},        {"0107", "lockedlist"},      {"0201", "lists"},         {"0202", "compressedlists"},
    {"0206", "contacts"},       {"0207", "contactchanges"},  {"0210", "patientsearch"}, {"0211", "hl7search"},
    {"0212", "onlinesearch"},   {"0213", "dictationsearch"}, {"0009", "templatetime"},  {"0220", "templatelist"},
    {"0221", "templatefiles"},  {"0231", "dictionaries"},    {"0232", "dictionaryfiles"}};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& start) {
  return !start.empty() && Lower(text).rfind(Lower(start), 0) == 0;
}

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
  return Lower(text).find(Lower(part)) != std::string::npos;
}

// "doCompress" asks for a ZIP when it reads as the number 1 ("1", "1.0").
bool AsksForZip(const std::string& text) {
  try {
    std::size_t used = 0;
    return std::stod(text, &used) == 1.0 && used == text.size();
  } catch (const std::exception&) {
    return false;
  }
}

// A file answer from memory, with its digest and name.
HttpReply FileReply(std::string bytes, std::string contentType, const std::string& name) {
  HttpReply reply;
  reply.contentType = std::move(contentType);
  reply.headers.emplace_back("X-Content-SHA256", servlet_wire::Sha256Hex(bytes));
  reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + name + "\"");
  reply.body = std::move(bytes);
  return reply;
}

// A document, or a ZIP holding it as `member`.
HttpReply ListFile(std::string document, const std::string& member, bool compress) {
  if (!compress) return FileReply(std::move(document), "application/xml; charset=utf-8", member);
  std::string zip = member.substr(0, member.size() - 4) + ".zip";
  return FileReply(ZipOneMember(member, document), "application/zip", zip);
}

// A whole document (declaration included) as an XML answer.
HttpReply Document(std::string document) {
  HttpReply reply;
  reply.body = std::move(document);
  return reply;
}

// The engine's query strings: "&name=value..." with names and values percent-encoded; names are
// matched in any letter case.
std::map<std::string, std::string> QueryPairs(std::string_view text) {
  std::map<std::string, std::string> pairs;
  for (auto& [name, value] : servlet_wire::ParseForm(text)) pairs[Lower(name)] = std::move(value);
  return pairs;
}

// The institution ID a list call names must be this institution's.
std::optional<HttpReply> WrongInstitution(const Institution& institution, const ServletCall& call) {
  const std::string id = call.Parameter("institutionID");
  if (id.empty()) return Error(400, "Missing parameter institutionID");
  if (id != std::to_string(institution.Config().institutionID)) return Error(404, "Institution " + id + " not found");
  return std::nullopt;
}

HttpReply Lists(const Institution& institution, const ServletCall& call, bool compressed) {
  if (auto wrong = WrongInstitution(institution, call)) return *wrong;
  const std::string selector = call.Parameter("selector");
  if (selector.empty()) return Error(400, "Missing parameter selector");
  if (compressed && call.Parameter("certificate").empty()) return Error(400, "Missing parameter certificate");
  auto document = ListsDocument(institution, selector);
  if (!document) return Error(400, "The selector " + selector + " selects no list");
  if (!compressed) return Document(std::move(*document));
  return ListFile(std::move(*document), SearchListsMemberName(institution.Config()), true);
}

HttpReply ContactList(const Institution& institution, const ServletCall& call, bool changes) {
  if (auto wrong = WrongInstitution(institution, call)) return *wrong;
  const InstitutionConfig& config = institution.Config();
  if (call.Parameter("locationID") != std::to_string(config.locationID)) return Error(404, "Location " + call.Parameter("locationID") + " not found");
  const std::string since = changes ? call.Parameter("since") : std::string();
  if (!since.empty() && !SortableTime(since)) return Error(400, "Bad parameter since: " + since);
  HttpReply reply = ListFile(ContactsDocument(config, since), ContactsMemberName(config, changes), AsksForZip(call.Parameter("doCompress")));
  if (!changes) reply.headers.emplace_back("X-List-Timestamp", ContactListTimestamp(config));
  return reply;
}

HttpReply PatientSearch(const Institution& institution, const ServletCall& call) {
  const std::string lastName = call.Parameter("LastName"), mrn = call.Parameter("MRN"), visit = call.Parameter("VisitCode");
  if (lastName.empty() && mrn.empty() && visit.empty()) return Error(400, "A patient search needs LastName, MRN or VisitCode");
  std::vector<Patient> found;
  for (const Patient& patient : Patients(institution)) {
    if (!lastName.empty() && !StartsWithIgnoringCase(patient.lastName, lastName)) continue;
    if (!mrn.empty() && patient.medicalRecordNumber != mrn) continue;
    if (!visit.empty() && patient.visitCode != visit) continue;
    found.push_back(patient);
  }
  return Document(PatientsDocument(found));
}

HttpReply HL7Search(const Institution& institution, const ServletCall& call) {
  auto criteria = QueryPairs(call.Parameter("parmString"));
  std::erase_if(criteria, [](const auto& pair) { return pair.second.empty(); });
  if (criteria.empty()) return Error(400, "An HL7 search needs at least one criterion");
  std::vector<Patient> found;
  for (const Patient& patient : Patients(institution)) {
    const std::map<std::string, std::string> fields = {{"lastname", patient.lastName},       {"firstname", patient.firstName},
                                                       {"mrn", patient.medicalRecordNumber}, {"visitcode", patient.visitCode},
                                                       {"location", patient.location},       {"patientclass", patient.patientClass}};
    const bool matches = std::all_of(criteria.begin(), criteria.end(), [&fields](const auto& criterion) {
      const auto field = fields.find(criterion.first);
      return field != fields.end() && StartsWithIgnoringCase(field->second, criterion.second);
    });
    if (matches) found.push_back(patient);
  }
  return Document(PatientsDocument(found));
}

// The values a header field may take, for the editor's search-as-you-type: "&field=...&value=...".
HttpReply OnlineSearch(Institution& institution, const ServletCall& call) {
  HttpReply error;
  if (CalledDictation(institution, call, error) == nullptr) return error;
  const auto criteria = QueryPairs(call.Parameter("paramString"));
  const auto field = criteria.find("field");
  if (field == criteria.end() || field->second.empty()) return Error(400, "Missing search field");
  const std::string value = criteria.contains("value") ? criteria.at("value") : std::string();
  std::vector<CodedText> candidates;
  if (field->second == "speaker") {
    candidates = Speakers(institution);
  } else if (field->second == "worktype") {
    candidates = WorkTypes();
  } else if (field->second == "contact") {
    for (const Contact& contact : Contacts(institution.Config()))
      candidates.push_back({std::to_string(contact.contactID), contact.lastName + ", " + contact.firstName});
  } else {
    return Error(400, "Unknown search field " + field->second);
  }
  std::string body = "<InfoResponse>\n";
  for (const CodedText& candidate : candidates)
    if (value.empty() || ContainsIgnoringCase(candidate.text, value) || StartsWithIgnoringCase(candidate.code, value))
      body += "  <SearchValue code=\"" + servlet_wire::EscapeXml(candidate.code) + "\">" + servlet_wire::EscapeXml(candidate.text) + "</SearchValue>\n";
  return Xml(body + "</InfoResponse>\n");
}

HttpReply DictationSearch(const Institution& institution, const ServletCall& call) {
  auto criteria = QueryPairs(call.Parameter("searchParameters"));
  std::erase_if(criteria, [](const auto& pair) { return pair.second.empty(); });
  if (criteria.empty()) return Error(400, "Missing search parameters");
  std::string rows;
  for (const Dictation& dictation : institution.Dictations()) {
    const std::map<std::string, std::string> fields = {
        {"utteranceid", std::to_string(dictation.utteranceID)}, {"speakercode", dictation.speakerCode},
        {"speakername", dictation.speakerName},                 {"patientname", dictation.patientName},
        {"medicalrecordnumber", dictation.medicalRecordNumber}, {"worktype", dictation.workType},
        {"queuestatus", dictation.queueStatus}};
    const bool matches = std::all_of(criteria.begin(), criteria.end(), [&fields](const auto& criterion) {
      const auto field = fields.find(criterion.first);
      return field != fields.end() && ContainsIgnoringCase(field->second, criterion.second);
    });
    if (matches) rows += Row(institution, dictation);
  }
  return Xml(rows.empty() ? "<InfoResponse/>\n" : "<InfoResponse>\n" + rows + "</InfoResponse>\n");
}

// Modified after `date`; an empty date takes every file.
std::optional<std::vector<CatalogueFile>> ChangedSince(std::vector<CatalogueFile> files, const std::string& date) {
  if (date.empty()) return files;
  const auto after = SortableTime(date);
  if (!after) return std::nullopt;
  std::erase_if(files, [&after](const CatalogueFile& file) { return SortableTime(file.modified).value_or(std::string()) <= *after; });
  return files;
}

HttpReply TemplateTime(const Institution& institution) {
  std::string latest;
  for (const CatalogueFile& file : Templates(institution.Config()))
    if (SortableTime(file.modified).value_or(std::string()) > latest) latest = *SortableTime(file.modified);
  if (latest.empty()) return Error(404, "No templates");
  const auto part = [&latest](std::size_t at, std::size_t length) { return std::to_string(std::stoi(latest.substr(at, length))); };
  return Xml("<InfoResponse Day=\"" + part(6, 2) + "\" Month=\"" + part(4, 2) + "\" Year=\"" + part(0, 4) + "\" Hour=\"" + part(8, 2) +
             "\" Minute=\"" + part(10, 2) + "\" Second=\"" + part(12, 2) + "\"/>\n");
}

HttpReply TemplateList(const Institution& institution, const ServletCall& call) {
  const auto changed = ChangedSince(Templates(institution.Config()), call.Parameter("lastModifiedDate"));
  if (!changed) return Error(400, "Bad parameter lastModifiedDate: " + call.Parameter("lastModifiedDate"));
  std::string body = "<InfoResponse>\n  " + Element("Count", std::to_string(changed->size())) + "\n";
  for (const CatalogueFile& file : *changed)
    body += "  <Template TemplateID=\"" + servlet_wire::EscapeXml(file.id) + "\" Filename=\"" + servlet_wire::EscapeXml(file.name) + "\" Path=\"" + servlet_wire::EscapeXml(file.path) + "\"/>\n";
  return Xml(body + "</InfoResponse>\n");
}

HttpReply DictionaryList(const Institution& institution, const ServletCall& call) {
  const auto changed = ChangedSince(Dictionaries(institution.Config()), call.Parameter("lastModifiedDate"));
  if (!changed) return Error(400, "Bad parameter lastModifiedDate: " + call.Parameter("lastModifiedDate"));
  std::string body = "<InfoResponse>\n";
  for (const CatalogueFile& file : *changed) body += "  " + Element("Dictionary", file.name) + "\n";
  return Xml(body + "</InfoResponse>\n");
}

// A catalogue file by name (and, for templates, ID).
HttpReply CatalogueFileReply(const std::vector<CatalogueFile>& files, const ServletCall& call, bool templates) {
  const std::string name = call.Parameter("fileName");
  if (name.empty()) return Error(400, "Missing parameter fileName");
  for (const CatalogueFile& file : files) {
    if (file.name == name && (!templates || file.id == call.Parameter("fileID")))
      return FileReply(file.content, "application/octet-stream", file.name);
  }
  return Error(404, std::string(templates ? "No such template " : "No such dictionary ") + name);
}

HttpReply Serve(ServletContext&, Institution* institution, ServletCall& call) {
  const std::string& number = call.number;
  if (number == "0106") {
    HttpReply error;
    const Dictation* dictation = CalledDictation(*institution, call, error);
    return dictation ? Document(HeaderDocument(*institution, *dictation)) : error;
  }
  if (number == "0107") return WorkQueueAnswer(*institution, call, true);
  if (number == "0201" || number == "0202") return Lists(*institution, call, number == "0202");
  if (number == "0206" || number == "0207") return ContactList(*institution, call, number == "0207");
  if (number == "0210") return PatientSearch(*institution, call);
  if (number == "0211") return HL7Search(*institution, call);
  if (number == "0212") return OnlineSearch(*institution, call);
  if (number == "0213") return DictationSearch(*institution, call);
  if (number == "0009") return TemplateTime(*institution);
  if (number == "0220") return TemplateList(*institution, call);
  if (number == "0221") return CatalogueFileReply(Templates(institution->Config()), call, true);
  if (number == "0231") return DictionaryList(*institution, call);
  return CatalogueFileReply(Dictionaries(institution->Config()), call, false);
}

}  // namespace

const ServletFamily& ReferenceDataServlets() {
  static const ServletFamily family{kRequests, Serve};
  return family;
}

}  // namespace vz::simulator
