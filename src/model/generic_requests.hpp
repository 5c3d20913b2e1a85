#pragma once
// clsGenericRequests: the list of generic requests a request specification carries. The executing
// request walks it stage by stage (NextAction) and finds an action's entry (GetFirst); the client
// reads the results after completion.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/generic_request.hpp"
#include "model/request_enums.hpp"
#include "object/automation_object.hpp"
#include "object/collection.hpp"
#include "object/value.hpp"

namespace vz {

class clsGenericRequests : public AutomationObject<clsGenericRequests> {
 public:
  static constexpr std::string_view kClassName = "clsGenericRequests";
  static void Describe(ClassBuilder<clsGenericRequests>& c);

  // Appends a new entry for action eType and returns it.
  std::shared_ptr<clsGenericRequest> Add(std::int32_t eType);
  std::int32_t Count() const { return requests_.Count(); }
  std::shared_ptr<clsGenericRequest> Item(const Value& Index) const;
  void Remove(const Value& Index);
  std::vector<std::shared_ptr<clsGenericRequest>> Entries() const { return {requests_.begin(), requests_.end()}; }
  auto begin() const { return requests_.begin(); }
  auto end() const { return requests_.end(); }

  // The first entry of action eRequestType whose flag for eState is still off; the flag is set
  // as the entry is handed out, so each entry comes out once per stage. Nothing when none is left.
  std::shared_ptr<clsGenericRequest> NextAction(std::int32_t eRequestType, REQUEST_STATE eState);
  // The last entry of action eType in list order, or nothing.
  std::shared_ptr<clsGenericRequest> GetFirst(std::int32_t eType) const;
  // Traces, for each entry, its first error message or that it has none.
  void LogErrors(const std::string& sContext);

 private:
  Collection<std::shared_ptr<clsGenericRequest>> requests_;
};

}  // namespace vz
