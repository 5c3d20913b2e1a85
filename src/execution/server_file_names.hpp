#pragma once
// File names a server chooses (template and dictionary names): they name a file of the download
// folder and nothing else. Accepted: 1 to 255 bytes, none of them "/", "\", NUL or another control
// character, no ".." anywhere, and not "." (so no absolute path, no folder part and no way up).
// The download folder also holds the dictations' own files, so a name that is one of them
// ("Local_<digits>" in any letter case, with or without an extension) or one of our temporary files is refused too.
#include <string>
#include <string_view>

namespace vz {

// Empty when `name` is acceptable, otherwise why it is refused.
std::string ServerFileNameProblem(std::string_view name);

}  // namespace vz
