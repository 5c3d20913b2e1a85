#include "protocol/redaction.hpp"

#include <algorithm>
#include <cctype>

namespace vz::protocol {
namespace {

bool NamesPassword(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) { return std::tolower(c); });
  return folded.find("password") != std::string::npos;
}

Json Mask(const Json& value) {
  if (value.is_array()) {
    Json masked = Json::array();
    for (std::size_t i = 0; i < value.size(); ++i) masked.push_back(kMaskedValue);
    return masked;
  }
  return kMaskedValue;
}

void MaskKeysNamingPasswords(Json& json) {
  if (json.is_object()) {
    for (auto item = json.begin(); item != json.end(); ++item) {
      if (NamesPassword(item.key()) && !item.value().is_null()) {
        item.value() = Mask(item.value());
      } else {
        MaskKeysNamingPasswords(item.value());
      }
    }
  } else if (json.is_array()) {
    for (Json& item : json) MaskKeysNamingPasswords(item);
  }
}

}  // namespace

Json Redacted(const Json& message) {
  Json copy = message;
  MaskKeysNamingPasswords(copy);
  const auto params = copy.find("params");
  if (params != copy.end() && params->is_object()) {
    const auto name = params->find("name");
    if (name != params->end() && name->is_string() && NamesPassword(name->get<std::string>())) {
      for (const char* key : {"value", "args"}) {
        if (const auto field = params->find(key); field != params->end()) *field = Mask(*field);
      }
    }
  }
  return copy;
}

std::string RedactedText(const Json& message) { return Serialize(Redacted(message)); }

}  // namespace vz::protocol
