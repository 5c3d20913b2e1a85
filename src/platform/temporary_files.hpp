#pragma once
// Temporary files beside the files they will replace: the bytes of an atomic replacement, a file
// being downloaded. Each is named
//
//   "." + target name + "~vz" + process id + "-" + six random characters + suffix
//
// (".Local_47.cfg~vz4711-q3ZkT0.tmp"), so that one left behind by a process that was killed can
// be told from everything else in the folder: it carries our mark and names its writer, which no
// longer runs. Such leftovers are removed the first time a process makes a temporary file in the
// folder; files without the mark, files of other users and files of running processes are never
// touched. The parts of downloads kept for a retry (resumable_part.hpp) go only when too old.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/descriptor_writer.hpp"

namespace vz::platform {

class TemporaryFile final : public DescriptorWriter {
 public:
  // Creates the file beside `target`, open for writing (mode 0644). Check IsOpen().
  TemporaryFile(const std::filesystem::path& target, std::string_view suffix);
  // Removes the file unless it has been committed.
  ~TemporaryFile();

  const std::filesystem::path& Path() const { return path_; }

  // Closes if needed and renames the file over the target; the error, if any (the temporary file
  // is then removed with this object).
  std::error_code Commit();

 private:
  std::filesystem::path target_;
  std::filesystem::path path_;
  bool committed_ = false;
};

// True for a name made by TemporaryFile (whatever its suffix); `writer` receives the process id.
bool IsTemporaryFileName(std::string_view name, long* writer = nullptr);

// Removes from `folder` the temporary files left by processes that no longer run (and those of
// this process that no TemporaryFile holds). Returns how many were removed; errors are ignored.
std::size_t RemoveStaleTemporaryFiles(const std::filesystem::path& folder);

}  // namespace vz::platform
