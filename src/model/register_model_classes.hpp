#pragma once
// Registration of the request model's public classes with the automation layer.
#include "object/class_registry.hpp"

namespace vz {

// Adds every class of the request model to `registry` (registering twice is harmless).
void RegisterModelClasses(ClassRegistry& registry);

}  // namespace vz
