#pragma once
// The bytes of a download kept across attempts, so that a retry asks only for the rest. A part
// lies beside the file it becomes, named
//
//   "." + target name + "~vzresume-" + tag + "-" + digest + ".part"
//
// (".Local_1001.pcm~vzresume-3-9f86...0f00a08.part"): the tag names the version of the dictation
// it belongs to, the digest is the SHA-256 of the whole file as the server first announced it,
// which a resumed answer must still carry. A target has at most one part: making one removes the
// others. The temporary-file clean-up leaves parts alone unless they are older than
// kResumablePartAge, so that abandoned ones do not pile up.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/descriptor_writer.hpp"

namespace vz::platform {

inline constexpr std::chrono::hours kResumablePartAge{24 * 7};

struct FoundPart {
  std::filesystem::path path;
  std::string digest;
  std::uint64_t size = 0;
};

// Whether a tag and a digest can name a part: a tag of 1 to 32 letters and digits, a digest of
// 64 lowercase hexadecimal digits.
bool IsResumableTag(std::string_view tag);
bool IsResumableDigest(std::string_view digest);

// True for a name made by ResumablePart.
bool IsResumablePartName(std::string_view name);

// The part kept for `target` under `tag`: a regular file of this user, never a link.
std::optional<FoundPart> FindResumablePart(const std::filesystem::path& target, std::string_view tag);

// Removes every part kept for `target`, whatever its tag.
void DiscardResumableParts(const std::filesystem::path& target);

class ResumablePart final : public DescriptorWriter {
 public:
  // Opens the part of `target` for `tag` and `digest` for appending after its first `keep` bytes
  // (0: a new, empty part); the other parts of `target` are removed. Check IsOpen().
  ResumablePart(const std::filesystem::path& target, std::string_view tag, std::string_view digest, std::uint64_t keep);
  // Closes the file and keeps it: what was written stays for the next attempt.
  ~ResumablePart();

  const std::filesystem::path& Path() const { return path_; }

  // Renames the whole file over the target.
  std::error_code Commit();
  // Removes the part: its bytes must not be resumed.
  void Discard();

 private:
  std::filesystem::path target_;
  std::filesystem::path path_;
};

}  // namespace vz::platform
