#include "simulator/wire_text.hpp"

#include "servlet_wire/form_codec.hpp"

namespace vz::simulator {

Target SplitTarget(std::string_view target) {
  const auto question = target.find('?');
  if (question == std::string_view::npos) return Target{std::string(target), {}};
  return Target{std::string(target.substr(0, question)), servlet_wire::ParseForm(target.substr(question + 1))};
}

}  // namespace vz::simulator
