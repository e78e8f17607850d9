// The command-line switches and the program's own file name.
#include "setup/portable/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Parsed {
  bool ok;
  CommandLineOptions options;
  std::string problem;
};

Parsed parse(const char* tail) {
  Parsed p;
  String problem;
  p.ok = ParseCommandLine(tail, p.options, problem);
  p.problem = problem.cStr();
  return p;
}

TEST(CommandLine, EmptyAndBlankLinesChangeNothing) {
  for (const char* tail : {"", "   ", " \t\r\n ", "/a  \t \r\n"}) {
    Parsed p = parse(tail);
    EXPECT_TRUE(p.ok) << tail;
    EXPECT_FALSE(p.options.removal);
    EXPECT_TRUE(p.options.productName.isEmpty());
    EXPECT_TRUE(p.options.installDirOverride.isEmpty());
  }
  EXPECT_TRUE(parse("/a  \t \r\n").options.automaticMode);
  EXPECT_TRUE(parse(nullptr).ok);
}

TEST(CommandLine, AutomaticModeInEitherCaseAndPrefix) {
  for (const char* tail : {"/a", "/A", "-a", "-A"}) {
    Parsed p = parse(tail);
    EXPECT_TRUE(p.ok) << tail;
    EXPECT_TRUE(p.options.automaticMode) << tail;
  }
  Parsed p = parse("-AB");
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.problem, "Illegal command line atom:\nAB");
  EXPECT_FALSE(p.options.automaticMode);
}

TEST(CommandLine, LoneSlashOrDashIsAccepted) {
  for (const char* tail : {"/", "-", "/ - /", "- /a"}) {
    Parsed p = parse(tail);
    EXPECT_TRUE(p.ok) << tail;
    EXPECT_FALSE(p.options.removal);
  }
  EXPECT_FALSE(parse("/").options.automaticMode);
  EXPECT_TRUE(parse("- /a").options.automaticMode);
}

TEST(CommandLine, ValuesKeepQuotedBlanksAndLoseTheirQuotes) {
  Parsed p = parse("/d:\"C:\\My Dir\" /N:\"Product X\"");
  ASSERT_TRUE(p.ok) << p.problem;
  EXPECT_STREQ(p.options.installDirOverride.cStr(), "C:\\My Dir");
  EXPECT_STREQ(p.options.productName.cStr(), "Product X");

  // Quotes may open anywhere in the atom; a doubled quote inside them is one
  // quote, and a value that still carries a pair of quotes loses it.
  p = parse("-D:C:\\\"Program Files\"\\x \"/n:\"\"Quoted\"\"\"");
  ASSERT_TRUE(p.ok) << p.problem;
  EXPECT_STREQ(p.options.installDirOverride.cStr(), "C:\\Program Files\\x");
  EXPECT_STREQ(p.options.productName.cStr(), "Quoted");

  // A missing closing quote runs to the end of the line.
  p = parse("/d:\"C:\\Open Ended /a");
  ASSERT_TRUE(p.ok);
  EXPECT_STREQ(p.options.installDirOverride.cStr(), "C:\\Open Ended /a");
  EXPECT_FALSE(p.options.automaticMode);

  // A lone quote is not a pair.
  p = parse("/n:\"\"\"\"");
  ASSERT_TRUE(p.ok);
  EXPECT_STREQ(p.options.productName.cStr(), "\"");
}

TEST(CommandLine, LaterValueReplacesEarlier) {
  Parsed p = parse("/d:first /n:one /d:second /u:two");
  ASSERT_TRUE(p.ok);
  EXPECT_STREQ(p.options.installDirOverride.cStr(), "second");
  EXPECT_STREQ(p.options.productName.cStr(), "two");
  EXPECT_TRUE(p.options.removal);
}

TEST(CommandLine, RemovalSwitchWithAndWithoutName) {
  Parsed bare = parse("/u");
  ASSERT_TRUE(bare.ok);
  EXPECT_TRUE(bare.options.removal);
  EXPECT_TRUE(bare.options.productName.isEmpty());

  Parsed named = parse("/U /n:\"Some Product\"");
  ASSERT_TRUE(named.ok);
  EXPECT_TRUE(named.options.removal);
  EXPECT_STREQ(named.options.productName.cStr(), "Some Product");

  Parsed colon = parse("-u:\"Some Product\"");
  ASSERT_TRUE(colon.ok);
  EXPECT_STREQ(colon.options.productName.cStr(), "Some Product");

  // After "U" without ':' the rest of the atom is ignored.
  Parsed word = parse("/uninstall");
  ASSERT_TRUE(word.ok);
  EXPECT_TRUE(word.options.removal);
  EXPECT_TRUE(word.options.productName.isEmpty());
}

TEST(CommandLine, BadAtomsNameThemselves) {
  Parsed p = parse("/a setup.ini");
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.problem, "Unexpected command line parameter:\nsetup.ini");
  EXPECT_TRUE(p.options.automaticMode);  // what came before the bad atom

  p = parse("\"two words\"");
  EXPECT_EQ(p.problem, "Unexpected command line parameter:\ntwo words");

  for (const char* tail : {"/x", "/d", "/dir:x", "-n", "/ad"}) {
    p = parse(tail);
    EXPECT_FALSE(p.ok) << tail;
    EXPECT_EQ(p.problem, std::string("Illegal command line atom:\n") + (tail + 1));
  }
}

TEST(CommandLine, OnlyTheFirstNineteenAtomsAreExamined) {
  std::string nineteen;
  for (int i = 0; i < MaxCommandLineAtoms; ++i) nineteen += "/a ";
  // Atoms 20 to 25 include illegal ones and a removal switch: not seen.
  Parsed p = parse((nineteen + "bogus /x /u:late - - -").c_str());
  EXPECT_TRUE(p.ok) << p.problem;
  EXPECT_FALSE(p.options.removal);

  std::string eighteen;
  for (int i = 0; i < MaxCommandLineAtoms - 1; ++i) eighteen += "-a ";
  p = parse((eighteen + "bogus").c_str());
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.problem, "Unexpected command line parameter:\nbogus");
}

TEST(OwnFileName, QuotedNamesKeepTheirBlanks) {
  EXPECT_STREQ(OwnFileName("\"C:\\My Dir\\setup\" /a").cStr(), "C:\\My Dir\\setup.EXE");
  EXPECT_STREQ(OwnFileName("\"Z:\\pkg\\setup.exe\" /u:\"x y\"").cStr(), "Z:\\pkg\\setup.exe");
  EXPECT_STREQ(OwnFileName(" \t\r\n\"C:\\x\\Setup.Exe\"").cStr(), "C:\\x\\Setup.Exe");
  EXPECT_STREQ(OwnFileName("\"C:\\Open Ended\\setup").cStr(), "C:\\Open Ended\\setup.EXE");
}

TEST(OwnFileName, UnquotedNamesEndAtTheFirstBlank) {
  EXPECT_STREQ(OwnFileName("C:\\pkg\\setup.exe /a").cStr(), "C:\\pkg\\setup.exe");
  EXPECT_STREQ(OwnFileName("setup /a").cStr(), "setup.EXE");
  EXPECT_STREQ(OwnFileName("  setup").cStr(), "setup.EXE");
}

TEST(OwnFileName, OnlyADotInTheLastComponentCountsAsExtension) {
  EXPECT_STREQ(OwnFileName("C:\\v1.2\\setup").cStr(), "C:\\v1.2\\setup.EXE");
  EXPECT_STREQ(OwnFileName("C:\\v1.2\\setup.").cStr(), "C:\\v1.2\\setup.");
  EXPECT_STREQ(OwnFileName("setup.bin").cStr(), "setup.bin");
  EXPECT_STREQ(OwnFileName("").cStr(), ".EXE");
  EXPECT_STREQ(OwnFileName(nullptr).cStr(), ".EXE");
}

// The stored removal command, read back the way the uninstaller reads its
// own command line, names the uninstaller and removes the right product.
TEST(UninstallCommand, ReadsBackAsTheUninstallerAndItsSwitches) {
  for (const char* path : {"C:\\Program Files\\Tessa Demo\\Uninstall.EXE", "C:\\P\\Uninstall.EXE"}) {
    for (bool quiet : {false, true}) {
      const String command = UninstallCommand(path, "/u:\"My Product\"", quiet);
      EXPECT_STREQ(OwnFileName(command.cStr()).cStr(), path) << command.cStr();
      String tail = command;
      tail.nextAtom();
      CommandLineOptions options;
      String problem;
      EXPECT_TRUE(ParseCommandLine(tail.cStr(), options, problem)) << problem.cStr();
      EXPECT_TRUE(options.removal);
      EXPECT_EQ(options.automaticMode, quiet);
      EXPECT_STREQ(options.productName.cStr(), "My Product");
    }
  }
}

}  // namespace
