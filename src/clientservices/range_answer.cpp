#include "clientservices/range_answer.hpp"

#include <charconv>

namespace vz::http_client {
namespace {

std::optional<std::uint64_t> Number(std::string_view text) {
  std::uint64_t value = 0;
  if (text.empty() || text.size() > 19) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

RangeCheck Invalid(std::string problem) { return {RangeVerdict::kInvalid, 0, std::move(problem)}; }

}  // namespace

RangeCheck CheckRangeAnswer(int status, std::string_view contentRange, std::optional<std::uint64_t> contentLength,
                            std::uint64_t askedFrom, std::uint64_t fileLimit) {
  if (status == 200 || status == 416) return {RangeVerdict::kRestart, 0, {}};
  if (status != 206) return {};
  constexpr std::string_view kUnit = "bytes ";
  const std::size_t dash = contentRange.find('-');
  const std::size_t slash = contentRange.find('/');
  if (!contentRange.starts_with(kUnit) || dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
    return Invalid("a partial answer without a byte range");
  const auto first = Number(contentRange.substr(kUnit.size(), dash - kUnit.size()));
  const auto last = Number(contentRange.substr(dash + 1, slash - dash - 1));
  const auto total = Number(contentRange.substr(slash + 1));
  if (!first || !last || !total) return Invalid("a partial answer without a byte range");
  if (*first != askedFrom)
    return Invalid("a partial answer from byte " + std::to_string(*first) + ", not " + std::to_string(askedFrom));
  if (*total > fileLimit) return {RangeVerdict::kRefuse, *total, {}};
  if (*last < *first || *last + 1 != *total) return Invalid("a partial answer that does not run to the end of the file");
  if (!contentLength || *contentLength != *total - *first) return Invalid("a partial answer whose length is not its range's");
  return {RangeVerdict::kContinue, *total, {}};
}

}  // namespace vz::http_client
