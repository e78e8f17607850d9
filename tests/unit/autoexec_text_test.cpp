// The PATH line of "autoexec.bat": added once, removed as a whole line.
#include "setup/portable/autoexec_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const String Line = PathLine("C:\\PROGRA~1\\TOOL");

TEST(AutoexecText, Texts) {
  EXPECT_STREQ(Line.cStr(), "PATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n");
  EXPECT_STREQ(AutoexecPath('D').cStr(), "D:\\autoexec.bat");
  EXPECT_STREQ(AutoexecFailureText("C:\\autoexec.bat", "C:\\Program Files\\Tool", false).cStr(),
               "Unable to modify C:\\autoexec.bat.  You will need to manually remove C:\\Program Files\\Tool "
               "from the PATH environment variable.\r\n\r\n");
  EXPECT_GE(AutoexecFailureText("X", "Y", true).find("manually add Y to the PATH"), 0);
}

TEST(AutoexecText, AddOnce) {
  struct Case {
    const char* text;
    const char* addition;
  };
  const Case cases[] = {
      {"", "\r\nPATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n"},
      {"@ECHO OFF\r\n", "PATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n"},
      {"@ECHO OFF\n", "PATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n"},
      {"@ECHO OFF", "\r\nPATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n"},
      {"PATH=%PATH%;C:\\PROGRA~1\\TOOL\r\nREM\r\n", ""},
      // The presence test keeps the case.
      {"path=%path%;c:\\progra~1\\tool\r\n", "PATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n"},
  };
  for (const Case& c : cases) EXPECT_STREQ(PathLineAddition(c.text, Line).cStr(), c.addition) << c.text;
  // Adding twice leaves one line.
  String text = "REM\r\n";
  text += PathLineAddition(text, Line);
  text += PathLineAddition(text, Line);
  EXPECT_STREQ(text.cStr(), "REM\r\nPATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n");
}

TEST(AutoexecText, Remove) {
  struct Case {
    const char* text;
    bool removed;
    const char* after;
  };
  const Case cases[] = {
      {"A\r\nPATH=%PATH%;C:\\PROGRA~1\\TOOL\r\nB\r\n", true, "A\r\nB\r\n"},
      {"A\r\npath=%Path%;c:\\progra~1\\tool\r\n", true, "A\r\n"},
      {"A\r\nPATH=%PATH%;C:\\PROGRA~1\\TOOL", true, "A\r\n"},
      {"PATH=%PATH%;C:\\PROGRA~1\\TOOL\nB", true, "\nB"},
      {"PATH=%PATH%;C:\\PROGRA~1\\TOOL\r\nX\r\nPATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n", true,
       "X\r\nPATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n"},
      // Lines that only contain the line, or name a longer directory, stay.
      {"SET PATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n", false, "SET PATH=%PATH%;C:\\PROGRA~1\\TOOL\r\n"},
      {"PATH=%PATH%;C:\\PROGRA~1\\TOOLS\r\n", false, "PATH=%PATH%;C:\\PROGRA~1\\TOOLS\r\n"},
      {"PATH=%PATH%;C:\\PROGRA~1\\TOOL;D:\\X\r\n", false, "PATH=%PATH%;C:\\PROGRA~1\\TOOL;D:\\X\r\n"},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    String text = c.text;
    EXPECT_EQ(RemovePathLine(text, Line), c.removed) << c.text;
    EXPECT_STREQ(text.cStr(), c.after) << c.text;
  }
}

}  // namespace
