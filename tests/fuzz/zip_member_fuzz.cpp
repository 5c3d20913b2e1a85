// A compressed list from a servlet (a ZIP archive meant to hold one file) through the unpacker.
//
// Properties: the target is replaced only when the archive holds exactly one plain member no
// larger than the limit, and then it holds that member's bytes, as many as the result says; a
// refused archive gives a reason and leaves the earlier target as it was; nothing else is left
// in the folder (no ".part").
#include <zip.h>

#include <cstdint>
#include <optional>
#include <string>

#include "execution/zip_unpacker.hpp"
#include "fuzz_support.hpp"

namespace {

constexpr std::uint64_t kLimit = 1 << 20;
constexpr std::string_view kEarlier = "<SearchLists>earlier</SearchLists>";

// The single member's bytes, read whole with libzip; nothing when it cannot be read.
std::optional<std::string> OnlyMember(const std::filesystem::path& archivePath) {
  int code = 0;
  zip_t* archive = zip_open(archivePath.c_str(), ZIP_RDONLY, &code);
  if (archive == nullptr) return std::nullopt;
  std::optional<std::string> content;
  zip_stat_t stat;
  if (zip_get_num_entries(archive, 0) == 1 && zip_stat_index(archive, 0, 0, &stat) == 0 && stat.size <= kLimit) {
    if (zip_file_t* member = zip_fopen_index(archive, 0, 0)) {
      std::string bytes(stat.size, '\0');
      if (zip_fread(member, bytes.data(), bytes.size()) == static_cast<zip_int64_t>(bytes.size())) content = bytes;
      zip_fclose(member);
    }
  }
  zip_discard(archive);
  return content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path work = vz::fuzz::BeginInput(0);
  const std::filesystem::path archive = work / "SearchLists_1_3.zip";
  const std::filesystem::path target = work / "SearchLists_1_3.xml";
  vz::fuzz::WriteWholeFile(archive, std::string_view(reinterpret_cast<const char*>(data), size));
  vz::fuzz::WriteWholeFile(target, kEarlier);

  const vz::UnpackResult result = vz::UnpackSingleMember(archive.string(), target.string(), kLimit);
  const std::string now = vz::fuzz::ReadWholeFile(target);
  if (result.unpacked) {
    VZ_REQUIRE(result.problem.empty(), result.problem);
    VZ_REQUIRE(now.size() == result.size && result.size <= kLimit, "unpacked " + std::to_string(result.size) + " bytes, the file holds " +
                                                                         std::to_string(now.size()));
    const auto member = OnlyMember(archive);
    VZ_REQUIRE(member.has_value() && *member == now, "the unpacked file is not the archive's member");
  } else {
    VZ_REQUIRE(!result.problem.empty(), "refused without a reason");
    VZ_REQUIRE(now == kEarlier, "a refused archive changed the earlier file");
  }
  const auto files = vz::fuzz::FilesUnder(work);
  VZ_REQUIRE(files == (std::vector<std::string>{"SearchLists_1_3.xml", "SearchLists_1_3.zip"}),
             "the folder holds " + std::to_string(files.size()) + " files");
  return 0;
}
