// The idle connections a pool holds own their sockets: sweeping out the expired ones must hand
// each one over whole, whatever mix of expired and waiting entries a server has.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "clientservices/connection_pool.hpp"

namespace vz::http_client {
namespace {

using Clock = std::chrono::steady_clock;

struct Waiting {
  std::unique_ptr<std::string> connection;
  Clock::time_point until;
};

std::vector<std::string> Names(const std::vector<Waiting>& entries) {
  std::vector<std::string> names;
  for (const Waiting& entry : entries) names.push_back(entry.connection ? *entry.connection : "<moved from>");
  return names;
}

TEST(ConnectionPoolExpiry, ExpiredEntriesAreTakenWholeAndTheOthersKeepTheirOrder) {
  const Clock::time_point now{std::chrono::seconds(100)};
  const auto at = [now](int seconds) { return now + std::chrono::seconds(seconds); };
  struct Case {
    const char* name;
    std::vector<int> untils;  // seconds from now, one entry each, named "c0", "c1", ...
    std::vector<std::string> expired;
    std::vector<std::string> kept;
  };
  const Case cases[] = {
      {"none", {}, {}, {}},
      {"all waiting", {5, 1}, {}, {"c0", "c1"}},
      {"all expired", {-5, 0}, {"c0", "c1"}, {}},
      {"expired before waiting", {-5, 5, -1, 7}, {"c0", "c2"}, {"c1", "c3"}},
      {"waiting before expired", {5, -5, 7, 0}, {"c1", "c3"}, {"c0", "c2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Waiting> waiting;
    for (std::size_t i = 0; i < c.untils.size(); ++i) {
      waiting.push_back({std::make_unique<std::string>("c" + std::to_string(i)), at(c.untils[i])});
    }
    const std::vector<Waiting> taken = TakeExpired(waiting, now);
    EXPECT_THAT(Names(taken), ::testing::UnorderedElementsAreArray(c.expired));
    EXPECT_EQ(Names(waiting), c.kept);
  }
}

}  // namespace
}  // namespace vz::http_client
