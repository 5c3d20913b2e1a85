#pragma once
// Query strings sent with some calls: "&name=value" for each parameter of a set, values
// percent-encoded for the characters that would break a query.
#include <memory>
#include <string>
#include <string_view>

namespace vz {

class clsParameters;

// Replaces each of %?&#$+<>,/~={}[]:;! by "%" and its two-digit upper-case hexadecimal code,
// "%" first so that nothing is encoded twice; everything else passes unchanged.
std::string encode(std::string_view text);

// "&" + name + "=" + encode(trimmed value) for every parameter but "PendingNote", in order.
std::string sfn404ParameterString(const std::shared_ptr<clsParameters>& parameters);
std::string sfnHL7SearchParameterString(const std::shared_ptr<clsParameters>& parameters);

}  // namespace vz
