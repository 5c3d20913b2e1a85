// The end record of a server's ZIP archive read before the archive is opened: the member count
// and the central directory's place, checked against the file, so that an archive of millions of
// members is refused without a table of them ever being built.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "execution/zip_directory.hpp"
#include "execution/zip_unpacker.hpp"
#include "heap_peak.hpp"
#include "temp_folder.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using testing::HeapPeak;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

std::string Le(std::uint64_t value, int bytes) {
  std::string text;
  for (int i = 0; i < bytes; ++i) text += static_cast<char>((value >> (8 * i)) & 0xff);
  return text;
}

void Put(std::string& bytes, std::size_t at, std::uint64_t value, int width) { bytes.replace(at, width, Le(value, width)); }

// An archive of `members` empty stored files named by their index, as an archiver writes it; in
// ZIP64 form the end record's fields hold the marks that send the reader to the ZIP64 record.
std::string StoredArchive(std::size_t members, bool zip64) {
  std::string locals, directory;
  for (std::size_t i = 0; i < members; ++i) {
    const std::string name = std::to_string(i);
    const std::string common = Le(20, 2) + Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(0x21, 2) + Le(0, 4) + Le(0, 4) + Le(0, 4) +
                               Le(name.size(), 2) + Le(0, 2);
    directory += Le(0x02014b50, 4) + Le(20, 2) + common + Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(0, 4) + Le(locals.size(), 4) + name;
    locals += Le(0x04034b50, 4) + common + name;
  }
  std::string archive = locals + directory;
  if (zip64) {
    const std::size_t record = archive.size();
    archive += Le(0x06064b50, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(0, 4) + Le(0, 4) + Le(members, 8) + Le(members, 8) +
               Le(directory.size(), 8) + Le(locals.size(), 8);
    archive += Le(0x07064b50, 4) + Le(0, 4) + Le(record, 8) + Le(1, 4);
    return archive + Le(0x06054b50, 4) + Le(0, 2) + Le(0, 2) + Le(0xffff, 2) + Le(0xffff, 2) + Le(0xffffffff, 4) +
           Le(0xffffffff, 4) + Le(0, 2);
  }
  return archive + Le(0x06054b50, 4) + Le(0, 2) + Le(0, 2) + Le(members, 2) + Le(members, 2) + Le(directory.size(), 4) +
         Le(locals.size(), 4) + Le(0, 2);
}

// Where the records of a ZIP64 archive without a comment lie, counted from its end.
constexpr std::size_t kEnd = 22, kLocator = 42, kRecord = 98;

class ZipDirectoryTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::string zip = folder / "lists.zip";
  std::string xml = folder / "lists.xml";
};

TEST_F(ZipDirectoryTest, TheEndRecordsClaimIsCheckedAgainstTheFile) {
  struct Case {
    const char* what;
    std::string bytes;
    std::uint64_t members;  // when believed
    const char* problem;    // otherwise
  };
  const std::string one64 = StoredArchive(1, true);
  const auto patched = [&](std::size_t fromEnd, std::uint64_t value, int width) {
    std::string bytes = one64;
    Put(bytes, bytes.size() - fromEnd, value, width);
    return bytes;
  };
  std::string manyClaimed = patched(kRecord - 24, 5'000'000'000, 8);
  Put(manyClaimed, manyClaimed.size() - kRecord + 32, 5'000'000'000, 8);
  std::string twoEnds = StoredArchive(1, false);
  Put(twoEnds, twoEnds.size() - 2, kEnd, 2);  // the comment: an end record of its own
  twoEnds += twoEnds.substr(twoEnds.size() - kEnd - 0, kEnd - 2) + Le(0, 2);
  std::string commented = StoredArchive(1, false);
  Put(commented, commented.size() - 2, 5, 2);
  commented += "hello";

  const Case cases[] = {
      {"one member", StoredArchive(1, false), 1, ""},
      {"one member, ZIP64", one64, 1, ""},
      {"three members", StoredArchive(3, false), 3, ""},
      {"a comment after the end record", commented, 1, ""},
      {"billions claimed in a small directory", manyClaimed, 0, "claims 5000000000 members in a central directory of 47 bytes"},
      {"end records that disagree", patched(kEnd - 10, 2, 2), 0, "end records that disagree"},
      {"a directory past its end", patched(kRecord - 48, 1'000'000, 8), 0, "central directory outside the archive"},
      {"a locator pointing nowhere", patched(kLocator - 8, 1'000'000, 8), 0, "does not hold"},
      {"a second disk", patched(kRecord - 16, 1, 4), 0, "spans several disks"},
      {"two end records", twoEnds, 0, "more than one end of central directory"},
      {"no end record", "<html>Service unavailable</html>", 0, "Not a zip archive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(zip, c.bytes);
    const ZipDirectoryClaim claim = ReadZipDirectoryClaim(zip);
    if (*c.problem == '\0') {
      EXPECT_EQ(claim.problem, "");
      EXPECT_EQ(claim.members, c.members);
    } else {
      EXPECT_THAT(claim.problem, HasSubstr(c.problem));
    }
  }
}

TEST_F(ZipDirectoryTest, AOneMemberZip64ArchiveIsUnpacked) {
  WriteFile(zip, StoredArchive(1, true));
  WriteFile(xml, "the previous lists");
  const UnpackResult result = UnpackSingleMember(zip, xml);
  EXPECT_TRUE(result.unpacked) << result.problem;
  EXPECT_EQ(ReadFile(xml), "");
}

TEST_F(ZipDirectoryTest, AnArchiveOfManyMembersIsRefusedWithoutParsingTheirEntries) {
  WriteFile(zip, StoredArchive(70'000, true));
  WriteFile(xml, "the previous lists");
  UnpackResult result;
  const std::int64_t peak = HeapPeak::Of([&] { result = UnpackSingleMember(zip, xml); });
  EXPECT_FALSE(result.unpacked);
  EXPECT_THAT(result.problem, HasSubstr("holds 70000 members instead of one"));
  EXPECT_EQ(ReadFile(xml), "the previous lists");
  // A table of 70,000 entries takes megabytes; the end record, one block.
  if (HeapPeak::Counted()) {
    EXPECT_LT(peak, 256 * 1024);
  }
}

}  // namespace
}  // namespace vz
