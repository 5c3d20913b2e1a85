#pragma once
// Small pieces the family files share: parameters by name, the two early ends of a branch, and the
// arguments most calls take.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "execution/call_arguments.hpp"

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

// The values of the table's parameter names, by those names.
CallArguments TableArguments(const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>& generic);
// The request's dictation list as the call's dictations.
CallArguments DictationListArguments(const clsDatabaseRequest& request);
// A flag as the servlet reads it.
inline std::string TrueFalse(bool flag) { return flag ? "True" : "False"; }

}  // namespace vz
