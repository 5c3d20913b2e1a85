// Whether an answer to "Range: bytes=N-" may continue the part kept so far.
#include "clientservices/range_answer.hpp"

#include <gtest/gtest.h>

namespace vz::http_client {
namespace {

constexpr std::uint64_t kLimit = 1000;

struct Case {
  const char* what;
  int status;
  const char* contentRange;
  std::optional<std::uint64_t> contentLength;
  std::uint64_t askedFrom;
  RangeVerdict verdict;
};

TEST(RangeAnswer, OnlyA206ThatRunsFromTheAskedByteToTheEndWithinTheLimitContinues) {
  const Case cases[] = {
      {"the rest", 206, "bytes 100-999/1000", 900, 100, RangeVerdict::kContinue},
      {"the last byte", 206, "bytes 999-999/1000", 1, 999, RangeVerdict::kContinue},
      {"the whole file instead", 200, "", 1000, 100, RangeVerdict::kRestart},
      {"not satisfiable", 416, "bytes */1000", 0, 100, RangeVerdict::kRestart},
      {"wrong start", 206, "bytes 0-999/1000", 1000, 100, RangeVerdict::kInvalid},
      {"later start", 206, "bytes 200-999/1000", 800, 100, RangeVerdict::kInvalid},
      {"total over the limit", 206, "bytes 100-1000/1001", 901, 100, RangeVerdict::kRefuse},
      {"missing Content-Range", 206, "", 900, 100, RangeVerdict::kInvalid},
      {"another unit", 206, "items 100-999/1000", 900, 100, RangeVerdict::kInvalid},
      {"unknown total", 206, "bytes 100-999/*", 900, 100, RangeVerdict::kInvalid},
      {"not to the end", 206, "bytes 100-499/1000", 400, 100, RangeVerdict::kInvalid},
      {"length not the range's", 206, "bytes 100-999/1000", 500, 100, RangeVerdict::kInvalid},
      {"no length", 206, "bytes 100-999/1000", std::nullopt, 100, RangeVerdict::kInvalid},
      {"negative numbers", 206, "bytes -100-999/1000", 900, 100, RangeVerdict::kInvalid},
      {"an error answer", 500, "", 40, 100, RangeVerdict::kNotFile},
  };
  for (const Case& c : cases) {
    const RangeCheck check = CheckRangeAnswer(c.status, c.contentRange, c.contentLength, c.askedFrom, kLimit);
    EXPECT_EQ(check.verdict, c.verdict) << c.what;
    if (check.verdict == RangeVerdict::kInvalid) EXPECT_FALSE(check.problem.empty()) << c.what;
  }
  EXPECT_EQ(CheckRangeAnswer(206, "bytes 100-999/1000", 900, 100, kLimit).total, 1000u);
}

}  // namespace
}  // namespace vz::http_client
