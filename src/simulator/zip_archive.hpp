#pragma once
// The compressed answers of the simulator's lists: a ZIP archive (deflate) holding one member,
// built in memory with libzip.
#include <string>
#include <string_view>

namespace vz::simulator {

// The archive's bytes; throws std::runtime_error when libzip fails.
std::string ZipOneMember(std::string_view memberName, std::string_view bytes);

}  // namespace vz::simulator
