// Parts kept for a retry: found again by tag, one per target, left alone by the temporary-file
// clean-up until they are old, and never written through a link.
#include "platform/resumable_part.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/temporary_files.hpp"
#include "temp_folder.hpp"

namespace vz::platform {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

const std::string kDigestA(64, 'a');
const std::string kDigestB(64, 'b');

TEST(ResumableParts, AreFoundByTagAndContinueAfterTheBytesKept) {
  TempFolder folder;
  const auto target = folder.Path() / "Local_1001.pcm";
  {
    ResumablePart part(target, "3", kDigestA, 0);
    ASSERT_TRUE(part.IsOpen());
    EXPECT_TRUE(part.Write("0123456789"));
  }  // cut short: the bytes stay
  EXPECT_FALSE(FindResumablePart(target, "4"));
  const auto found = FindResumablePart(target, "3");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->digest, kDigestA);
  EXPECT_EQ(found->size, 10u);

  ResumablePart resumed(target, "3", kDigestA, 6);  // only the first 6 bytes are trusted
  ASSERT_TRUE(resumed.IsOpen());
  EXPECT_TRUE(resumed.Write("abc"));
  EXPECT_FALSE(resumed.Commit());
  EXPECT_EQ(ReadFile(target), "012345abc");
  EXPECT_FALSE(FindResumablePart(target, "3"));
}

TEST(ResumableParts, ATargetKeepsOnlyItsNewestPart) {
  TempFolder folder;
  const auto target = folder.Path() / "Local_1001.pcm";
  { ResumablePart old(target, "3", kDigestA, 0); old.Write("old"); }
  { ResumablePart fresh(target, "4", kDigestB, 0); fresh.Write("new"); }
  EXPECT_FALSE(FindResumablePart(target, "3"));
  ASSERT_TRUE(FindResumablePart(target, "4"));
  DiscardResumableParts(target);
  EXPECT_FALSE(FindResumablePart(target, "4"));
}

TEST(ResumableParts, TheCleanUpRemovesOnlyOldParts) {
  TempFolder folder;
  const auto fresh = folder.Path() / "Local_1.pcm";
  const auto stale = folder.Path() / "Local_2.pcm";
  { ResumablePart part(fresh, "1", kDigestA, 0); part.Write("x"); }
  std::filesystem::path stalePath;
  { ResumablePart part(stale, "1", kDigestA, 0); part.Write("x"); stalePath = part.Path(); }
  std::filesystem::last_write_time(stalePath, std::filesystem::file_time_type::clock::now() - kResumablePartAge - std::chrono::hours(1));
  EXPECT_FALSE(IsTemporaryFileName(stalePath.filename().string()));
  EXPECT_TRUE(IsResumablePartName(stalePath.filename().string()));
  EXPECT_EQ(RemoveStaleTemporaryFiles(folder.Path()), 1u);
  EXPECT_TRUE(FindResumablePart(fresh, "1"));
  EXPECT_FALSE(FindResumablePart(stale, "1"));
}

TEST(ResumableParts, AreNeverWrittenThroughALinkNorMadeFromUnsafeNames) {
  TempFolder folder;
  const auto target = folder.Path() / "Local_1001.pcm";
  const auto outside = folder.Path() / "elsewhere";
  WriteFile(outside, "keep");
  std::filesystem::create_symlink(outside, folder.Path() / (".Local_1001.pcm~vzresume-3-" + kDigestA + ".part"));
  EXPECT_FALSE(FindResumablePart(target, "3"));
  ResumablePart part(target, "3", kDigestA, 2);
  EXPECT_FALSE(part.IsOpen());
  EXPECT_EQ(ReadFile(outside), "keep");

  EXPECT_FALSE(ResumablePart(target, "../3", kDigestA, 0).IsOpen());
  EXPECT_FALSE(ResumablePart(target, "3", "not-a-digest", 0).IsOpen());
}

}  // namespace
}  // namespace vz::platform
