#include "fuzz_support.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>


#include "diagnostics/prompter.hpp"
#include "diagnostics/trace.hpp"
#include "platform/temporary_files.hpp"

namespace vz::fuzz {
namespace {

struct ScratchFolder {
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vz-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
    std::filesystem::create_directories(path / "Logs");
    std::filesystem::create_directories(path / "App");
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

}  // namespace

void Violated(const char* condition, const std::string& what, const char* file, int line) {
  std::fprintf(stderr, "\nPROPERTY VIOLATED at %s:%d: %s\n  %s\n", file, line, condition, what.c_str());
  std::fflush(stderr);
  std::abort();
}

const std::filesystem::path& Scratch() {
  static const ScratchFolder folder;
  return folder.path;
}

std::filesystem::path FreshWorkFolder() {
  const std::filesystem::path work = Scratch() / "Work";
  std::error_code ignored;
  std::filesystem::remove_all(work, ignored);
  std::filesystem::create_directories(work);
  return work;
}

void UseScratchDiagnostics(int traceLevel) {
  ResetTraceModule();
  SetLogFilePath((Scratch() / "Logs/Server.log").string());
  SetGlobalLogFile((Scratch() / "Logs/Global.log").string());
  SetGlobalSummaryLogFile((Scratch() / "Logs/Summary.log").string());
  SetApplicationPath((Scratch() / "App").string());
  SetTraceLevel(traceLevel);
  SetPrompter(nullptr);
  // The logs grow with every input: start them again now and then.
  for (const char* log : {"Logs/Server.log", "Logs/Global.log", "Logs/Summary.log"}) {
    std::error_code ignored;
    if (std::filesystem::file_size(Scratch() / log, ignored) > (std::uintmax_t{8} << 20)) std::filesystem::remove(Scratch() / log, ignored);
  }
}

std::filesystem::path BeginInput(int traceLevel) {
  UseScratchDiagnostics(traceLevel);
  return FreshWorkFolder();
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::abort();
}

std::vector<std::string> FilesUnder(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error); !error && it != std::filesystem::recursive_directory_iterator();
       it.increment(error)) {
    names.push_back(std::filesystem::relative(it->path(), folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool HasTemporaryFile(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const std::string file = std::filesystem::path(name).filename().string();
    if (platform::IsTemporaryFileName(file) || file.ends_with(".part")) return true;
  }
  return false;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::vector<std::string_view> SplitInput(std::string_view input, std::string_view separator, std::size_t limit) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < limit) {
    const std::size_t at = input.find(separator);
    if (at == std::string_view::npos) break;
    parts.push_back(input.substr(0, at));
    input.remove_prefix(at + separator.size());
  }
  parts.push_back(input);
  return parts;
}

}  // namespace vz::fuzz
