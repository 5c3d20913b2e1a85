// Source control (0105): check-out, check-in (with or without a pending note) and unlock per
// dictation. A lock belongs to one user at one workstation (its machine ID): another workstation
// is refused until the holder checks the dictation in or unlocks it. A check-in needs the upload
// of the dictation since its check-out; a pending check-in leaves the dictation in the queue with
// its note.
#include <pugixml.hpp>

#include <optional>

#include "servlet_wire/xml_text.hpp"
#include "simulator/servlets/dictation_changes.hpp"
#include "simulator/servlets/servlet_family.hpp"

namespace vz::simulator {
namespace {

constexpr RequestKind kRequests[] = {{"0105", "sourcecontrol"}};

// Operation codes (docs/servlet-protocol.md, 4.6).
bool IsCheckOut(const std::string& operation) { return operation == "1" || operation == "5" || operation == "6"; }
bool IsCheckIn(const std::string& operation) { return operation == "2" || operation == "4" || operation == "9"; }
bool IsUnlock(const std::string& operation) { return operation == "3" || operation == "8"; }

struct Caller {
  std::string login;
  std::string machineID;
};

bool Locked(const Dictation& dictation) { return !dictation.lockedBy.empty(); }
bool HeldBy(const Dictation& dictation, const Caller& caller) {
  return dictation.lockedBy == caller.login && dictation.lockMachineID == caller.machineID;
}

HttpReply HeldElsewhere(const Dictation& dictation) {
  std::string message = "Utterance " + std::to_string(dictation.utteranceID) + " is checked out to " + dictation.lockedBy;
  if (!dictation.lockMachineID.empty()) message += " at workstation " + dictation.lockMachineID;
  return Error(409, message);
}

void Release(Dictation& dictation) {
  dictation.lockedBy.clear();
  dictation.lockMachineID.clear();
  dictation.checkedOutVersion.clear();
}

// The note as the work queue shows it: the text of each item, a new contact as its fields.
std::string ReadableNote(const pugi::xml_node pendingNote) {
  std::string readable;
  const auto line = [&readable](const std::string& text) {
    if (text.empty()) return;
    if (!readable.empty()) readable += "\n";
    readable += text;
  };
  bool items = false;
  for (const pugi::xml_node item : pendingNote.children("item")) {
    items = true;
    if (const pugi::xml_node contact = item.child("contactInfo")) {
      for (const pugi::xml_node field : contact.children()) line(std::string(field.name()) + ": " + field.text().get());
    } else {
      line(item.child("text").text().get());
    }
  }
  if (!items) line(pendingNote.text().get());
  return readable;
}

// Reads the pending-note document of a check-in; false with `problem` when it is not one.
bool ReadPendingNote(const std::string& document, std::string& readable, std::string& problem) {
  if (document.empty()) return true;
  pugi::xml_document parsed;
  const pugi::xml_parse_result result = parsed.load_string(document.c_str());
  if (!result) {
    problem = std::string("Bad pendingNote: ") + result.description();
    return false;
  }
  const pugi::xml_node root = parsed.document_element();
  if (std::string_view(root.name()) != "pendingNote") {
    problem = "Bad pendingNote: the document is not a pendingNote";
    return false;
  }
  readable = ReadableNote(root);
  return true;
}

// Checks the dictation in; the refusal when it cannot be.
std::optional<HttpReply> CheckIn(Dictation& dictation, const Caller& caller, const ServletCall& call, const std::string& operation) {
  const std::string id = std::to_string(dictation.utteranceID);
  if (!Locked(dictation)) return Error(409, "Utterance " + id + " is not checked out to " + caller.login);
  if (!HeldBy(dictation, caller)) return HeldElsewhere(dictation);
  // A reviewer's check-in sends no document; every other one follows the dictation's upload.
  if (operation != "9" && dictation.documentVersion == dictation.checkedOutVersion)
    return Error(409, "Utterance " + id + " has no upload since its check-out");
  if (operation == "4") {
    const std::string document = call.Parameter("pendingNote");
    std::string readable;
    std::string problem;
    if (!ReadPendingNote(document, readable, problem)) return Error(400, problem);
    dictation.pendingNoteDocument = document;
    SetPendingNote(dictation, readable);
  } else {
    dictation.completed = true;
  }
  Release(dictation);
  return std::nullopt;
}

HttpReply Serve(ServletContext&, Institution* institution, ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(*institution, call, error);
  if (dictation == nullptr) return error;
  const std::string id = std::to_string(dictation->utteranceID);
  const std::string operation = call.Parameter("operation");
  const Caller caller{call.login, call.Parameter("machineID")};
  if (IsCheckOut(operation)) {
    if (Locked(*dictation) && !HeldBy(*dictation, caller)) return HeldElsewhere(*dictation);
    if (!Locked(*dictation)) dictation->checkedOutVersion = dictation->documentVersion;
    dictation->lockedBy = caller.login;
    dictation->lockMachineID = caller.machineID;
  } else if (IsCheckIn(operation)) {
    if (auto refused = CheckIn(*dictation, caller, call, operation)) return *refused;
  } else if (IsUnlock(operation)) {
    if (Locked(*dictation) && !HeldBy(*dictation, caller)) return HeldElsewhere(*dictation);
    Release(*dictation);
  } else if (operation != "7") {
    return Error(400, "Unknown operation " + operation);
  }
  return Xml("<InfoResponse><SourceControl utteranceID=\"" + id + "\" operation=\"" + servlet_wire::EscapeXml(operation) + "\" lockedBy=\"" +
             servlet_wire::EscapeXml(dictation->lockedBy) + "\" machineID=\"" + servlet_wire::EscapeXml(dictation->lockMachineID) + "\"/></InfoResponse>\n");
}

}  // namespace

const ServletFamily& SourceControlServlets() {
  static const ServletFamily family{kRequests, Serve};
  return family;
}

}  // namespace vz::simulator
