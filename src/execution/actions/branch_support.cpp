#include "execution/actions/branch_support.hpp"

#include "diagnostics/trace.hpp"
#include "execution/action_table.hpp"
#include "execution/database_request.hpp"
#include "model/generic_request.hpp"
#include "model/parameters.hpp"
#include "object/case_fold.hpp"

namespace vz {

std::optional<std::string> FindParameter(const std::shared_ptr<clsGenericRequest>& generic, std::string_view name) {
  if (!generic) return std::nullopt;
  for (const auto& parameter : generic->Parameters()->Items()) {
    if (EqualsIgnoreCase(parameter->ParmName(), name)) return parameter->ParmValue();
  }
  return std::nullopt;
}

std::string ParameterValue(const std::shared_ptr<clsGenericRequest>& generic, std::string_view name) {
  return FindParameter(generic, name).value_or(std::string());
}

bool Refuse(clsDatabaseRequest& request, std::string message) {
  request.SetGlobalErrorMessage(std::move(message));
  request.CloseRequest();
  return false;
}

bool Skip(clsDatabaseRequest& request, std::string_view trace) {
  GlobalTrace(kRunLocation, trace);
  request.ResumePump();
  return false;
}

Value DictationListValue(const clsDatabaseRequest& request) {
  Value::Array entries;
  for (const auto& entry : request.DictationList()) entries.push_back(entry.ToValue());
  return Value(std::move(entries));
}

std::vector<Value> TableArguments(const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>& generic) {
  std::vector<Value> arguments;
  for (const auto name : entry.parameters) arguments.emplace_back(ParameterValue(generic, name));
  return arguments;
}

Value TextsValue(const std::vector<std::string>& texts) {
  Value::Array values;
  for (const auto& text : texts) values.emplace_back(text);
  return Value(std::move(values));
}

}  // namespace vz
