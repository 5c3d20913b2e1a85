#include "simulator/institution.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

#include "audio/sphere_writer.hpp"
#include "platform/files.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/sha256.hpp"

namespace vz::simulator {
namespace {

constexpr const char* kSpeakers[][2] = {{"DRX", "Dr. Alex Example"}, {"DRM", "Dr. Mira Sample"}, {"DRT", "Dr. Tom Placeholder"}};
constexpr const char* kWorkTypes[] = {"Consultation", "Discharge Summary", "Operative Note", "Progress Note"};
constexpr const char* kPatients[] = {"Doe, Jane", "Roe, Richard", "Public, Joan", "Bloggs, Fred"};

std::uint32_t NextRandom(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// Replaced whole, never written through a link planted in the data folder.
bool WriteText(const std::filesystem::path& path, const std::string& text) {
  try {
    platform::WriteFileAtomically(path, text);
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void Describe(Dictation& dictation, std::size_t index) {
  dictation.priority = static_cast<int>(index % 3) + 1;
  dictation.speakerCode = kSpeakers[index % 3][0];
  dictation.speakerName = kSpeakers[index % 3][1];
  dictation.workType = kWorkTypes[index % 4];
  dictation.patientName = kPatients[index % 4];
  dictation.medicalRecordNumber = "MRN-" + std::to_string(4400 + index);
}

}  // namespace

bool GenerateDictationAudio(const std::filesystem::path& path, int seconds, int sampleRate, std::uint32_t seed,
                            std::string& problem) {
  audio::SphereWriter writer(path, sampleRate, 1);
  if (!writer.IsOpen()) {
    problem = writer.Problem();
    return false;
  }
  std::uint32_t state = seed * 2654435761u + 1;
  const double pitch = 110.0 + (NextRandom(state) % 90);
  const double syllable = 3.0 + (NextRandom(state) % 30) / 10.0;
  const double step = 2.0 * std::numbers::pi / sampleRate;
  std::vector<std::int16_t> block(4096);
  const std::int64_t total = static_cast<std::int64_t>(seconds) * sampleRate;
  for (std::int64_t done = 0; done < total;) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(block.size()), total - done));
    for (std::size_t i = 0; i < count; ++i) {
      const double t = static_cast<double>(done + static_cast<std::int64_t>(i));
      const double envelope = std::max(0.0, std::sin(t * step * syllable)) * (std::fmod(t / sampleRate, 4.0) < 3.2 ? 1.0 : 0.0);
      const double voice = std::sin(t * step * pitch) + 0.5 * std::sin(2 * t * step * pitch) + 0.25 * std::sin(3 * t * step * pitch);
      const double noise = static_cast<double>(static_cast<int>(NextRandom(state) % 201) - 100);
      block[i] = static_cast<std::int16_t>(std::lround(envelope * voice * 4600.0 + noise));
    }
    if (!writer.Write({block.data(), count})) break;
    done += static_cast<std::int64_t>(count);
  }
  if (!writer.Finish()) {
    problem = writer.Problem();
    return false;
  }
  return true;
}

Institution::Institution(InstitutionConfig config, std::filesystem::path folder)
    : config_(std::move(config)), folder_(std::move(folder)) {
  const std::filesystem::path queue = folder_ / "queue";
  std::filesystem::create_directories(queue);
  std::filesystem::create_directories(folder_ / "incoming");
  std::filesystem::create_directories(folder_ / "uploads");
  Load(queue);
  if (dictations_.empty()) Generate(queue);
}

void Institution::Load(const std::filesystem::path& queue) {
  for (const auto& entry : std::filesystem::directory_iterator(queue)) {
    const std::string name = entry.path().filename().string();
    // Only plain files of the folder itself: a link could lead the server outside its data folder.
    if (entry.is_symlink() || !entry.is_regular_file() || name.rfind("Local_", 0) != 0 || entry.path().extension() != ".pcm") continue;
    const std::string id = name.substr(6, name.size() - 10);
    long utteranceID = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), utteranceID);
    if (error != std::errc() || end != id.data() + id.size() || !servlet_wire::IsDictationFileName(name, id)) continue;
    Dictation dictation;
    dictation.utteranceID = utteranceID;
    dictation.audio = entry.path();
    dictations_.push_back(dictation);
  }
  std::sort(dictations_.begin(), dictations_.end(), [](const Dictation& a, const Dictation& b) { return a.utteranceID < b.utteranceID; });
  for (std::size_t i = 0; i < dictations_.size(); ++i) {
    Dictation& dictation = dictations_[i];
    Describe(dictation, i);
    dictation.audioDigest = servlet_wire::Sha256HexOfFile(dictation.audio);
    const std::uintmax_t bytes = std::filesystem::file_size(dictation.audio);
    dictation.durationSeconds = static_cast<int>(bytes > 1024 ? (bytes - 1024) / 2 / static_cast<std::uintmax_t>(config_.sampleRate) : 0);
    dictation.text = queue / servlet_wire::DictationFileName(dictation.utteranceID, ".rtf");
    if (!std::filesystem::exists(dictation.text))
      WriteText(dictation.text, "{\\rtf1\\ansi Dictation " + std::to_string(dictation.utteranceID) + "\\par}");
    dictation.textDigest = servlet_wire::Sha256HexOfFile(dictation.text);
  }
}

void Institution::Generate(const std::filesystem::path& queue) {
  for (int i = 0; i < config_.dictations; ++i) {
    Dictation dictation;
    dictation.utteranceID = config_.firstUtteranceID + i;
    const std::string root = servlet_wire::DictationFileRoot(dictation.utteranceID);
    dictation.audio = queue / (root + ".pcm");
    dictation.text = queue / (root + ".rtf");
    Describe(dictation, static_cast<std::size_t>(i));
    dictation.durationSeconds = config_.secondsOfAudio;
    std::string problem;
    if (!GenerateDictationAudio(dictation.audio, config_.secondsOfAudio, config_.sampleRate,
                                static_cast<std::uint32_t>(dictation.utteranceID), problem))
      throw std::runtime_error("cannot generate audio: " + problem);
    const std::string text = "{\\rtf1\\ansi\\deff0 {\\fonttbl {\\f0 Arial;}}\\f0 Patient: " + dictation.patientName +
                             "\\par Work type: " + dictation.workType + "\\par Dictation " + std::to_string(dictation.utteranceID) + ".\\par}";
    if (!WriteText(dictation.text, text)) throw std::runtime_error("cannot write " + dictation.text.string());
    dictation.audioDigest = servlet_wire::Sha256HexOfFile(dictation.audio);
    dictation.textDigest = servlet_wire::Sha256HexOfFile(dictation.text);
    dictations_.push_back(std::move(dictation));
  }
}

Dictation* Institution::Find(std::string_view utteranceID) {
  for (Dictation& dictation : dictations_)
    if (std::to_string(dictation.utteranceID) == utteranceID) return &dictation;
  return nullptr;
}

std::filesystem::path Institution::IncomingFolder(long utteranceID) const { return folder_ / "incoming" / std::to_string(utteranceID); }
std::filesystem::path Institution::UploadFolder(long utteranceID) const { return folder_ / "uploads" / std::to_string(utteranceID); }

}  // namespace vz::simulator
