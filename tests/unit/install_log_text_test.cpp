// The log entry: its lines in order, the optional ones, and when it is written.
#include "setup/portable/install_log_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(InstallLogText, Entry) {
  InstallLogEntry entry;
  entry.productName = "Tool";
  entry.installDate = "9/1/1999 3:05:09p";
  entry.installDir = "C:\\Tool";
  entry.errorLog = "Done\r\n\r\n";
  const std::string head = "\r\nInstallation log for: Tool\r\nInstall date: 9/1/1999 3:05:09p\r\n";
  EXPECT_EQ(std::string(InstallLogText(entry).cStr()),
            head + "Install type: New\r\nInstall location: C:\\Tool\r\nInstaller version: 5.0\r\n\r\nDone\r\n\r\n");

  entry.isReinstall = true;
  entry.productVersion = "2.1b";
  entry.replacementLog = "C:\\Tool\\a.dll is up to date.\r\n";
  EXPECT_EQ(std::string(InstallLogText(entry).cStr()),
            head +
                "Install type: Reinstall\r\nInstall location: C:\\Tool\r\nInstaller version: 5.0\r\n"
                "Product version: 2.1b\r\n\r\nC:\\Tool\\a.dll is up to date.\r\n\r\nDone\r\n\r\n");

  entry.productVersion = " \t";
  EXPECT_EQ(InstallLogText(entry).find("Product version"), -1);
}

TEST(InstallLogText, WhenWritten) {
  EXPECT_FALSE(ShouldWriteInstallLog(false, true, ""));
  EXPECT_TRUE(ShouldWriteInstallLog(true, true, ""));
  EXPECT_TRUE(ShouldWriteInstallLog(false, false, ""));
  EXPECT_TRUE(ShouldWriteInstallLog(false, true, "x is up to date.\r\n"));
}

}  // namespace
