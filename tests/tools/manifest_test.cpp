// The manifest: every key lands in the package where the installer reads
// it, and every mistake is reported with its place and reason.
#include "pack/manifest.h"

#include <gtest/gtest.h>

#include "pack/file_io.h"
#include "tool_test_support.h"

namespace {

class ManifestTest : public ::testing::Test {
 protected:
  ManifestTest() {
    writeFile(dir / "src/app.exe", "app");
    writeFile(dir / "src/data/a.dat", "a");
    writeFile(dir / "src/data/deep/b.dat", "b");
    writeFile(dir / "src/data/deep/c.txt", "c");
    writeFile(dir / "fonts/one.ttf", "1");
    writeFile(dir / "fonts/two.ttf", "2");
    writeFile(dir / "LICENSE", "Line one\nZweite Zeile: \xC3\xA4\xC3\xB6\xC3\xBC\n");
    writeFile(dir / "hook.bat", "echo from a file\n");
    setFileModificationTime(dir / "src/app.exe", 1700000000);
  }

  Manifest load(const std::string& body) {
    writeFile(dir / "m.toml", body);
    return LoadManifest(dir / "m.toml");
  }

  // The error text of loading body, or "(loaded)".
  std::string error(const std::string& body) {
    try {
      load(body);
    } catch (const PackError& e) {
      return e.what();
    }
    return "(loaded)";
  }

  ScratchDirectory dir;
};

const char Product[] = "[product]\nname = \"P\"\n";
const char OneFile[] = "[[file]]\nsource = \"src/app.exe\"\n";

TEST_F(ManifestTest, EveryKeyLandsInThePackage) {
  const Manifest m = load(R"toml(
[package]
stub = "stub.bin"
output = "out/setup.exe"
compression = false
level = "fast"
disk-size = "1440K"
time-zone = "+02:00"
stub-time = 2020-02-29T08:00:00

[product]
name = "Tessa Demo"
publisher = "Tessaform Samples"
version = "1.2"
start-menu = "Samples\\Demo"
install-dir = "Tessa Demo"
registry-key = "Tessaform\\Demo"
uninstall-subdir = "Uninstall"
master = "Tessa Base"
flags = ["RegisterUninstall", "VerifyChecksums"]
extra-flags = 0x40000000

[appearance]
title-color = "#FFFFFF"
top-color = "#102030"
bottom-color = "#000000"

[texts]
license = "LICENSE"

[hooks]
pre-install = "echo pre"
after-uninstall-file = "hook.bat"

[[language]]
name = "English"
[language.messages]
display-title = "Tessa Demo 1.2"

[[language]]
name = "Deutsch"
[language.messages]
0 = "Tessa Demo 1.2 (deutsch)"

[[file]]
source = "src/app.exe"
to = "bin/"
desktop-shortcut = true
start-menu-shortcut = true

[[file]]
source = "src/data/**/*.dat"
to = "data"
kind = "shared"
when = "if-absent"
time = "none"

[[file]]
source = "fonts/one.ttf"
kind = "font"
font-name = "One Sans"
time = 2001-02-03T04:05:06

[[file]]
source = "src/data/deep/c.txt"
to = "c.txt"
kind = "system"
version = "4.00.950"
)toml");
  EXPECT_EQ(m.stubPath, dir / "stub.bin");
  EXPECT_EQ(m.outputPath, dir / "out/setup.exe");
  EXPECT_EQ(m.options.level, PackLevel::Fast);
  EXPECT_EQ(m.options.diskSize, 1440 * 1024);
  EXPECT_TRUE(m.stubTimeGiven);
  const PackageHeader& h = m.package.header;
  EXPECT_EQ(h.installFlags, RegisterUninstall | VerifyChecksums | RequiresMaster | CustomColors | 0x40000000u);
  EXPECT_EQ(h.stubTime.year, 2020);
  EXPECT_EQ(h.stubTime.day, 29);
  EXPECT_EQ(h.defaultProductName, "Tessa Demo");
  EXPECT_EQ(h.productStartMenu, "Samples\\Demo");
  EXPECT_EQ(h.productRegistry, "Tessaform\\Demo");
  EXPECT_EQ(h.masterProduct, "Tessa Base");
  EXPECT_EQ(h.titleColor, 0xFFFFFFu);
  EXPECT_EQ(h.topColor, 0x302010u) << "stored as 0x00BBGGRR";
  EXPECT_EQ(h.licenseText, "Line one\r\nZweite Zeile: \xE4\xF6\xFC\r\n") << "CR LF and Windows-1252";
  EXPECT_EQ(h.preInstallBatch, "echo pre");
  EXPECT_EQ(h.uninstallBatch2, "echo from a file\n");
  ASSERT_EQ(h.languages, std::vector<std::string>({"English", "Deutsch"}));
  ASSERT_EQ(h.messages.size(), 60u);
  EXPECT_EQ(h.messages[0], std::vector<std::string>({"Tessa Demo 1.2", "Tessa Demo 1.2 (deutsch)"}));
  EXPECT_EQ(h.messages[48][1], "&Weiter") << "German texts come with the name Deutsch";

  const std::vector<PackageFile>& f = m.package.files;
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0].name, "bin\\app.exe");
  EXPECT_EQ(f[0].options, DesktopShortcutOption | StartMenuShortcutOption);
  EXPECT_EQ(f[0].detail, "app") << "the shortcut is named after the file";
  EXPECT_EQ(f[0].time.year, 2023);
  EXPECT_EQ(f[0].time.hour, 0) << "22:13:20 UTC is 00:13:20 at +02:00";
  EXPECT_EQ(f[1].name, "data\\a.dat");
  EXPECT_EQ(f[2].name, "data\\deep\\b.dat");
  EXPECT_EQ(f[2].kind, SharedFile);
  EXPECT_EQ(f[2].options, OnlyIfAbsent);
  EXPECT_TRUE(isEmptyTime(f[2].time));
  EXPECT_EQ(f[3].detail, "One Sans");
  EXPECT_EQ(f[3].time.second, 6);
  EXPECT_EQ(f[4].kind, SystemFile);
  EXPECT_EQ(f[4].detail, "0000000004.0000000000.0000000950");
}

TEST_F(ManifestTest, DefaultsAreEnglishPackedAndBest) {
  const Manifest m = load(std::string(Product) + OneFile);
  EXPECT_EQ(m.package.header.installFlags, static_cast<uint32_t>(PackedPayload));
  EXPECT_EQ(m.package.header.languages, std::vector<std::string>({"English"}));
  EXPECT_EQ(m.options.level, PackLevel::Best);
  EXPECT_EQ(m.options.diskSize, 0);
  EXPECT_EQ(m.stubPath, "");
  EXPECT_EQ(m.package.files[0].name, "app.exe");
}

TEST_F(ManifestTest, MistakesAreReportedWithTheirPlace) {
  const std::string base = std::string(Product) + OneFile;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"[product\n", "m.toml:1:9: "},
      {"[product]\nnmae = \"x\"\n", "m.toml:2:1: unknown key \"nmae\" in [product]; did you mean \"name\"?"},
      {"[product]\n", "m.toml:1:1: [product] needs a name"},
      {OneFile, "the manifest has no [product] table"},
      {Product, "the manifest names no files"},
      {"[product]\nname = \"\xE2\x9C\x93\"\n", "m.toml:2:8: [product] name contains the character U+2713"},
      {"[product]\nname = \"P\"\nflags = [\"Quiet\"]\n", "m.toml:3:10: unknown flag \"Quiet\""},
      {"[product]\nname = \"P\"\nextra-flags = 4\n", "extra-flags holds the bit of RegisterUninstall"},
      {"[product]\nname = \"P\"\nflags = [\"CustomColors\"]\n" + std::string(OneFile),
       "CustomColors needs [appearance] top-color and bottom-color"},
      {"[product]\nname = \"P\"\nflags = [\"BackgroundPicture\"]\n" + std::string(OneFile),
       "BackgroundPicture needs [appearance] picture"},
      {"[package]\ncompression = false\n[product]\nname = \"P\"\nflags = [\"PackedPayload\"]\n" + std::string(OneFile),
       "PackedPayload is set but [package] compression is false"},
      {base + "[appearance]\ntop-color = \"#12345\"\nbottom-color = \"#000000\"\n",
       "top-color must be a colour written \"#RRGGBB\""},
      {base + "[appearance]\ntop-color = \"#123456\"\n", "needs both top-color and bottom-color"},
      {base + "[package]\ndisk-size = \"2G\"\n", "disk-size must be a number of bytes"},
      {"[package]\ntime-zone = \"CET\"\n" + base, "time-zone must be"},
      {base + "[texts]\nlicense = \"NOLICENSE\"\n", "NOLICENSE: no such file"},
      {base + "[hooks]\nfinal = \"a\"\nfinal-file = \"hook.bat\"\n", "[hooks] has both final and final-file"},
      // Outside strings and comments the TOML reader met these with undefined
      // behaviour (found by manifest_fuzz); inside them they are text.
      {"[product]\nname = \"P\" \xCB\xAB\n", "m.toml:2:12: a character outside the ASCII range"},
      {"# B\xC3\xBC" "cher\n[product]\nname = '''B\xC3\xBC\"cher'''\nt = \"\\\"\xC3\xA4\"\n\xC3\xA4",
       "m.toml:5:1: a character outside the ASCII range"},
      // A quote right after a value opens no string for the reader.
      {"[package]\ntime-zone =0\"UT\xCB\xAB" "C\"\n", "m.toml:2:16: a character outside the ASCII range"},
      // Characters the TOML reader cannot ask about reach it as stand-ins and
      // come back in its reports as themselves (found by manifest_fuzz).
      {"[product]\nname = \"\"\"\\\xEF\xAF\xBF\"\"\"\n", "m.toml:2:12: "},
      {"-=0`kv.\"S.\xDE\x91SS\"\n", "m.toml:1:4: "},
      {"[product]\nname = \"\xEE\x80\x80\"\n", "m.toml:2:9: a character of the private use area"},
      // The TOML reader stops at a check of its own here (found by manifest_fuzz).
      {"[` = \"x\"\n", "m.toml:1:1: malformed TOML on this line"},
      {"[product]\nname = \"P\"\n\n[[` = 1\nx = 2\n", "m.toml:4:1: malformed TOML on this line"},
  };
  for (const auto& [body, expected] : cases) EXPECT_TRUE(contains(error(body), expected)) << error(body);
}

TEST_F(ManifestTest, MessageOverridesMustFitTheirRoles) {
  const auto withMessages = [](const std::string& messages) {
    return std::string(Product) + OneFile + "[[language]]\nname = \"English\"\n[language.messages]\n" + messages;
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"low-disk-space = \"%s on %s\"\n",
       "m.toml:8:18: message 19 (low-disk-space, the warning about too little disk space) needs the conversions "
       "%s %c %s (the space needed, the drive letter and the free space), in this order, but has %s %s"},
      {"13 = \"Damaged: %s\"\n", "needs the conversions %d (the error code)"},
      {"26 = \"Disk %d in %c: (%*d)\"\n", "a width or precision \"*\""},
      {"12 = \"Needs %ls\"\n", "a size modifier in \"%ls\""},
      {"9 = \"100% sure\"\n", "message 9 (already-installed, the error when the product may not be installed "
                             "again) is shown without conversions and may not contain a percent sign"},
      {"34 = \"Removed.\\n~ done\"\n", "a line beginning with \"~\" would end it early"},
      {"uninstall-shortcut = \"Remove: now\"\n", "becomes part of a file name"},
      {"61 = \"x\"\n", "unknown message \"61\": use a number from 0 to 59 or a role name"},
      {"display-titel = \"x\"\n", "did you mean \"display-title\"?"},
      {"0 = \"a\"\ndisplay-title = \"b\"\n", "message 0 is given twice"},
      {"0 = 5\n", "message 0 must be a text"},
  };
  for (const auto& [messages, expected] : cases)
    EXPECT_TRUE(contains(error(withMessages(messages)), expected)) << error(withMessages(messages));
  // Fitting overrides, with a literal percent sign where there are conversions.
  const Manifest m = load(withMessages("13 = \"100%% broken: %d\"\n19 = \"%s / %c / %s\"\n"));
  EXPECT_EQ(m.package.header.messages[13][0], "100%% broken: %d");
}

TEST_F(ManifestTest, LanguagesNeedTextsForEveryMessage) {
  const std::string base = std::string(Product) + OneFile;
  EXPECT_TRUE(contains(error(base + "[[language]]\nname = \"Fran\xC3\xA7" "ais\"\n[language.messages]\n0 = \"x\"\n"),
                       "this language has no base (base = \"english\" or \"german\") and lacks the messages 1, 2, 3"));
  EXPECT_TRUE(contains(error(base + "[[language]]\nname = \"X\"\nbase = \"klingon\"\n"),
                       "base must be \"english\" or \"german\""));
  const Manifest m = load(base + "[[language]]\nname = \"Fran\xC3\xA7" "ais\"\nbase = \"english\"\n");
  EXPECT_EQ(m.package.header.languages[0], "Fran\xE7" "ais");
  // A continued line that begins with a letter above ASCII.
  const Manifest continued = load(base + "[[language]]\nname = \"\"\"Fran\\\n  \xC3\xA7" "ais\"\"\"\nbase = \"english\"\n");
  EXPECT_EQ(continued.package.header.languages[0], "Fran\xE7" "ais");
}

TEST_F(ManifestTest, FileMistakesNameTheSource) {
  const auto file = [](const std::string& lines) { return std::string(Product) + "[[file]]\n" + lines; };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"source = \"src/missing.exe\"\n", "m.toml:4:10: the source \"src/missing.exe\" does not exist"},
      {"source = \"src/*.dll\"\n", "the source \"src/*.dll\" matches no files"},
      {"to = \"x\"\n", "[[file]] needs a source"},
      {"source = \"src/app.exe\"\nkind = \"program\"\n", "unknown kind \"program\"; the kinds are app, shared"},
      {"source = \"src/app.exe\"\nwhen = \"sometimes\"\n", "unknown rule \"sometimes\""},
      {"source = \"src/app.exe\"\nkind = \"shared\"\ndesktop-shortcut = true\n",
       "desktop-shortcut applies to app and startup files only"},
      {"source = \"src/app.exe\"\nshortcut-name = \"A\"\n", "shortcut-name needs desktop-shortcut or start-menu-shortcut"},
      {"source = \"src/app.exe\"\ndesktop-shortcut = true\nshortcut-name = \"A/B\"\n",
       "the shortcut name \"A/B\" is empty or holds a character"},
      {"source = \"fonts/one.ttf\"\nkind = \"font\"\n", "a font needs its font-name"},
      {"source = \"fonts/*.ttf\"\nkind = \"font\"\nfont-name = \"F\"\n", "the source matches 2 files"},
      {"source = \"src/app.exe\"\nversion = \"1.0\"\n", "version applies to system files only"},
      {"source = \"src/app.exe\"\nto = \"../app.exe\"\n", "has an empty, \".\" or \"..\" component"},
      {"source = \"src/app.exe\"\nto = \"C:\\\\app.exe\"\n", "must be relative to its destination directory"},
      {"source = \"src/app.exe\"\nto = \"a|b.exe\"\n", "a character Windows does not allow"},
      {"source = \"src/app.exe\"\nto = \"bin/Nul.exe\"\n", "reserves for a device (\"Nul.exe\")"},
      {"source = \"src/app.exe\"\ntime = 2024-01-01\n", "time must be a local date and time"},
      {"source = \"src/app.exe\"\nkind = \"shared\"\n", "m.toml:5:8: shared files need the flag RegisterUninstall"},
      {"source = \"src/app.exe\"\n[[file]]\nsource = \"src/app.exe\"\nto = \"APP.EXE\"\n",
       "would both be installed as \"APP.EXE\""},
  };
  for (const auto& [lines, expected] : cases) EXPECT_TRUE(contains(error(file(lines)), expected)) << error(file(lines));
}

}  // namespace
