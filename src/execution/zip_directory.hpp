#pragma once
// What a ZIP archive says about its central directory, read from its end record (or the ZIP64
// record it points to) without parsing the directory itself: the number of members and where the
// directory lies. An archive holding millions of members must be refused before a ZIP reader
// builds its table of all of them, which takes seconds and hundreds of MiB.
#include <cstdint>
#include <string>

namespace vz {

struct ZipDirectoryClaim {
  std::uint64_t members = 0;
  std::uint64_t directorySize = 0;
  std::uint64_t directoryOffset = 0;
  std::string problem;  // why the end record cannot be believed; empty when it can
};

// Reads the end record of `zipFile` and checks it against the file: one disk, the directory inside
// the file before its end record, and room in the directory for as many members as it claims (and
// no more room than that many can take).
ZipDirectoryClaim ReadZipDirectoryClaim(const std::string& zipFile);

}  // namespace vz
