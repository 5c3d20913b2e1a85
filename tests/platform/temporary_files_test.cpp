// Temporary files beside their targets: recognisable by name, removed when their writer is gone,
// and never confused with anything else in the folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "platform/files.hpp"
#include "platform/temporary_files.hpp"
#include "temp_folder.hpp"

namespace vz::platform {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

std::set<std::string> Names(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// The process id of a child that has ended: no process has it now.
long EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(TemporaryFiles, NamesCarryTheMarkAndTheWriter) {
  long writer = 0;
  EXPECT_TRUE(IsTemporaryFileName(".Local_47.cfg~vz4711-q3ZkT0.tmp", &writer));
  EXPECT_EQ(writer, 4711);
  EXPECT_TRUE(IsTemporaryFileName(".Local_47.pcm~vz12-AAAAAA.part"));
  for (const char* other : {"Local_47.cfg~vz4711-q3ZkT0.tmp", ".~vz4711-q3ZkT0.tmp", ".Local_47.cfg~vz4711-q3ZkT.tmp",
                            ".Local_47.cfg~vz-q3ZkT0.tmp", ".Local_47.cfg~vz0-q3ZkT0.tmp", ".Local_47.cfg~vz47x-q3ZkT0.tmp",
                            ".Local_47.cfg~vz4711-q3ZkT0.txt", ".Local_47.cfg.q3ZkT0", "Local_47.pcm.part", ".Local_47.cfg~vz4711-q3Z.kT0.tmp"}) {
    EXPECT_FALSE(IsTemporaryFileName(other)) << other;
  }
}

TEST(TemporaryFiles, ACommittedFileReplacesTheTargetAndAnAbandonedOneIsGone) {
  TempFolder folder;
  const auto target = folder.Path() / "Local_1.cfg";
  WriteFile(target, "old");
  {
    TemporaryFile abandoned(target, ".tmp");
    ASSERT_TRUE(abandoned.IsOpen());
    EXPECT_TRUE(abandoned.Write("half"));
    EXPECT_TRUE(IsTemporaryFileName(abandoned.Path().filename().string()));
  }
  EXPECT_EQ(Names(folder.Path()), (std::set<std::string>{"Local_1.cfg"}));
  EXPECT_EQ(ReadFile(target), "old");
  {
    TemporaryFile committed(target, ".tmp");
    EXPECT_TRUE(committed.Write("new"));
    EXPECT_FALSE(committed.Commit());
  }
  EXPECT_EQ(Names(folder.Path()), (std::set<std::string>{"Local_1.cfg"}));
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_FALSE(TemporaryFile(folder.Path() / "missing" / "x", ".tmp").IsOpen());
}

TEST(TemporaryFiles, LeftoversOfWritersThatAreGoneAreRemovedAndNothingElse) {
  TempFolder folder;
  // This process's own temporary files count as live while a TemporaryFile holds them.
  TemporaryFile held(folder.Path() / "Local_9.cfg", ".tmp");
  // A download killed halfway.
  const pid_t killed = ::fork();
  if (killed == 0) {
    TemporaryFile part(folder.Path() / "Local_5.pcm", ".part");
    part.Write("half a body");
    ::raise(SIGKILL);
  }
  int status = 0;
  ::waitpid(killed, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  const std::string gone = std::to_string(EndedProcess());
  const std::string running = std::to_string(::getppid());
  const std::set<std::string> others = {
      ".Local_6.cfg~vz" + running + "-abcdef.tmp",  // its writer still runs
      ".Local_6.cfg.abcdef",                         // someone else's temporary file
      "Local_6.pcm.part",
      ".Local_6.cfg~vz" + gone + "-abcdef.txt",  // not a suffix of ours
      "Local_6.cfg~vz" + gone + "-abcdef.tmp",   // not hidden
  };
  for (const std::string& name : others) WriteFile(folder.Path() / name, "keep");
  std::filesystem::create_directory(folder.Path() / (".Local_8.cfg~vz" + gone + "-abcdef.tmp"));  // not a file
  WriteFile(folder.Path() / (".Local_7.cfg~vz" + gone + "-abcdef.tmp"), "stale");
  ASSERT_EQ(Names(folder.Path()).size(), others.size() + 4);

  EXPECT_EQ(RemoveStaleTemporaryFiles(folder.Path()), 2u);
  std::set<std::string> expected = others;
  expected.insert(".Local_8.cfg~vz" + gone + "-abcdef.tmp");
  expected.insert(held.Path().filename().string());
  EXPECT_EQ(Names(folder.Path()), expected);
}

TEST(TemporaryFiles, TheFirstWriteIntoAFolderCleansItUp) {
  TempFolder folder;
  const std::string stale = ".Local_3.cfg~vz" + std::to_string(EndedProcess()) + "-Zz09Aa.tmp";
  WriteFile(folder.Path() / stale, "stale");
  WriteFileAtomically(folder.Path() / "Settings.xml", "<a/>");
  EXPECT_EQ(Names(folder.Path()), (std::set<std::string>{"Settings.xml"}));
}

// A link planted under a file's name is replaced by an atomic write and refused by an append:
// neither writes through it.
TEST(TemporaryFiles, PlantedLinksAreNeitherAppendedToNorWrittenThrough) {
  TempFolder folder;
  const std::filesystem::path victim = folder.Path() / "victim.txt";
  WriteFile(victim, "precious");
  std::filesystem::create_symlink(victim, folder.Path() / "Server.log");
  std::filesystem::create_symlink(victim, folder.Path() / "Local_1.cfg");
  EXPECT_FALSE(AppendWhole(folder.Path() / "Server.log", "a line\r\n"));
  WriteFileAtomically(folder.Path() / "Local_1.cfg", "<Row/>");
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_EQ(ReadFile(folder.Path() / "Local_1.cfg"), "<Row/>");
  EXPECT_TRUE(std::filesystem::is_symlink(folder.Path() / "Server.log"));
}

}  // namespace
}  // namespace vz::platform
