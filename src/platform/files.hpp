#pragma once
// File helpers standing in for the platform's file calls: whole-line appends that are on disk at
// once, atomic replacement of user files, and the "hidden" attribute.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vz::platform {

// Opens `path` for appending, writes `bytes` with a single write and closes it again, so that
// concurrent writers in other processes never interleave inside a line and nothing is buffered.
// Returns false when the file cannot be opened or the write is short. A symbolic link under the
// name is not followed: the append fails instead.
bool AppendWhole(const std::filesystem::path& path, std::string_view bytes);
// The same for a path already at hand as text, as the trace has it for every line: building a
// std::filesystem::path costs more than the rest of the line's formatting.
bool AppendWhole(const char* path, std::string_view bytes);

// Replaces `path` with `bytes`: the bytes go to a temporary file in the same folder
// (temporary_files.hpp), which is then renamed over the target, so a crash leaves either the old
// file or the new one, never a mix.
// Throws std::system_error on failure; the old file is untouched then.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Linux has no hidden attribute; the convention of the desktop is a name starting with ".".
// A file is hidden exactly when its name does, so "clearing" the attribute before a rewrite and
// "restoring" it afterwards needs no work: an atomic replace keeps the name.
bool IsHiddenFile(const std::filesystem::path& path);

// True for an existing regular file (symbolic links followed), false on any error.
bool IsRegularFile(const std::filesystem::path& path);

}  // namespace vz::platform
