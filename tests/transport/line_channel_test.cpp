// Line channels: framing across reads, the size limit, orderly and abrupt ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/event_loop.hpp"
#include "transport/line_channel.hpp"

namespace vz::transport {
namespace {

using namespace std::chrono_literals;
namespace asio = boost::asio;

class LineChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    IgnoreBrokenPipes();
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    peer = ends[1];
    const int second = ::dup(ends[0]);
    channel = std::make_shared<LineChannel>(asio::posix::stream_descriptor(loop.Context(), ends[0]),
                                            asio::posix::stream_descriptor(loop.Context(), second), /*maxLineSize=*/16);
    channel->Start({.onLine = [this](std::string line) { lines.push_back(std::move(line)); },
                    .onOverflow = [this] { ++overflows; },
                    .onClosed = [this] { ++closes; }});
  }
  void TearDown() override {
    if (peer >= 0) ::close(peer);
  }
  void PeerWrites(const std::string& bytes) { ASSERT_EQ(::write(peer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
  std::string PeerReadsAll() {
    std::string got;
    char buffer[256];
    for (ssize_t n; (n = ::recv(peer, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) got.append(buffer, static_cast<size_t>(n));
    return got;
  }

  EventLoop loop;
  int peer = -1;
  std::shared_ptr<LineChannel> channel;
  std::vector<std::string> lines;
  int overflows = 0;
  int closes = 0;
};

TEST_F(LineChannelTest, LinesAreFramedWhateverTheReadsAndCarriageReturnsAreDropped) {
  PeerWrites("first\r\nsec");
  ASSERT_TRUE(loop.RunUntil([&] { return lines.size() == 1; }, 5s));
  PeerWrites("ond\nthird\n\n");
  ASSERT_TRUE(loop.RunUntil([&] { return lines.size() == 4; }, 5s));
  EXPECT_THAT(lines, ::testing::ElementsAre("first", "second", "third", ""));
}

TEST_F(LineChannelTest, ALineOfExactlyTheLimitPassesAndOneByteMoreOverflows) {
  PeerWrites(std::string(16, 'a') + "\n");
  ASSERT_TRUE(loop.RunUntil([&] { return lines.size() == 1; }, 5s));
  channel->Send("queued before the fault");
  PeerWrites(std::string(17, 'b') + "\n");
  ASSERT_TRUE(loop.RunUntil([&] { return closes == 1; }, 5s));
  EXPECT_EQ(overflows, 1);
  EXPECT_EQ(lines.size(), 1u);
  // What was queued still went out before the channel closed.
  EXPECT_EQ(PeerReadsAll(), "queued before the fault\n");
}

TEST_F(LineChannelTest, CloseAfterFlushWritesEverythingQueuedAndClosesOnce) {
  for (int i = 0; i < 100; ++i) channel->Send("line " + std::to_string(i));
  channel->CloseAfterFlush();
  channel->Send("too late");
  ASSERT_TRUE(loop.RunUntil([&] { return closes == 1; }, 5s));
  const std::string got = PeerReadsAll();
  EXPECT_EQ(std::count(got.begin(), got.end(), '\n'), 100);
  EXPECT_THAT(got, ::testing::EndsWith("line 99\n"));
  channel->Close();
  EXPECT_EQ(closes, 1);
}

TEST_F(LineChannelTest, APeerThatLeavesClosesTheChannelAndLaterSendsAreHarmless) {
  PeerWrites("last words\n");
  ::close(peer);
  peer = -1;
  ASSERT_TRUE(loop.RunUntil([&] { return closes == 1; }, 5s));
  EXPECT_THAT(lines, ::testing::ElementsAre("last words"));
  channel->Send("nobody listens");
  loop.Poll();
  EXPECT_FALSE(channel->IsOpen());
}

}  // namespace
}  // namespace vz::transport
