// vzed started on demand, the way systemd's socket unit starts it, without a user manager: the
// test holds the listening socket and passes it as descriptor 3 with LISTEN_FDS=1 and LISTEN_PID
// naming vzed itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <filesystem>

#include "vzed_process.hpp"

namespace vz::testing {
namespace {

namespace fs = std::filesystem;
using vze::Json;

// What systemd's socket unit holds: a listening socket at `path`, mode 0600, in a private folder.
class UnitSocket {
 public:
  explicit UnitSocket(const std::string& path) : path(path) {
    fs::create_directories(fs::path(path).parent_path());
    fs::permissions(fs::path(path).parent_path(), fs::perms::owner_all);
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) {
      throw std::runtime_error("cannot listen on " + path);
    }
    ::chmod(path.c_str(), 0600);
  }
  ~UnitSocket() { ::close(fd); }
  std::string path;
  int fd = -1;
};

// vzed as systemd starts it: `passed` at descriptor 3 without close-on-exec, LISTEN_FDS=1, and the
// shell setting LISTEN_PID to its own pid before it becomes vzed.
class ActivatedVzed : public ChildProcess {
 public:
  ActivatedVzed(int passed, const TempFolder& folder, std::vector<std::string> extra = {},
                std::string listenPid = "$$") {
    std::vector<std::string> args = {"/bin/sh", "-c", "LISTEN_PID=" + listenPid + " exec \"$0\" \"$@\"", VZED_PATH,
                                     "--socket", folder / "own/vzed.sock", "--log-folder", folder / "log",
                                     "--tick-interval", "5", "--test-actions", "instant"};
    args.insert(args.end(), extra.begin(), extra.end());
    // Away from 3 first, so that the dup onto 3 is a real one (dup2 clears close-on-exec).
    const int high = ::fcntl(passed, F_DUPFD_CLOEXEC, 10);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, high, 3);
    const bool spawned = Spawn(args, {"LISTEN_FDS=1"}, &actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(high);
    if (!spawned) throw std::runtime_error("cannot start vzed");
  }
};

TEST(VzedSocketActivation, ServesOnTheSocketItIsHandedLeavesItInPlaceAndTheNextOneServesWhoWaited) {
  TempFolder folder;
  UnitSocket unit(folder / "run/vzed.sock");
  {
    ActivatedVzed vzed(unit.fd, folder);
    vze::RpcClient editor(unit.path, std::chrono::seconds(10));
    EXPECT_EQ(editor.Call("create", {{"class", "clsZERUredoz"}})["$class"], "clsZERUredoz");
    EXPECT_FALSE(fs::exists(folder / "own/vzed.sock"));  // --socket gives way to the handed socket
    EXPECT_EQ(editor.Call("closeRequest", {{"reason", "owner"}}), (Json{{"cancelled", false}}));
    EXPECT_TRUE(EndedWith(vzed.WaitForExit(), 0));
  }
  // The socket file stays: a client connecting now waits in the unit's queue, as it would while
  // systemd starts the next vzed, and that one answers it.
  ASSERT_TRUE(fs::exists(unit.path));
  vze::LineClient waiting(unit.path);
  ASSERT_TRUE(waiting.SendLine(R"({"jsonrpc":"2.0","id":1,"method":"describe","params":{"class":"clsStatusString"}})"));
  ActivatedVzed next(unit.fd, folder);
  const auto answer = waiting.ReadLine(std::chrono::seconds(10));
  ASSERT_TRUE(answer);
  EXPECT_EQ(Json::parse(*answer)["result"]["class"], "clsStatusString");
}

TEST(VzedSocketActivation, WithIdleExitItEndsWithStatusZeroOnceNoClientAndNoRequestRemain) {
  TempFolder folder;
  UnitSocket unit(folder / "run/vzed.sock");
  ActivatedVzed vzed(unit.fd, folder, {"--idle-exit", "0.2", "--trace-level", "2"});
  {
    vze::RpcClient editor(unit.path, std::chrono::seconds(10));
    const Json server = editor.Call("create", {{"class", "clsZERUredoz"}});
    const Json queue = editor.Call("get", {{"handle", server["$handle"]}, {"name", "DatabaseRequests"}});
    const Json spec = editor.Call("call", {{"handle", server["$handle"]}, {"name", "NewRequestSpec"}})["value"];
    editor.Call("set", {{"handle", spec["$handle"]}, {"name", "Actions"}, {"value", {2}}});
    // Left behind by its client: it runs to its end before vzed may go.
    editor.Call("call", {{"handle", queue["$handle"]}, {"name", "Add"}, {"args", {{{"$handle", spec["$handle"]}}}}});
  }
  EXPECT_TRUE(EndedWith(vzed.WaitForExit(), 0));
  EXPECT_TRUE(fs::exists(unit.path));
  const std::string log = ReadFile(folder / "log/vzed.log");
  EXPECT_THAT(log, ::testing::HasSubstr("no client and no request for 200 ms"));
}

TEST(VzedSocketActivation, ASocketMeantForAnotherProcessIsIgnoredAndAnythingButAListeningSocketIsRefused) {
  TempFolder folder;
  UnitSocket unit(folder / "run/vzed.sock");
  {
    // LISTEN_PID names another process: vzed makes its own socket.
    ActivatedVzed vzed(unit.fd, folder, {}, "1");
    const std::string own = folder / "own/vzed.sock";
    ASSERT_TRUE(Eventually([&] { return Accepts(own); }));
    vze::RpcClient client(own, std::chrono::seconds(10));
    EXPECT_EQ(client.Call("closeRequest", {{"reason", "owner"}}), (Json{{"cancelled", false}}));
    EXPECT_TRUE(EndedWith(vzed.WaitForExit(), 0));
    EXPECT_FALSE(fs::exists(folder / "own/vzed.sock"));  // its own socket goes with it
  }
  int notListening[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, notListening), 0);
  ActivatedVzed refused(notListening[0], folder);
  EXPECT_TRUE(EndedWith(refused.WaitForExit(), 1));
  ::close(notListening[0]);
  ::close(notListening[1]);
}

}  // namespace
}  // namespace vz::testing
