#include "servlet_wire/xml_text.hpp"

namespace vz::servlet_wire {
namespace {

std::string Escape(std::string_view text, bool quotes) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += quotes ? "&quot;" : "\""; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string EscapeXml(std::string_view text) { return Escape(text, true); }

std::string EscapeXmlText(std::string_view text) { return Escape(text, false); }

std::string ResolveXmlEntities(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const auto end = text.find(';', i);
    if (end == std::string_view::npos) {
      out += text.substr(i);
      break;
    }
    const std::string_view entity = text.substr(i + 1, end - i - 1);
    if (entity == "amp") out += '&';
    else if (entity == "lt") out += '<';
    else if (entity == "gt") out += '>';
    else if (entity == "quot") out += '"';
    else if (entity == "apos") out += '\'';
    else out += text.substr(i, end - i + 1);
    i = end;
  }
  return out;
}

}  // namespace vz::servlet_wire
