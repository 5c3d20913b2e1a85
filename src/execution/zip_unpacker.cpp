#include "execution/zip_unpacker.hpp"

#include <zip.h>

#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <vector>

#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "execution/contacts_files.hpp"
#include "execution/zip_directory.hpp"
#include "platform/temporary_files.hpp"

namespace vz {
namespace {

constexpr std::string_view kWhere = "modPenwrightClientUtils.DecompressFile";
constexpr std::size_t kBlock = 64 * 1024;

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct MemberCloser {
  void operator()(zip_file_t* member) const { zip_fclose(member); }
};

std::string ArchiveError(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

// The member is written under a name of our own, so its name may hold folders; but it has to be
// a file: not a folder entry ("lists/") and not a symbolic link, whose data is a path.
bool IsFileMember(zip_t* archive, std::string_view name) {
  if (name.empty() || name.back() == '/' || name.back() == '\\') return false;
  zip_uint8_t system = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(archive, 0, 0, &system, &attributes) != 0) return false;
  return system != ZIP_OPSYS_UNIX || ((attributes >> 16) & S_IFMT) != S_IFLNK;
}

UnpackResult Refused(std::string problem) {
  UnpackResult result;
  result.problem = std::move(problem);
  return result;
}

}  // namespace

UnpackResult UnpackSingleMember(const std::string& zipFile, const std::string& target, std::uint64_t largestMember) {
  // The member count comes from the end record first: libzip would parse every member's entry
  // before it could be refused.
  const ZipDirectoryClaim claim = ReadZipDirectoryClaim(zipFile);
  if (!claim.problem.empty()) return Refused(claim.problem);
  if (claim.members != 1) return Refused(zipFile + " holds " + std::to_string(claim.members) + " members instead of one");
  int code = 0;
  std::unique_ptr<zip_t, ArchiveCloser> archive(zip_open(zipFile.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
  if (!archive) return Refused("Cannot open " + zipFile + ": " + ArchiveError(code));
  const zip_int64_t members = zip_get_num_entries(archive.get(), 0);
  if (members != 1) return Refused(zipFile + " holds " + std::to_string(members) + " members instead of one");
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive.get(), 0, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE))
    return Refused("Cannot read the member of " + zipFile + ": " + zip_strerror(archive.get()));
  const std::string name = stat.name;
  if (!IsFileMember(archive.get(), name)) return Refused("Refused member " + name + " in " + zipFile + ": not a file");
  if (stat.size > largestMember)
    return Refused("The member " + name + " of " + zipFile + " is larger than " + std::to_string(largestMember) + " bytes");

  std::unique_ptr<zip_file_t, MemberCloser> member(zip_fopen_index(archive.get(), 0, 0));
  if (!member) return Refused("Cannot read " + name + " in " + zipFile + ": " + zip_strerror(archive.get()));
  // A temporary file of our own beside the target: a link planted under a fixed name is never
  // written through, and the target is replaced only by a whole member.
  platform::TemporaryFile out(target, ".part");
  if (!out.IsOpen()) return Refused("Cannot write beside " + target + ": " + std::strerror(out.Error()));
  const std::string part = out.Path().string();
  UnpackResult result;
  {
    std::vector<char> block(kBlock);
    while (true) {
      const zip_int64_t read = zip_fread(member.get(), block.data(), block.size());
      if (read < 0) {
        // A damaged member: its data or checksum does not hold.
        result.problem = "Cannot unpack " + name + " in " + zipFile + ": " + zip_file_strerror(member.get());
        break;
      }
      if (read == 0) break;
      result.size += static_cast<std::uint64_t>(read);
      // The declared size is the archive's word only: the bytes are counted too.
      if (result.size > largestMember || result.size > stat.size) {
        result.problem = "The member " + name + " of " + zipFile + " is larger than it says";
        break;
      }
      if (!out.Write(std::string_view(block.data(), static_cast<std::size_t>(read)))) {
        result.problem = "Cannot write " + part + ": " + std::strerror(out.Error());
        break;
      }
    }
    if (result.problem.empty() && !out.Close()) result.problem = "Cannot write " + part + ": " + std::strerror(out.Error());
  }
  if (result.problem.empty() && result.size != stat.size)
    result.problem = "The member " + name + " of " + zipFile + " ended after " + std::to_string(result.size) + " of " +
                     std::to_string(stat.size) + " bytes";
  if (result.problem.empty()) {
    if (const std::error_code renamed = out.Commit()) result.problem = "Cannot replace " + target + ": " + renamed.message();
  }
  if (!result.problem.empty()) {
    result.size = 0;  // the temporary file goes with `out`
    return result;
  }
  result.unpacked = true;
  return result;
}

bool DecompressFile(const std::string& zipFile) {
  const UnpackResult result = UnpackSingleMember(zipFile, sfnFileNameExtensionToXML(zipFile));
  if (!result.unpacked) {
    GlobalErrorsLog(kWhere, result.problem);
    return false;
  }
  GlobalTrace(kWhere, zipFile + " successfully decompressed: file size " + std::to_string(result.size));
  return true;
}

}  // namespace vz
