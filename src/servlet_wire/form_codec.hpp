#pragma once
// application/x-www-form-urlencoded: the bodies and query strings of servlet requests.
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vz::servlet_wire {

// Percent-encoding of a form value: unreserved characters stay, a blank becomes "+".
std::string FormEncode(std::string_view text);
// "a=1&b=x+y" from the pairs, in order.
std::string FormBody(const std::vector<std::pair<std::string, std::string>>& pairs);

// Percent-decoding with "+" as a blank; a malformed escape is kept as it is.
std::string PercentDecode(std::string_view text);
// "a=1&b=x+y" into its pairs; a later duplicate replaces an earlier one.
std::map<std::string, std::string> ParseForm(std::string_view text);

}  // namespace vz::servlet_wire
