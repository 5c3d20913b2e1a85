// Source control (0105): check-out, check-in and unlock per dictation, with the lock held by the
// user that checked the dictation out.
#include "simulator/servlets/servlet_family.hpp"
#include "simulator/wire_text.hpp"

namespace vz::simulator {
namespace {

constexpr RequestKind kRequests[] = {{"0105", "sourcecontrol"}};

HttpReply Serve(ServletContext&, Institution* institution, ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(*institution, call, error);
  if (dictation == nullptr) return error;
  const std::string id = std::to_string(dictation->utteranceID);
  const std::string operation = call.Parameter("operation");
  if (operation == "1" || operation == "6") {
    if (!dictation->lockedBy.empty() && dictation->lockedBy != call.login)
      return Error(409, "Utterance " + id + " is checked out to " + dictation->lockedBy);
    dictation->lockedBy = call.login;
  } else if (operation == "2" || operation == "4" || operation == "9") {
    if (dictation->lockedBy != call.login) return Error(409, "Utterance " + id + " is not checked out to " + call.login);
    dictation->lockedBy.clear();
    dictation->completed = true;
  } else if (operation == "3" || operation == "8") {
    if (dictation->lockedBy == call.login) dictation->lockedBy.clear();
  } else if (operation != "5" && operation != "7") {
    return Error(400, "Unknown operation " + operation);
  }
  return Xml("<InfoResponse><SourceControl utteranceID=\"" + id + "\" operation=\"" + EscapeXml(operation) + "\" lockedBy=\"" +
             EscapeXml(dictation->lockedBy) + "\"/></InfoResponse>\n");
}

}  // namespace

const ServletFamily& SourceControlServlets() {
  static const ServletFamily family{kRequests, Serve};
  return family;
}

}  // namespace vz::simulator
