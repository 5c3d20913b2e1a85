#pragma once
// A file written through its descriptor and renamed over its target once whole: what the
// temporary files and the kept parts of downloads share.
#include <filesystem>
#include <string_view>
#include <system_error>

namespace vz::platform {

class DescriptorWriter {
 public:
  DescriptorWriter(const DescriptorWriter&) = delete;
  DescriptorWriter& operator=(const DescriptorWriter&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // The errno of a failed creation, write or close.
  int Error() const { return error_; }
  // Appends all of `bytes`; false on failure (Error() says why).
  bool Write(std::string_view bytes);
  // Closes the descriptor (the file stays); false on failure.
  bool Close();

 protected:
  DescriptorWriter() = default;
  ~DescriptorWriter() = default;
  // Closes if needed and renames `written` over `target`; the error, if any. An empty `written`
  // is a file that was never made.
  std::error_code CloseAndRename(const std::filesystem::path& written, const std::filesystem::path& target);

  int fd_ = -1;
  int error_ = 0;
};

}  // namespace vz::platform
