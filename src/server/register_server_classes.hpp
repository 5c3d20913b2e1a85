#pragma once
// Registers the public classes of the server frame and of the layers below it, so that clients
// can create and describe them by name.
#include "object/class_registry.hpp"

namespace vz {

void RegisterServerClasses(ClassRegistry& registry);

}  // namespace vz
