#include "audio/sphere_header.hpp"

#include <bit>
#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

namespace vz::audio {
namespace {

constexpr std::size_t kMaxHeaderBytes = 1 << 20;

using Words = std::uint16_t __attribute__((vector_size(16)));

bool ParseInteger(std::string_view text, std::int64_t& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

struct Field {
  std::string_view name;
  std::string_view type;  // "-i", "-r", "-s<n>"
  std::string_view value;
};

std::optional<Field> SplitField(std::string_view line) {
  const auto nameEnd = line.find(' ');
  if (nameEnd == std::string_view::npos) return std::nullopt;
  Field field{line.substr(0, nameEnd), {}, {}};
  line.remove_prefix(nameEnd + 1);
  const auto typeEnd = line.find(' ');
  if (typeEnd == std::string_view::npos) return std::nullopt;
  field.type = line.substr(0, typeEnd);
  field.value = line.substr(typeEnd + 1);
  if (field.type.size() > 2 && field.type.substr(0, 2) == "-s") {
    std::int64_t length = 0;
    if (ParseInteger(field.type.substr(2), length) && length >= 0 && static_cast<std::size_t>(length) <= field.value.size())
      field.value = field.value.substr(0, static_cast<std::size_t>(length));
  }
  while (!field.value.empty() && field.value.back() == '\r') field.value.remove_suffix(1);
  return field;
}

HeaderResult Problem(std::string text, bool unsupported = false) {
  HeaderResult result;
  result.problem = std::move(text);
  result.unsupported = unsupported;
  return result;
}

}  // namespace

HeaderResult ReadSphereHeader(std::FILE* file, std::int64_t fileBytes) {
  char start[16];
  if (std::fread(start, 1, sizeof start, file) != sizeof start || std::memcmp(start, "NIST_1A\n", 8) != 0)
    return Problem("not a NIST SPHERE file");
  std::int64_t headerBytes = 0;
  if (!ParseInteger(std::string_view(start + 8, 7), headerBytes) || start[15] != '\n' || headerBytes < 16 ||
      static_cast<std::size_t>(headerBytes) > kMaxHeaderBytes)
    return Problem("bad SPHERE header size");
  if (headerBytes > fileBytes) return Problem("SPHERE header is cut short");
  std::vector<char> text(static_cast<std::size_t>(headerBytes) - sizeof start);
  if (std::fread(text.data(), 1, text.size(), file) != text.size()) return Problem("SPHERE header is cut short");

  SphereHeader header;
  header.headerBytes = static_cast<std::size_t>(headerBytes);
  bool countGiven = false;
  bool ended = false;
  std::string_view rest(text.data(), text.size());
  std::string byteFormat;
  std::string coding = "pcm";
  while (!rest.empty()) {
    const auto lineEnd = rest.find('\n');
    std::string_view line = rest.substr(0, lineEnd);
    rest.remove_prefix(lineEnd == std::string_view::npos ? rest.size() : lineEnd + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line == "end_head") {
      ended = true;
      break;
    }
    if (line.empty() || line.front() == ';') continue;
    const auto field = SplitField(line);
    if (!field) return Problem("bad SPHERE header line: " + std::string(line.substr(0, 60)));
    std::int64_t number = 0;
    const bool isNumber = field->type == "-i" && ParseInteger(field->value, number);
    if (field->name == "sample_count") {
      if (!isNumber || number < 0) return Problem("bad sample_count");
      header.sampleCount = number;
      countGiven = true;
    } else if (field->name == "sample_n_bytes") {
      if (!isNumber) return Problem("bad sample_n_bytes");
      if (number != 1 && number != 2) return Problem("unsupported sample size of " + std::to_string(number) + " bytes", true);
      header.sampleBytes = static_cast<int>(number);
    } else if (field->name == "channel_count") {
      if (!isNumber || number < 1 || number > 64) return Problem("bad channel_count");
      header.channels = static_cast<int>(number);
    } else if (field->name == "sample_rate") {
      if (!isNumber || number < 1 || number > 1'000'000) return Problem("bad sample_rate");
      header.sampleRate = static_cast<int>(number);
    } else if (field->name == "sample_checksum") {
      if (!isNumber) return Problem("bad sample_checksum");
      header.checksum = static_cast<std::uint16_t>(number & 0xFFFF);
    } else if (field->name == "sample_byte_format") {
      byteFormat = std::string(field->value);
    } else if (field->name == "sample_coding") {
      coding = std::string(field->value);
    }
  }
  if (!ended) return Problem("SPHERE header has no end_head");

  if (coding == "pcm") header.coding = SampleCoding::kPcm;
  else if (coding == "ulaw" || coding == "mu-law") header.coding = SampleCoding::kULaw;
  else if (coding == "alaw") header.coding = SampleCoding::kALaw;
  else return Problem("unsupported sample coding " + coding.substr(0, 40), true);
  if (header.coding != SampleCoding::kPcm && header.sampleBytes != 1)
    return Problem("unsupported sample coding " + coding + " with 2-byte samples", true);

  if (header.sampleBytes == 2) {
    if (byteFormat == "10") header.bigEndian = true;
    else if (byteFormat.empty() || byteFormat == "01") header.bigEndian = false;
    else return Problem("unsupported sample_byte_format " + byteFormat.substr(0, 20), true);
  }
  if (!countGiven) header.sampleCount = (fileBytes - headerBytes) / (header.sampleBytes * header.channels);
  // A count no file could hold must not overflow the byte count computed from it.
  if (header.sampleCount > std::numeric_limits<std::int64_t>::max() / (header.sampleBytes * header.channels))
    return Problem("bad sample_count");
  return HeaderResult{header, {}, false};
}

std::string FormatSphereHeader(int sampleRate, int channels, std::int64_t sampleCount, std::uint16_t checksum) {
  std::string text = "NIST_1A\n   1024\n";
  text += "sample_count -i " + std::to_string(sampleCount) + "\n";
  text += "sample_n_bytes -i 2\n";
  text += "channel_count -i " + std::to_string(channels) + "\n";
  text += "sample_byte_format -s2 01\n";
  text += "sample_rate -i " + std::to_string(sampleRate) + "\n";
  text += "sample_coding -s3 pcm\n";
  text += "sample_checksum -i " + std::to_string(checksum) + "\n";
  text += "end_head\n";
  text.resize(1024, '\0');
  return text;
}

void SphereChecksum::AddBytes(std::span<const unsigned char> bytes) {
  std::uint32_t sum = sum_;
  if (sampleBytes_ == 1) {
    for (unsigned char byte : bytes) sum += byte;
    sum_ = static_cast<std::uint16_t>(sum);
    return;
  }
  // Eight samples at a time in wrapping 16-bit lanes: only the sum modulo 2^16 is kept anyway.
  const bool swap = bigEndian_ != (std::endian::native == std::endian::big);
  Words lanes{};
  std::size_t i = 0;
  for (; i + sizeof(Words) <= bytes.size(); i += sizeof(Words)) {
    Words words;
    std::memcpy(&words, bytes.data() + i, sizeof words);
    lanes += swap ? static_cast<Words>(words << 8 | words >> 8) : words;
  }
  for (std::size_t lane = 0; lane < sizeof(Words) / 2; ++lane) sum += lanes[lane];
  for (; i + 1 < bytes.size(); i += 2)
    sum += static_cast<std::uint32_t>(bigEndian_ ? bytes[i] << 8 | bytes[i + 1] : bytes[i + 1] << 8 | bytes[i]);
  sum_ = static_cast<std::uint16_t>(sum);
}

}  // namespace vz::audio
