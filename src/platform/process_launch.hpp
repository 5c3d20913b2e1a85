#pragma once
// Starting a helper program without waiting for it, as the desktop's process launch does.
#include <filesystem>
#include <string>
#include <vector>

namespace vz::platform {

// Starts `program` with `arguments` (not through a shell) and returns at once; the child is
// reaped in the background. False when the program is missing or cannot be started.
bool LaunchProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments);

}  // namespace vz::platform
