// The daemon's listening socket when the process runs out of descriptors: the caller waits in the
// queue, accepting pauses instead of failing in a tight loop, and resumes once descriptors free up.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/event_loop.hpp"
#include "temp_folder.hpp"
#include "transport/unix_listener.hpp"

namespace vz::transport {
namespace {

using namespace std::chrono_literals;

int ConnectTo(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

TEST(UnixListener, OutOfDescriptorsPausesAcceptingAndResumesWhenTheyAreBack) {
  testing::TempFolder folder;
  EventLoop loop;
  std::vector<std::shared_ptr<LineChannel>> accepted;
  UnixListener listener(loop.Context(), folder / "run/vzed.sock", [&](std::shared_ptr<LineChannel> channel) {
    accepted.push_back(std::move(channel));
  });

  const int client = ConnectTo(listener.Path());  // queued by the kernel; not accepted yet
  ASSERT_GE(client, 0);
  // No descriptor left: the lowest free one becomes the limit.
  rlimit original{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &original), 0);
  const int lowestFree = ::dup(0);
  ::close(lowestFree);
  rlimit exhausted = original;
  exhausted.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &exhausted), 0);

  // A tight loop of failing accepts would run thousands of handlers in this time.
  std::size_t handlers = 0;
  const auto until = std::chrono::steady_clock::now() + 4 * UnixListener::kAcceptPause;
  while (std::chrono::steady_clock::now() < until) handlers += loop.Context().run_one_for(10ms);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &original), 0);
  EXPECT_TRUE(accepted.empty());
  EXPECT_LE(handlers, 10u);

  EXPECT_TRUE(loop.RunUntil([&] { return !accepted.empty(); }, 5s));
  ::close(client);
}

}  // namespace
}  // namespace vz::transport
