// The replies the servlet families share: XML and error documents, work-queue rows.
#include "simulator/servlets/servlet_family.hpp"

#include "servlet_wire/xml_text.hpp"

namespace vz::simulator {

HttpReply Xml(std::string body) {
  HttpReply reply;
  reply.body = kXmlDeclaration + std::move(body);
  return reply;
}

std::string Element(std::string_view name, std::string_view value) {
  return "<" + std::string(name) + ">" + servlet_wire::EscapeXml(value) + "</" + std::string(name) + ">";
}

std::string Row(const Institution& institution, const Dictation& dictation) {
  const InstitutionConfig& config = institution.Config();
  const std::string id = std::to_string(dictation.utteranceID);
  std::string row = "  <Row>\n";
  const auto add = [&row](std::string_view name, std::string_view value) { row += "    " + Element(name, value) + "\n"; };
  add("utteranceID", id);
  add("locationID", std::to_string(config.locationID));
  add("queueStatus", dictation.queueStatus);
  add("documentVersion", dictation.documentVersion);
  add("priority", std::to_string(dictation.priority));
  add("StatusCode", "0");
  add("speakerCode", dictation.speakerCode);
  add("speakerName", dictation.speakerName);
  add("workType", dictation.workType);
  add("dictationDate", "03/12/2026 09:41:07");
  add("duration", std::to_string(dictation.durationSeconds));
  add("institutionID", std::to_string(config.institutionID));
  add("institutionName", config.name);
  add("patientName", dictation.patientName);
  add("medicalRecordNumber", dictation.medicalRecordNumber);
  add("visitCode", "V-" + id);
  add("isLinkDictationAllowed", "Y");
  add("isSplitDictationAllowed", "Y");
  for (const auto& [name, value] : dictation.moreFields) add(name, value);
  row += "  </Row>\n";
  return row;
}

HttpReply WorkQueueAnswer(const Institution& institution, const ServletCall& call, bool lockedOnly) {
  const InstitutionConfig& config = institution.Config();
  const std::string location = call.Parameter("retrieveLocation");
  const std::string wanted = call.Parameter("numToRetrieve");
  institution.NoteWorkQueueCall({call.Parameter("workQueueMode"), call.Parameter("rdrTranscriptionist"), call.Parameter("includeViewing"),
                                 call.Parameter("includeViewed"), call.Parameter("rdrReviewer")});
  long limit = -1;
  try {
    if (!wanted.empty()) limit = std::stol(wanted);
    if (!location.empty() && std::stol(location) >= 0 && std::stol(location) != config.locationID) limit = 0;
  } catch (const std::exception&) {
    return Error(400, "Bad numToRetrieve or retrieveLocation");
  }
  // The locked list names the workstation asking; the work queue holds what this user may take.
  const std::string machineID = call.Parameter("machineID");
  const auto lockedHere = [&](const Dictation& dictation) {
    return dictation.lockedBy == call.login && (machineID.empty() || dictation.lockMachineID == machineID);
  };
  std::string rows;
  long count = 0;
  for (const Dictation& dictation : institution.Dictations()) {
    if (limit >= 0 && count >= limit) break;
    if (dictation.completed ||
        (lockedOnly ? !lockedHere(dictation) : !dictation.lockedBy.empty() && dictation.lockedBy != call.login))
      continue;
    rows += Row(institution, dictation);
    ++count;
  }
  return Xml(rows.empty() ? "<InfoResponse/>\n" : "<InfoResponse>\n" + rows + "</InfoResponse>\n");
}

Dictation* CalledDictation(Institution& institution, const ServletCall& call, HttpReply& error) {
  const std::string id = call.Parameter("utteranceID");
  if (id.empty()) {
    error = Error(400, "Missing parameter utteranceID");
    return nullptr;
  }
  Dictation* dictation = institution.Find(id);
  if (dictation == nullptr) error = Error(404, "No such dictation");
  return dictation;
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> names;
  while (!text.empty()) {
    const auto comma = text.find(',');
    if (const std::string_view name = text.substr(0, comma); !name.empty()) names.emplace_back(name);
    text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
  }
  return names;
}

}  // namespace vz::simulator
