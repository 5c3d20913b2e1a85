#pragma once
// Case-insensitive names and keys. Automation layers match member names and collection keys
// without regard to case; the names and keys of this server are ASCII, so ASCII folding suffices
// (bytes of multi-byte UTF-8 sequences are left as they are and compare exactly).
#include <string>
#include <string_view>

namespace vz {

// `text` with ASCII letters lowered: the form under which names and keys are looked up.
std::string FoldCase(std::string_view text);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace vz
