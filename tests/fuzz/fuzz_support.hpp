#pragma once
// What every fuzz target shares: a scratch folder of the process for the files an input makes
// (emptied before each input), the diagnostics pointed into it, and property checks that end the
// process as a crash, so that libFuzzer keeps the input and the corpus driver fails.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vz::fuzz {

// Ends the process with `what` on standard error when `holds` is false.
#define VZ_REQUIRE(holds, what)                                        \
  do {                                                                 \
    if (!(holds)) ::vz::fuzz::Violated(#holds, (what), __FILE__, __LINE__); \
  } while (false)

[[noreturn]] void Violated(const char* condition, const std::string& what, const char* file, int line);

// The process's scratch folder under $TMPDIR (removed at exit), with "Logs" and "App" inside.
const std::filesystem::path& Scratch();
// A fresh, empty "Work" folder in the scratch folder.
std::filesystem::path FreshWorkFolder();

// Logs in the scratch folder, headless message boxes, the trace at `traceLevel`.
void UseScratchDiagnostics(int traceLevel = 1);
// What each input starts with: the scratch diagnostics at `traceLevel` and a fresh "Work" folder,
// which it returns.
std::filesystem::path BeginInput(int traceLevel = 1);

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);
// Every file under `folder` (recursively), relative to it, sorted.
std::vector<std::string> FilesUnder(const std::filesystem::path& folder);
// True when one of `names` is a temporary file (marked ".<name>~vz<pid>-XXXXXX.<suffix>") or a
// ".part" file.
bool HasTemporaryFile(const std::vector<std::string>& names);

std::string Lower(std::string_view text);

// Splits a fuzz input into the parts separated by `separator` (at most `limit` parts; the last
// one takes the rest).
std::vector<std::string_view> SplitInput(std::string_view input, std::string_view separator, std::size_t limit);

}  // namespace vz::fuzz
