#include "execution/call_arguments.hpp"

#include "object/case_fold.hpp"

namespace vz {

std::string CallArguments::Named(std::string_view name) const {
  if (const auto found = named.find(name); found != named.end()) return found->second;
  for (const auto& [key, value] : named) {
    if (EqualsIgnoreCase(key, name)) return value;
  }
  return {};
}

}  // namespace vz
