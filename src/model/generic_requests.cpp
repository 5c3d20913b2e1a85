#include "model/generic_requests.hpp"

#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"

namespace vz {
namespace {

std::string BooleanText(bool value) { return value ? "True" : "False"; }

// Takes the entry for a stage: true (and the flag set) when its flag was still off.
bool TakeForStage(clsGenericRequest& request, REQUEST_STATE stage) {
  switch (stage) {
    case REQUEST_STATE::NotTransmitted:
      if (request.Transmitted()) return false;
      request.SetTransmitted(true);
      return true;
    case REQUEST_STATE::NotCompleted:
      if (request.Completed()) return false;
      request.SetCompleted(true);
      return true;
    case REQUEST_STATE::NotRetrieved:
      if (request.Retrieved()) return false;
      request.SetRetrieved(true);
      return true;
  }
  return false;  // other state values match nothing
}

}  // namespace

std::shared_ptr<clsGenericRequest> clsGenericRequests::Add(std::int32_t eType) {
  return ErrorTrap(kClassName, "Add")([&] {
    auto request = std::make_shared<clsGenericRequest>();
    request->SetRequestType(eType);
    return requests_.Add(std::move(request));
  });
}

std::shared_ptr<clsGenericRequest> clsGenericRequests::Item(const Value& Index) const {
  return ErrorTrap(kClassName, "Item")([&] { return requests_.ItemByIndex(Index); });
}

void clsGenericRequests::Remove(const Value& Index) {
  ErrorTrap(kClassName, "Remove")([&] { requests_.RemoveByIndex(Index); });
}

std::shared_ptr<clsGenericRequest> clsGenericRequests::NextAction(std::int32_t eRequestType, REQUEST_STATE eState) {
  return ErrorTrap(kClassName, "NextAction")([&]() -> std::shared_ptr<clsGenericRequest> {
    constexpr std::string_view kWhere = "clsGenericRequests.NextAction";
    GlobalTrace(kWhere,
                "Entering sub. RequestType = " + std::to_string(eRequestType) +
                    ". RequestState=" + std::to_string(static_cast<std::int32_t>(eState)),
                kTraceDetail);
    for (const auto& request : requests_) {
      GlobalTrace(kWhere,
                  "Examining request.  Type = " + std::to_string(request->RequestType()) +
                      "Transmitted = " + BooleanText(request->Transmitted()) +
                      ". Completed = " + BooleanText(request->Completed()) +
                      ".  Retrieved = " + BooleanText(request->Retrieved()),
                  kTraceDetail);
      if (request->RequestType() == eRequestType && TakeForStage(*request, eState)) return request;
    }
    return nullptr;
  });
}

std::shared_ptr<clsGenericRequest> clsGenericRequests::GetFirst(std::int32_t eType) const {
  return ErrorTrap(kClassName, "GetFirst")([&] {
    // Despite the name the walk goes to the end: the last entry of the type wins.
    std::shared_ptr<clsGenericRequest> found;
    for (const auto& request : requests_) {
      if (request->RequestType() == eType) found = request;
    }
    return found;
  });
}

void clsGenericRequests::LogErrors(const std::string& sContext) {
  ErrorTrap(kClassName, "LogErrors")([&] {
    constexpr std::string_view kWhere = "clsGenericRequests.LogErrors";
    for (const auto& request : requests_) {
      const std::string type = std::to_string(request->RequestType());
      const auto messages = request->ErrorMessages();
      if (messages->Count() == 0) {
        GlobalTrace(kWhere, sContext + ": No errors found in (" + type + ")");
        continue;
      }
      // Only the first message of an entry is reported.
      const std::string first = messages->Item(Value(std::int32_t{1})).ToString();
      GlobalTrace(kWhere, first.empty() ? sContext + ": Count of errors = 1, but no message string in (" + type + ")"
                                        : sContext + ": Error found in (" + type + "): " + first);
    }
  });
}

void clsGenericRequests::Describe(ClassBuilder<clsGenericRequests>& c) {
  using C = clsGenericRequests;
  c.Creatable()
      .Operation("Add", &C::Add, {"eType"})
      .Property("Count", &C::Count)
      .Property("Item", &C::Item, {"Index"}).Default()
      .NewEnum(&C::Entries)
      .Operation("Remove", &C::Remove, {"Index"})
      .Operation("NextAction", &C::NextAction, {"eRequestType", "eState"})
      .Operation("GetFirst", &C::GetFirst, {"eType"})
      .Operation("LogErrors", &C::LogErrors, {"sContext"});
}

}  // namespace vz
