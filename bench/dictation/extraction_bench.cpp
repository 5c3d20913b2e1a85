// A work-queue answer of 1,500 rows (about 40 elements each, shaped like the servlet's rows) is
// extracted into dictation records and each record's configuration file is written, against the
// floor of the same work: pugixml parsing the same answer alone plus writing the same bytes to
// the same number of files with plain open/write/close. Before the timings, the heap held per
// extracted record is measured at 1,500, 15,000 and 20,000 rows, and afterwards the time per row
// of the extraction alone at 1,500 and 15,000 rows shows whether it grows with the queue.
//
// Timings are wall-clock. Each configuration file is replaced atomically (a new file renamed
// over the old one), so every write creates an inode and frees one; writing the same 1,500 names
// again and again, as a benchmark does, is the worst case for a file system's inode allocator,
// while the peer's in-place overwrites never allocate. The in-memory pair below shows the
// records' own cost without that. Two references help read the figures: the peer's writes made
// atomic the same way, and the least any record store kept on pugixml's nodes must do.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "diagnostics/trace.hpp"
#include "dictation/register_dictation_classes.hpp"
#include "dictation/utterances.hpp"
#include "model/work_queue.hpp"
#include "process_memory.hpp"
#include "ratio_reporter.hpp"
#include "xml/indented_layout.hpp"

namespace {

constexpr int kRows = 1500;
constexpr int kLargeRows = 15000;
constexpr int kLargestRows = 20000;

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vz-bench-XXXXXX").string();
    return std::filesystem::path(::mkdtemp(pattern.data()));
  }();
  return folder;
}

std::filesystem::path SubFolder(const char* name) {
  const std::filesystem::path path = Folder() / name;
  std::filesystem::create_directories(path);
  return path;
}

void Element(std::string& row, const char* name, const std::string& value) {
  row.append("<").append(name).append(">").append(value).append("</").append(name).append(">");
}

// One row of a work-queue answer: 40 elements, some empty, some needing escapes.
std::string Row(int i) {
  const std::string id = std::to_string(100000 + i);
  const std::string speaker = std::to_string(i % 97);
  std::string row = "<Row>";
  Element(row, "utteranceID", id);
  Element(row, "locationID", std::to_string(3 + i % 4));
  Element(row, "queueStatus", i % 3 ? "Ready for Transcription" : "Ready for Editing");
  Element(row, "documentVersion", std::to_string(1 + i % 3));
  Element(row, "StatusCode", "0");
  Element(row, "speakerCode", std::string("SPK").append(speaker));
  Element(row, "speakerName", std::string("Dr. Alex Example-").append(speaker));
  Element(row, "speakerID", std::to_string(5000 + i % 97));
  Element(row, "medicalRecordNumber", std::string("MRN").append(id));
  Element(row, "patientName", "Doe, Jane &amp; John");
  Element(row, "patientID", std::string("P").append(id));
  Element(row, "workType", "Consultation");
  Element(row, "workTypeID", std::to_string(10 + i % 12));
  Element(row, "dictationDate", "12/03/2026 09:14:22");
  Element(row, "duration", std::to_string(30 + i % 900));
  Element(row, "institutionName", "Northfield General &lt;Main&gt;");
  Element(row, "institutionID", "77");
  Element(row, "priority", std::to_string(i % 5));
  Element(row, "specialtyName", "Cardiology");
  Element(row, "specialtyID", "12");
  Element(row, "signatureDate", "");
  Element(row, "workStatusID", "2");
  Element(row, "statusStart", "12/03/2026 09:15:00");
  Element(row, "confirmationNumber", std::string("C").append(id));
  Element(row, "transcriptionistName", "");
  Element(row, "transcriptionEnd", "");
  Element(row, "transcriptionistID", "");
  Element(row, "visitCode", std::string("V").append(std::to_string(i % 1000)));
  Element(row, "procedureDate", "12/02/2026");
  Element(row, "businessEntity", "Northfield");
  Element(row, "businessEntityID", "9");
  Element(row, "problemNote", "null");
  Element(row, "problemStart", "");
  Element(row, "enteredBy", "");
  Element(row, "problemTypeDescription", "");
  Element(row, "dueDate", "12/04/2026 09:00:00");
  Element(row, "GMTDueDate", "2026-12-04 14:00:00");
  Element(row, "documentUploadLogin", "");
  Element(row, "isLinkDictationAllowed", "Y");
  Element(row, "isSplitDictationAllowed", "N");
  return row + "</Row>";
}

std::string AnswerOf(int rows) {
  std::string text = "<?xml version=\"1.0\"?><InfoResponse>";
  for (int i = 0; i < rows; ++i) text += Row(i);
  return text + "</InfoResponse>";
}

const std::string& Answer() {
  static const std::string answer = AnswerOf(kRows);
  return answer;
}

std::shared_ptr<vz::clsWorkQueue> Queue(const std::filesystem::path& folder, const std::string& answer = Answer()) {
  auto queue = std::make_shared<vz::clsWorkQueue>();
  queue->SetDownloadPath(folder.string());
  queue->SetDatabaseURL("https://institution.example/servlet");
  queue->SetTranscriptionist("jdoe");
  queue->SetMachineID("WS-7");
  queue->SetMaxRows(kLargestRows + 1);
  queue->SetXMLResponse(answer);
  return queue;
}

std::shared_ptr<vz::clsUtterances> Extract(vz::clsWorkQueue& queue) {
  auto utterances = std::make_shared<vz::clsUtterances>();
  vz::ObjectRef target = utterances;
  queue.ExtractXML(target);
  return utterances;
}

// The files the extraction writes, as (name, bytes), for the peer to write the same bytes.
std::vector<std::pair<std::string, std::string>> ExpectedFiles() {
  const std::filesystem::path folder = SubFolder("sample");
  auto queue = Queue(folder);
  auto utterances = Extract(*queue);
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& utterance : utterances->Items()) {
    utterance->WriteObjectToConfigFile(utterance->ConfigFile());
    std::FILE* in = std::fopen(utterance->ConfigFile().c_str(), "rb");
    std::string bytes;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, got);
    std::fclose(in);
    files.emplace_back(std::filesystem::path(utterance->ConfigFile()).filename().string(), std::move(bytes));
  }
  return files;
}

// One repetition of each measured body; the benchmarks below and the --once driver call these
// (callgrind counts one of them with --toggle-collect='*OursInMemory*' and the like).
bool OursWithFiles(vz::clsWorkQueue& queue) {
  auto utterances = Extract(queue);
  for (const auto& utterance : utterances->Items()) utterance->WriteObjectToConfigFile(utterance->ConfigFile());
  return utterances->Count() == kRows;
}

void PeerWithFiles(const std::vector<std::pair<std::string, std::string>>& files, const std::vector<std::string>& paths) {
  pugi::xml_document document;
  benchmark::DoNotOptimize(document.load_buffer(Answer().data(), Answer().size()));
  for (std::size_t i = 0; i < files.size(); ++i) {
    const int fd = ::open(paths[i].c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    benchmark::DoNotOptimize(::write(fd, files[i].second.data(), files[i].second.size()));
    ::close(fd);
  }
}

// The same work without the file system: the records' files are formatted in memory, against
// parsing the answer and copying the same bytes. This isolates the records' own cost from the
// kernel's cost of creating a new inode for every atomic replacement.
bool OursInMemory(vz::clsWorkQueue& queue) {
  auto utterances = Extract(queue);
  for (const auto& utterance : utterances->Items()) {
    utterance->SetDownloadTime("12/03/2026 10:15:00");
    std::string bytes = utterance->ConfigFileText();
    benchmark::DoNotOptimize(bytes.data());
  }
  return utterances->Count() == kRows;
}

void PeerInMemory(const std::vector<std::pair<std::string, std::string>>& files) {
  pugi::xml_document document;
  benchmark::DoNotOptimize(document.load_buffer(Answer().data(), Answer().size()));
  for (const auto& file : files) {
    std::string bytes = file.second;
    benchmark::DoNotOptimize(bytes.data());
  }
}

// What any record store kept on pugixml's nodes cannot avoid: parsing the answer, one pass over
// each row's children through pugixml's interface (to index them) and one raw print of each row
// (to write its file). Its ratio against the peer is the ceiling of such a store.
void NodeStoreFloor() {
  pugi::xml_document document;
  benchmark::DoNotOptimize(document.load_buffer(Answer().data(), Answer().size()));
  std::size_t seen = 0;
  for (pugi::xml_node row : document.child("InfoResponse").children("Row")) {
    for (pugi::xml_node child = row.first_child(); child; child = child.next_sibling()) {
      seen += std::char_traits<char>::length(child.name()) + std::char_traits<char>::length(child.child_value());
    }
    std::string bytes;
    bytes.reserve(4096);
    vz::xml::AppendNodeMarkup(bytes, row);
    benchmark::DoNotOptimize(bytes.data());
  }
  benchmark::DoNotOptimize(seen);
}

// The peer's writes made crash-safe as ours are: each file written under a temporary name beside
// it and renamed over it, so the file system allocates a new inode and frees the old one each time.
void PeerWithAtomicReplacement(const std::vector<std::pair<std::string, std::string>>& files,
                               const std::vector<std::string>& paths) {
  pugi::xml_document document;
  benchmark::DoNotOptimize(document.load_buffer(Answer().data(), Answer().size()));
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string temporary = paths[i] + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    benchmark::DoNotOptimize(::write(fd, files[i].second.data(), files[i].second.size()));
    ::close(fd);
    ::rename(temporary.c_str(), paths[i].c_str());
  }
}

const std::vector<std::pair<std::string, std::string>>& Files() {
  static const auto files = ExpectedFiles();
  return files;
}

std::vector<std::string> PeerPaths() {
  const std::filesystem::path folder = SubFolder("peer");
  std::vector<std::string> paths;
  for (const auto& [name, bytes] : Files()) paths.push_back((folder / name).string());
  return paths;
}

void BM_ExtractAndWriteConfigFiles(benchmark::State& state) {
  auto queue = Queue(SubFolder("ours"));
  for (auto _ : state) {
    if (!OursWithFiles(*queue)) state.SkipWithError("rows were lost");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ExtractAndWriteConfigFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PugixmlParseAndPlainWrites(benchmark::State& state) {
  const std::vector<std::string> paths = PeerPaths();
  for (auto _ : state) PeerWithFiles(Files(), paths);
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_PugixmlParseAndPlainWrites)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExtractAndFormatInMemory(benchmark::State& state) {
  auto queue = Queue(SubFolder("memory-ours"));
  for (auto _ : state) {
    if (!OursInMemory(*queue)) state.SkipWithError("rows were lost");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ExtractAndFormatInMemory)->Unit(benchmark::kMillisecond);

void BM_PugixmlParseAndCopy(benchmark::State& state) {
  const auto& files = Files();  // made before the clock runs
  for (auto _ : state) PeerInMemory(files);
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_PugixmlParseAndCopy)->Unit(benchmark::kMillisecond);

void BM_PugixmlParseAndAtomicWrites(benchmark::State& state) {
  const std::vector<std::string> paths = PeerPaths();
  for (auto _ : state) PeerWithAtomicReplacement(Files(), paths);
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_PugixmlParseAndAtomicWrites)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NodeStoreFloor(benchmark::State& state) {
  for (auto _ : state) NodeStoreFloor();
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_NodeStoreFloor)->Unit(benchmark::kMillisecond);

// `--once NAME [COUNT]`: runs one body COUNT times (default 1) and nothing else, for profilers.
int RunOnce(const std::string& name, int count) {
  if (name == "ours-files") {
    auto queue = Queue(SubFolder("ours"));
    for (int i = 0; i < count; ++i) OursWithFiles(*queue);
  } else if (name == "peer-files") {
    const std::vector<std::string> paths = PeerPaths();
    for (int i = 0; i < count; ++i) PeerWithFiles(Files(), paths);
  } else if (name == "peer-atomic") {
    const std::vector<std::string> paths = PeerPaths();
    for (int i = 0; i < count; ++i) PeerWithAtomicReplacement(Files(), paths);
  } else if (name == "ours-memory") {
    auto queue = Queue(SubFolder("memory-ours"));
    for (int i = 0; i < count; ++i) OursInMemory(*queue);
  } else if (name == "peer-memory") {
    Files();
    for (int i = 0; i < count; ++i) PeerInMemory(Files());
  } else {
    std::fprintf(stderr, "--once takes ours-files, peer-files, peer-atomic, ours-memory or peer-memory\n");
    return 2;
  }
  return 0;
}

// The extraction alone, in memory, at 1,500 and 15,000 rows: the time per row must not grow with
// the queue.
void BM_ExtractRows(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  static std::string largeAnswer;
  if (rows != kRows && largeAnswer.empty()) largeAnswer = AnswerOf(rows);
  auto queue = Queue(SubFolder("scaling"), rows == kRows ? Answer() : largeAnswer);
  for (auto _ : state) {
    auto utterances = Extract(*queue);
    if (utterances->Count() != rows) state.SkipWithError("rows were lost");
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_ExtractRows)->Arg(kRows)->Arg(kLargeRows)->Unit(benchmark::kMillisecond);

// Heap and resident memory held by the records of one extraction of `rows` rows, per record, in
// KiB. The answer text itself is held by the work queue before and after and is not counted.
double MemoryPerRecord(int rows) {
  const std::string answer = rows == kRows ? Answer() : AnswerOf(rows);
  auto queue = Queue(SubFolder("memory"), answer);
  ::malloc_trim(0);
  const std::size_t heapBefore = ::mallinfo2().uordblks;
  const long residentBefore = vz::bench::ResidentKilobytes();
  auto utterances = Extract(*queue);
  const std::size_t heapAfter = ::mallinfo2().uordblks;
  const long residentAfter = vz::bench::ResidentKilobytes();
  const double heapPerRecord = static_cast<double>(heapAfter - heapBefore) / 1024.0 / rows;
  std::printf("memory per extracted record at %d rows: %.1f KiB of heap, %.1f KiB resident (%d records, %.0f answer bytes per row)\n",
              rows, heapPerRecord, static_cast<double>(residentAfter - residentBefore) / rows, utterances->Count(),
              static_cast<double>(answer.size()) / rows);
  return heapPerRecord;
}

void ReportMemoryPerRecord() {
  double largest = 0;
  for (const int rows : {kRows, kLargeRows, kLargestRows}) largest = std::max(largest, MemoryPerRecord(rows));
  char measured[64];
  std::snprintf(measured, sizeof measured, "%.1f KiB (largest of 1,500/15,000/20,000 rows)", largest);
  vz::bench::ReportTarget("record-memory", "heap per extracted dictation record", measured, "<= 16 KiB", largest <= 16.0);
}

// Time per row of the extraction at 1,500 and at 15,000 rows (medians over the rounds).
void ReportScaling(const vz::bench::RoundsReporter& reporter) {
  std::vector<double> small, large;
  for (const auto& [round, rate] : reporter.Rates("BM_ExtractRows/1500")) small.push_back(1e6 / rate);
  for (const auto& [round, rate] : reporter.Rates("BM_ExtractRows/15000")) large.push_back(1e6 / rate);
  if (small.empty() || large.empty()) {
    vz::bench::ReportTarget("extraction-scaling", "extraction time per row, 15,000 vs 1,500 rows", "not measured",
                            "<= 1.50x", false);
    return;
  }
  const double perRowSmall = vz::bench::Median(small);
  const double perRowLarge = vz::bench::Median(large);
  std::printf("extraction time per row: %.2f us at %d rows, %.2f us at %d rows (%.2fx)\n", perRowSmall, kRows,
              perRowLarge, kLargeRows, perRowLarge / perRowSmall);
  char measured[96];
  std::snprintf(measured, sizeof measured, "%.2fx (%.2f us vs %.2f us per row)", perRowLarge / perRowSmall, perRowLarge,
                perRowSmall);
  vz::bench::ReportTarget("extraction-scaling", "extraction time per row, 15,000 vs 1,500 rows", measured, "<= 1.50x",
                          perRowLarge / perRowSmall <= 1.5);
}

}  // namespace

int main(int argc, char** argv) {
  vz::SetTraceLevel(1);  // the records' own traces are level 2 and 4: measure the work alone
  vz::ClassRegistry registry;
  vz::RegisterDictationClasses(registry);
  if (argc >= 3 && std::string(argv[1]) == "--once") {
    const int status = RunOnce(argv[2], argc >= 4 ? std::atoi(argv[3]) : 1);
    std::filesystem::remove_all(Folder());
    return status;
  }
  ReportMemoryPerRecord();
  using By = vz::bench::Comparison::By;
  const int status = vz::bench::RunAndCompare(
      argc, argv,
      {{"extraction-files", "ExtractXML + 1,500 WriteObjectToConfigFile vs pugixml parse + plain writes of the same bytes",
        "BM_ExtractAndWriteConfigFiles/real_time", "BM_PugixmlParseAndPlainWrites/real_time", By::Time, 1.2},
       {"extraction-memory", "the same in memory (no file system) vs pugixml parse + copying the same bytes",
        "BM_ExtractAndFormatInMemory", "BM_PugixmlParseAndCopy", By::Rate, 0.5},
       // Two references for reading the two figures above: the same writes made crash-safe, and
       // the least a store on pugixml's nodes does (the target above is out of its reach when
       // this one is not met).
       {"extraction-files-atomic", "ExtractXML + 1,500 cfg writes vs pugixml parse + the same bytes replaced atomically",
        "BM_ExtractAndWriteConfigFiles/real_time", "BM_PugixmlParseAndAtomicWrites/real_time", By::Time, 1.2},
       {"extraction-node-floor", "ceiling of records on pugixml nodes (parse, one pass and one raw print per row) vs parse + copy",
        "BM_NodeStoreFloor", "BM_PugixmlParseAndCopy", By::Rate, 0.5}},
      {}, ReportScaling);
  std::filesystem::remove_all(Folder());
  return status;
}
