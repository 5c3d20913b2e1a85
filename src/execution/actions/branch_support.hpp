#pragma once
// Small pieces the family files share: parameters by name, the two early ends of a branch, and the
// dictation list as a call receives it.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "object/value.hpp"

namespace vz {

class clsDatabaseRequest;
class clsGenericRequest;
struct ActionEntry;

// Where the branches of Run trace and log.
inline constexpr std::string_view kRunLocation = "clsDatabaseRequest.Run";

// A parameter of the set by name, in any letter case, as the collection's keys are matched.
std::optional<std::string> FindParameter(const std::shared_ptr<clsGenericRequest>& generic, std::string_view name);
// The same, "" when absent.
std::string ParameterValue(const std::shared_ptr<clsGenericRequest>& generic, std::string_view name);

// Ends the branch with the request closed and `message` as its error text; returns false.
bool Refuse(clsDatabaseRequest& request, std::string message);
// Ends the branch with nothing to do (traced): the next tick runs the following action; returns false.
bool Skip(clsDatabaseRequest& request, std::string_view trace);

// The request's dictation list as a call receives it: an array of entries.
Value DictationListValue(const clsDatabaseRequest& request);
// The values of the table's parameter names, in the table's order.
std::vector<Value> TableArguments(const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>& generic);
// Texts as one array argument.
Value TextsValue(const std::vector<std::string>& texts);

}  // namespace vz
