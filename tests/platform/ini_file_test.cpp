#include <gtest/gtest.h>

#include "platform/ini_file.hpp"
#include "temp_folder.hpp"

namespace vz::platform {
namespace {

TEST(IniFile, ReadsEntriesOfTheirSectionOnly) {
  testing::TempFolder folder;
  const auto file = folder.Path() / "LabTest.ini";
  testing::WriteFile(file,
                     "; diagnostics\r\n[Other]\r\n20654=False\r\n[ BugRepro ]\r\n  20654 =  True  \r\nquoted=\"a b\"\r\n");
  EXPECT_EQ(ReadIniString(file, "bugrepro", "20654", "False", 50), "True");
  EXPECT_EQ(ReadIniString(file, "BugRepro", "quoted", "", 50), "a b");
  EXPECT_EQ(ReadIniString(file, "BugRepro", "missing", "dflt", 50), "dflt");
  EXPECT_EQ(ReadIniString(file, "Absent", "20654", "False", 50), "False");
  EXPECT_EQ(ReadIniString(folder.Path() / "none.ini", "BugRepro", "20654", "False", 50), "False");
  // Values are cut to the length the caller reads.
  EXPECT_EQ(ReadIniString(file, "BugRepro", "20654", "", 2), "Tr");
}

}  // namespace
}  // namespace vz::platform
