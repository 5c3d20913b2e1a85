#pragma once
// Unpacking the compressed lists a servlet sends (search lists, contact lists and their changes):
// a ZIP archive holding exactly one file, written beside the archive under the archive's name
// with ".xml" for ".zip". The archive comes from the server and is not trusted: an archive with
// more or fewer than one member, a member that is a folder or a symbolic link, or a member larger
// than the limit is refused and nothing is written; the member's own name (folders included) does
// not matter, the target's is ours. The member is streamed in blocks to a temporary file that
// replaces the target only when it was read whole and its checksum held.
#include <cstdint>
#include <string>

namespace vz {

// The largest member unpacked.
inline constexpr std::uint64_t kLargestUnpackedMember = std::uint64_t(256) << 20;

struct UnpackResult {
  bool unpacked = false;
  std::uint64_t size = 0;  // bytes written
  std::string problem;     // why nothing was written
};

// Unpacks the single member of `zipFile` into `target`.
UnpackResult UnpackSingleMember(const std::string& zipFile, const std::string& target,
                                std::uint64_t largestMember = kLargestUnpackedMember);

// Unpacks `zipFile` into sfnFileNameExtensionToXML(zipFile); true on success, traced
// zipFile + " successfully decompressed: file size " + size. A refusal is written to the error log.
bool DecompressFile(const std::string& zipFile);

}  // namespace vz
