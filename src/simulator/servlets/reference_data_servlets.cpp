// Reference data: locked dictations (0107), speakers, worktypes and search lists (0201), and the
// template and dictionary catalogue (0009, 0220, 0231).
#include "simulator/servlets/servlet_family.hpp"
#include "simulator/wire_text.hpp"

namespace vz::simulator {
namespace {

constexpr RequestKind kRequests[] = {
    {"0107", "lockedlist"}, {"0201", "lists"}, {"0009", "templatetime"}, {"0220", "templatelist"}, {"0231", "dictionaries"}};

HttpReply Lists(const Institution& institution) {
  std::string lists = "<InfoResponse>\n";
  for (const Dictation& dictation : institution.Dictations())
    lists += "  <Speaker code=\"" + EscapeXml(dictation.speakerCode) + "\">" + EscapeXml(dictation.speakerName) + "</Speaker>\n";
  lists += "  <WorkType id=\"1\">Consultation</WorkType>\n  <WorkType id=\"2\">Discharge Summary</WorkType>\n</InfoResponse>\n";
  return Xml(lists);
}

HttpReply Serve(ServletContext&, Institution* institution, ServletCall& call) {
  if (call.number == "0107") return WorkQueueAnswer(*institution, call, true);
  if (call.number == "0201") return Lists(*institution);
  if (call.number == "0009") return Xml("<InfoResponse Day=\"12\" Month=\"3\" Year=\"2026\" Hour=\"9\" Minute=\"41\" Second=\"7\"/>\n");
  if (call.number == "0220") return Xml("<InfoResponse><Count>0</Count></InfoResponse>\n");
  return Xml("<InfoResponse></InfoResponse>\n");
}

}  // namespace

const ServletFamily& ReferenceDataServlets() {
  static const ServletFamily family{kRequests, Serve};
  return family;
}

}  // namespace vz::simulator
