// Dictation operations and QA (03xx, 04xx).
#include "simulator/servlets/servlet_family.hpp"

namespace vz::simulator {

// No call of this family is served yet: every number of it answers "Class RequestNNNN not found".
const ServletFamily& DictationOperationServlets() {
  static const ServletFamily family{{}, nullptr};
  return family;
}

}  // namespace vz::simulator
