#include "simulator/servlets/dictation_changes.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <memory>

#include "audio/sphere_header.hpp"
#include "audio/sphere_writer.hpp"
#include "platform/files.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/sha256.hpp"

namespace vz::simulator {
namespace {

constexpr std::size_t kMaxDictations = 10'000;
constexpr std::size_t kMaxFieldBytes = 4'000;

// Row fields the editor may change besides those the dictation keeps as members.
constexpr std::string_view kFreeFields[] = {"speakerID",  "workTypeID", "workStatusID", "businessEntityID", "procedureDate",
                                            "specialtyID", "specialtyName", "patientID", "dueDate", "signatureDate",
                                            "confirmationNumber"};

bool IsFreeField(std::string_view name) { return std::find(std::begin(kFreeFields), std::end(kFreeFields), name) != std::end(kFreeFields); }

// Copies the samples of `from` between the two offsets into a new canonical file `to`. False when
// the audio is not plain 16-bit samples or cannot be read.
bool CutAudio(const std::filesystem::path& from, const std::filesystem::path& to, long startMs, long endMs) {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(from, error);
  if (error) return false;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(from.c_str(), "rb"), &std::fclose);
  if (!file) return false;
  const audio::HeaderResult read = audio::ReadSphereHeader(file.get(), static_cast<std::int64_t>(bytes));
  if (!read.header || !read.header->IsCanonical()) return false;
  const audio::SphereHeader& header = *read.header;
  const std::int64_t first = std::min<std::int64_t>(static_cast<std::int64_t>(startMs) * header.sampleRate / 1000, header.sampleCount);
  const std::int64_t last = std::min<std::int64_t>(static_cast<std::int64_t>(endMs) * header.sampleRate / 1000, header.sampleCount);
  if (std::fseek(file.get(), static_cast<long>(header.headerBytes + first * 2 * header.channels), SEEK_SET) != 0) return false;
  audio::SphereWriter writer(to, header.sampleRate, header.channels);
  if (!writer.IsOpen()) return false;
  std::vector<std::int16_t> block(4096 * static_cast<std::size_t>(header.channels));
  for (std::int64_t done = first; done < last;) {
    const std::size_t frames = static_cast<std::size_t>(std::min<std::int64_t>(4096, last - done));
    const std::size_t wanted = frames * static_cast<std::size_t>(header.channels);
    if (std::fread(block.data(), sizeof(std::int16_t), wanted, file.get()) != wanted) return false;
    if (!writer.Write({block.data(), wanted})) return false;
    done += static_cast<std::int64_t>(frames);
  }
  return writer.Finish();
}

}  // namespace

std::string MoreField(const Dictation& dictation, std::string_view name) {
  for (const auto& [field, value] : dictation.moreFields)
    if (field == name) return value;
  return {};
}

void SetMoreField(Dictation& dictation, std::string_view name, std::string value) {
  for (auto& [field, current] : dictation.moreFields) {
    if (field == name) {
      current = std::move(value);
      return;
    }
  }
  dictation.moreFields.emplace_back(std::string(name), std::move(value));
}

bool IsUpdatableField(std::string_view name) {
  return name == "priority" || name == "queueStatus" || name == "speakerCode" || name == "speakerName" || name == "workType" ||
         name == "patientName" || name == "medicalRecordNumber" || IsFreeField(name);
}

std::string FieldUpdateProblem(std::string_view name, std::string_view value) {
  if (!IsUpdatableField(name)) return "Field " + std::string(name) + " cannot be updated";
  if (value.size() > kMaxFieldBytes) return "Value of " + std::string(name) + " too long";
  if (name == "priority") {
    const auto priority = WholeNumber(value);
    if (!priority || *priority < 1 || *priority > 9) return "Bad priority " + std::string(value);
  }
  return {};
}

void UpdateField(Dictation& dictation, std::string_view name, std::string value) {
  if (name == "priority") dictation.priority = static_cast<int>(*WholeNumber(value));
  else if (name == "queueStatus") dictation.queueStatus = std::move(value);
  else if (name == "speakerCode") dictation.speakerCode = std::move(value);
  else if (name == "speakerName") dictation.speakerName = std::move(value);
  else if (name == "workType") dictation.workType = std::move(value);
  else if (name == "patientName") dictation.patientName = std::move(value);
  else if (name == "medicalRecordNumber") dictation.medicalRecordNumber = std::move(value);
  else SetMoreField(dictation, name, std::move(value));
}

bool IsRestricted(const Institution& institution, const Dictation& dictation) {
  const auto& restricted = institution.Config().restrictedDictations;
  return std::find(restricted.begin(), restricted.end(), dictation.utteranceID) != restricted.end();
}

Dictation* AddDictation(Institution& institution, const Dictation* source, long startMs, long endMs, std::string& problem) {
  auto& dictations = institution.Dictations();
  if (dictations.size() >= kMaxDictations) {
    problem = "The work queue is full";
    return nullptr;
  }
  long id = institution.Config().firstUtteranceID;
  for (const Dictation& existing : dictations) id = std::max(id, existing.utteranceID + 1);
  Dictation made;
  if (source) {
    made = *source;  // speaker, work type, patient and priority of the dictation it came from
    made.moreFields.clear();
    made.qaGrading.clear();
    made.lockedBy.clear();
    made.completed = false;
    made.literalProcessed = false;
    made.documentVersion = "0";
  }
  made.utteranceID = id;
  made.queueStatus = "Ready for Transcription";
  const std::string root = servlet_wire::DictationFileRoot(id);
  const std::filesystem::path queue = institution.Folder() / "queue";
  made.audio = queue / (root + ".pcm");
  made.text = queue / (root + ".rtf");
  const int sampleRate = institution.Config().sampleRate;
  if (!source || !CutAudio(source->audio, made.audio, startMs, endMs)) {
    // Audio that cannot be cut is replaced by generated audio of the same length.
    const int seconds = source ? static_cast<int>((endMs - startMs) / 1000) : 0;
    if (!GenerateDictationAudio(made.audio, seconds, sampleRate, static_cast<std::uint32_t>(id), problem)) return nullptr;
  }
  made.durationSeconds = source ? static_cast<int>((endMs - startMs) / 1000) : 0;
  try {
    platform::WriteFileAtomically(made.text, "{\\rtf1\\ansi\\par}");
  } catch (const std::system_error&) {
    problem = "Cannot write " + made.text.filename().string();
    return nullptr;
  }
  made.audioDigest = servlet_wire::Sha256HexOfFile(made.audio);
  made.textDigest = servlet_wire::Sha256HexOfFile(made.text);
  dictations.push_back(std::move(made));
  return &dictations.back();
}

std::optional<long> WholeNumber(std::string_view text) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace vz::simulator
