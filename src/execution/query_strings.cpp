#include "execution/query_strings.hpp"

#include <cstdio>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "model/parameters.hpp"

namespace vz {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string ParameterString(const std::shared_ptr<clsParameters>& parameters, std::string_view operation) {
  const std::string location = "clsDatabaseRequest." + std::string(operation);
  return RaiseTrap("in ZERUredoz.clsDatabaseRequest." + std::string(operation) + ".")([&] {
    std::string text;
    if (parameters) {
      for (const auto& parameter : parameters->Items()) {
        if (parameter->ParmName() == "PendingNote") continue;
        text.append("&").append(parameter->ParmName()).append("=").append(encode(TrimBlanks(parameter->ParmValue())));
      }
    }
    GlobalTrace(location, "ParmString = " + text);
    return text;
  });
}

}  // namespace

std::string encode(std::string_view text) {
  return RaiseTrap("in ZERUredoz.clsDatabaseRequest.encode.")([&] {
    std::string out(text);
    for (const char special : std::string_view("%?&#$+<>,/~={}[]:;!")) {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(special));
      std::string replaced;
      replaced.reserve(out.size());
      for (const char c : out) {
        if (c == special) {
          replaced += code;
        } else {
          replaced += c;
        }
      }
      out = std::move(replaced);
    }
    return out;
  });
}

std::string sfn404ParameterString(const std::shared_ptr<clsParameters>& parameters) {
  return ParameterString(parameters, "sfn404ParameterString");
}

std::string sfnHL7SearchParameterString(const std::shared_ptr<clsParameters>& parameters) {
  return ParameterString(parameters, "sfnHL7SearchParameterString");
}

}  // namespace vz
