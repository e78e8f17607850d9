// The hook's batch texts: SET lines, dropped pauses and DOS line ends.
#include "setup/portable/batch_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

HookEnvironment sampleEnvironment() {
  HookEnvironment e;
  e.installDir = "d:\\Apps\\Tool";
  e.sharedDir = "C:\\Common\\Vendor";
  e.installerPath = "E:\\Downloads\\setup.exe";
  e.systemDirectory = "C:\\WINDOWS\\SYSTEM";
  return e;
}

const std::string SetLines =
    "SET InstallDir=d:\\Apps\\Tool\r\n"
    "SET InstallDrive=D:\r\n"
    "SET SharedDir=C:\\Common\\Vendor\r\n"
    "SET InstallerFilepath=E:\\Downloads\\setup.exe\r\n"
    "SET InstallerDir=E:\\Downloads\r\n"
    "SET InstallerFilename=setup.exe\r\n"
    "SET SystemDir=C:\\WINDOWS\\SYSTEM\r\n";

TEST(BatchText, Body) {
  struct Case {
    const char* hook;
    bool dropPauses;
    std::string afterSetLines;
  };
  const Case cases[] = {
      {"PAUSE", true, ""},
      {"PAUSE", false, "PAUSE"},
      {"copy a b\r\n@pause\n  PAUSE  \r\n\tpause\tme\n\rdir", true, "copy a b\r\n\tpause\tme\r\ndir\r\n"},
      // Every line end form is one break; "\r\r" leaves an empty line.
      {"a\rb\nc\r\nd\n\re\r\rf\n", true, "a\r\nb\r\nc\r\nd\r\ne\r\n\r\nf\r\n"},
      {"@ Pause\r\n@@pause\r\n", true, "@@pause\r\n"},
      // Kept as written: lone "\r" are dropped, "\n" becomes "\r\n".
      {"echo x\r\npause\nver\r", false, "echo x\r\npause\r\nver"},
  };
  for (const Case& c : cases) {
    const String body = BatchBody(sampleEnvironment(), c.hook, c.dropPauses);
    EXPECT_EQ(std::string(body.cStr()), "@echo off\r\n" + SetLines + c.afterSetLines) << c.hook;
  }
}

TEST(BatchText, DirectoryWithoutDriveOrNone) {
  HookEnvironment e = sampleEnvironment();
  e.installDir = "\\\\server\\share\\Tool";
  const String body = BatchBody(e, "ver", false);
  EXPECT_GE(body.find("SET InstallDrive=\r\nSET SharedDir="), 0);
  EXPECT_EQ(body.findChar('\0'), -1);
  e.installDir = "";
  EXPECT_EQ(std::string(BatchBody(e, "ver\n", false).cStr()), "@echo off\r\nver\r\n");
}

TEST(BatchText, Launcher) {
  EXPECT_STREQ(LauncherLine("C:\\WINDOWS\\COMMAND.COM", "C:\\App\\QAMVEX2.BAT").cStr(),
               "@C:\\WINDOWS\\COMMAND.COM /e:1024 /c \"C:\\App\\QAMVEX2.BAT\"");
}

}  // namespace
