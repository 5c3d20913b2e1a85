#pragma once
// Names no other process or run will make: 128 random bits from the kernel, as 32 hex digits.
#include <string>

namespace vz::platform {

std::string RandomName();

}  // namespace vz::platform
