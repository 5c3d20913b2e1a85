#include "model/typed_collections.hpp"

#include <optional>
#include <source_location>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "object/standard_errors.hpp"

namespace vz {

// ---- clsCollectionOfStrings

std::string clsCollectionOfStrings::Add(const std::string& sString, const std::string& sID) {
  return ErrorTrap(kClassName, "Add")([&] {
    constexpr std::string_view kWhere = "clsCollectionOfStrings.Add";
    GlobalTrace(kWhere, "Adding string with ID = " + sID + ": \r\n" + sString, kTraceDetail);
    strings_.Add(sString, sID);
    // Read back through the key, so the trace shows what a client will get.
    GlobalTrace(kWhere, "After add.  m_colString(" + sID + "): \r\n" + strings_.Item(std::string_view(sID)),
                kTraceDetail);
    return sString;
  });
}

std::string clsCollectionOfStrings::Item(const Value& Index) const {
  // Not trapped: a client asking for a string that is not there must learn it, so the error goes
  // back up with the line of the failing lookup named in its description.
  const int line = static_cast<int>(std::source_location::current().line());
  try {
    return strings_.ItemByIndex(Index);
  } catch (...) {
    const AutomationError error = CurrentErrorAsAutomationError(line);
    throw AutomationError(error.Number(),
                          error.Description() + "(Original source of error: " + std::string(kProjectName) +
                              ".clsCollectionOfString.Item line " + std::to_string(line) + ")",
                          error.Source(), line);
  }
}

void clsCollectionOfStrings::Remove(const Value& Index) {
  ErrorTrap(kClassName, "Remove")([&] { strings_.RemoveByIndex(Index); });
}

void clsCollectionOfStrings::Describe(ClassBuilder<clsCollectionOfStrings>& c) {
  using C = clsCollectionOfStrings;
  c.Creatable()
      .Operation("Add", &C::Add, {"sString", "sID"})
      .Property("Count", &C::Count)
      .Property("Item", &C::Item, {"Index"}).Default()
      .NewEnum(&C::Items)
      .Operation("Remove", &C::Remove, {"Index"});
}

// ---- clsCollectionOfLongs

std::int32_t clsCollectionOfLongs::Add(std::int32_t lLong, const Value& vID) {
  return ErrorTrap(kClassName, "Add")([&] {
    std::optional<std::string> key;
    const Value id = vID.Scalar();
    if (id.GetType() == Value::Type::String) {
      key = id.String();
    } else if (!id.IsEmpty() && !id.IsMissing()) {
      RaiseStandardError(kErrTypeMismatch, "vID");  // keys are text, as in any keyed collection
    }
    longs_.Add(lLong, std::move(key));
    return lLong;
  });
}

std::int32_t clsCollectionOfLongs::Item(const Value& Index) const {
  return ErrorTrap(kClassName, "Item")([&] { return longs_.ItemByIndex(Index); });
}

void clsCollectionOfLongs::Remove(const Value& Index) {
  ErrorTrap(kClassName, "Remove")([&] { longs_.RemoveByIndex(Index); });
}

void clsCollectionOfLongs::Describe(ClassBuilder<clsCollectionOfLongs>& c) {
  using C = clsCollectionOfLongs;
  c.Creatable()
      .Operation("Add", &C::Add, {"lLong", "vID"})
      .Property("Count", &C::Count)
      .Property("Item", &C::Item, {"Index"})
      .NewEnum(&C::Items)
      .Operation("Remove", &C::Remove, {"Index"});
}

}  // namespace vz
