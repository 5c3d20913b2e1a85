// Logging in: the institution-information servlet (0011), the ping (0010), the secure login (0012)
// and the certificate request (0013).
#include "servlet_wire/xml_text.hpp"
#include "simulator/servlets/servlet_family.hpp"

namespace vz::simulator {
namespace {

constexpr std::string_view kServletSuffix = "/servlet/ScribeServlet";

constexpr RequestKind kRequests[] = {{"0010", "ping"}, {"0011", "info"}, {"0012", "login"}, {"0013", "certificate"}};

HttpReply InstitutionInformation(ServletContext& context, const ServletCall& call) {
  const std::string location = call.Parameter("location");
  for (const auto& candidate : context.institutions) {
    const InstitutionConfig& config = candidate->Config();
    if (config.name != location && config.directory != location) continue;
    const std::string stem = context.baseURL + "/" + config.directory;
    return Xml("<InfoResponse>\n  <Institution>\n    " + Element("locationID", std::to_string(config.locationID)) + "\n    " +
               Element("name", config.name) + "\n    " + Element("institutionID", std::to_string(config.institutionID)) + "\n    " +
               Element("directoryName", config.directory) + "\n    " + Element("urlStem", stem) + "\n    " +
               Element("url", stem + std::string(kServletSuffix)) +
               "\n    <webPath></webPath>\n    <realTimeTemplateChooser></realTimeTemplateChooser>\n" +
               "  </Institution>\n  <InformationServlets>\n    " + Element("url", context.baseURL + "/info" + std::string(kServletSuffix)) +
               "\n  </InformationServlets>\n</InfoResponse>\n");
  }
  return Error(404, "Location " + location + " not found");
}

HttpReply Serve(ServletContext& context, Institution* institution, ServletCall& call) {
  if (call.number == "0011") return InstitutionInformation(context, call);
  const InstitutionConfig& config = institution->Config();
  if (call.number == "0010")
    return Xml("<InfoResponse><Ping locationID=\"" + std::to_string(config.locationID) + "\" time=\"03/12/2026 09:41:07\"/></InfoResponse>\n");
  if (call.number == "0012")
    return Xml("<InfoResponse><Login login=\"" + servlet_wire::EscapeXml(call.login) + "\" locationID=\"" + std::to_string(config.locationID) +
               "\" certificate=\"" + servlet_wire::EscapeXml(call.Parameter("certificate")) + "\"/></InfoResponse>\n");
  return Xml("<InfoResponse><CertificateRequest login=\"" + servlet_wire::EscapeXml(call.login) + "\" emailAddress=\"" +
             servlet_wire::EscapeXml(call.Parameter("emailAddress")) + "\" status=\"Pending\"/></InfoResponse>\n");
}

}  // namespace

const ServletFamily& LoginAndInstitutionServlets() {
  static const ServletFamily family{kRequests, Serve};
  return family;
}

}  // namespace vz::simulator
