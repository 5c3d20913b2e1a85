#include "model/parameters.hpp"

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "object/case_fold.hpp"

namespace vz {
namespace {

constexpr std::string_view kAddLocation = "clsParameters.Add";

// Parameter values are traced, except those of password parameters.
std::string TracedValue(std::string_view name, const std::string& value) {
  return FoldCase(name).find("password") != std::string::npos ? std::string("********") : value;
}

}  // namespace

void clsParameter::Describe(ClassBuilder<clsParameter>& c) {
  using C = clsParameter;
  c.Property("ParmValue", &C::ParmValue, &C::SetParmValue).Default()
      .Property("ParmName", &C::ParmName, &C::SetParmName);
}

std::int32_t clsParameters::CountNamed(std::string_view name) const {
  std::int32_t count = 0;
  for (const auto& parameter : parameters_) count += parameter->ParmName() == name ? 1 : 0;
  return count;
}

bool clsParameters::Exists(const std::string& sParmName) const {
  return ErrorTrap(kClassName, "Exists")([&] { return CountNamed(sParmName) > 0; });
}

std::shared_ptr<clsParameter> clsParameters::Add(const std::string& sParmValue, const std::string& sParmName,
                                                 std::optional<INDEX_INCREMENT_TYPE> eIncrement) {
  return ErrorTrap(kClassName, "Add")([&]() -> std::shared_ptr<clsParameter> {
    GlobalTrace(kAddLocation, "sParmValue: " + TracedValue(sParmName, sParmValue) + " sParmName: " + sParmName,
                kTraceDetail);
    std::string key = sParmName;
    if (eIncrement == INDEX_INCREMENT_TYPE::iitInc) {
      GlobalTrace(kAddLocation, "eIncrement: 1", kTraceDetail);
      // The first three parameters called file are keyed file, file2 and file3.
      if (const std::int32_t named = CountNamed(sParmName); named > 0) key += std::to_string(named + 1);
    } else if (CountNamed(sParmName) > 0) {
      GlobalTrace(kAddLocation, "bfnHaveParameterWithThisName=true about to exit function", kTraceDetail);
      return nullptr;
    } else {
      GlobalTrace(kAddLocation, "bfnHaveParameterWithThisName=false", kTraceDetail);
    }
    GlobalTrace(kAddLocation, "sIndex: " + key, kTraceDetail);

    auto parameter = std::make_shared<clsParameter>();
    parameter->SetParmName(sParmName);
    parameter->SetParmValue(sParmValue);
    try {
      parameters_.Add(parameter, key);
    } catch (const AutomationError& error) {
      // A key that differs from an existing one only in case, or a numbered key a client used as
      // a plain name: logged, and the parameter is not added.
      GlobalErrorsLog("ZERUredoz.clsParameters.Add", "Error " + std::to_string(error.Number()) + ": " + error.Description());
      return nullptr;
    }
    return parameter;
  });
}

std::shared_ptr<clsParameter> clsParameters::Item(const Value& Index) const {
  return ErrorTrap(kClassName, "Item")([&] { return parameters_.ItemByIndex(Index); });
}

void clsParameters::Describe(ClassBuilder<clsParameters>& c) {
  using C = clsParameters;
  c.Creatable()
      .Operation("Add", &C::Add, {"sParmValue", "sParmName", "eIncrement"})
      .Operation("Exists", &C::Exists, {"sParmName"})
      .Property("Count", &C::Count)
      .Property("Item", &C::Item, {"Index"}).Default()
      .NewEnum(&C::Items);
}

}  // namespace vz
