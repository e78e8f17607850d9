// File, DateTimeStamp and the file-system functions against the real Win32
// file system of the test prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/filesys.h"
#include "platform/gfile.h"
#include "platform/system_error.h"
#include "tests/win32/data/platform_test_support.h"

using platform_test::existsRaw;
using platform_test::fatalTextOf;
using platform_test::isDirectoryRaw;
using platform_test::ScratchDirectory;
using platform_test::writeRaw;

namespace {

std::string str(const String& s) { return std::string(s.cStr(), s.length()); }

// A drive letter the prefix does not have.
char missingDrive() {
  for (char c = 'Q'; c <= 'Y'; ++c) {
    if (!driveExists(c)) return c;
  }
  return 0;
}

TEST(File, WriteReadSeekRoundTrip) {
  ScratchDirectory dir("roundtrip");
  const std::string path = dir / "data.bin";
  File f;
  ASSERT_TRUE(f.create(path.c_str(), false)) << f.lastError().cStr();
  const char bytes[] = "hello\0world\0tail";
  ASSERT_TRUE(f.write(bytes, sizeof bytes - 1));
  EXPECT_EQ(f.tell(), 16);

  ASSERT_TRUE(f.seek(6));
  EXPECT_EQ(f.size(), 16);
  EXPECT_EQ(f.tell(), 6);  // size keeps the position
  EXPECT_STREQ(f.readCText().cStr(), "world");
  EXPECT_EQ(f.tell(), 12);  // the zero byte is consumed

  char tail[4];
  ASSERT_TRUE(f.seekFromEnd(-4));
  ASSERT_TRUE(f.read(tail, 4));
  EXPECT_EQ(std::string(tail, 4), "tail");

  ASSERT_TRUE(f.seek(2));
  char two[2];
  ASSERT_TRUE(f.readAt(0, two, 2));
  EXPECT_EQ(std::string(two, 2), "he");
  EXPECT_EQ(f.tell(), 2);
  EXPECT_FALSE(f.readAt(-1, two, 2));  // a failed seek reads nothing
  EXPECT_EQ(f.tell(), 2);

  String range;
  ASSERT_TRUE(f.readRange(range, 12, 4));
  EXPECT_EQ(str(range), "tail");
  EXPECT_FALSE(f.readRange(range, 13, 4));
  EXPECT_TRUE(range.isEmpty());
  EXPECT_FALSE(f.readRange(range, -1, 2));
  EXPECT_FALSE(f.readRange(range, 0, -2));
  EXPECT_TRUE(f.readRange(range, 16, 0));

  ASSERT_TRUE(f.pushPositionAndSeek(10));
  ASSERT_TRUE(f.pushPosition());
  ASSERT_TRUE(f.seek(0));
  EXPECT_EQ(f.popPosition(), 10);
  EXPECT_EQ(f.tell(), 10);
  EXPECT_EQ(f.popPosition(), 2);
  EXPECT_EQ(f.tell(), 2);

  ASSERT_TRUE(f.seek(5));
  ASSERT_TRUE(f.truncateHere());
  EXPECT_EQ(f.size(), 5);
  f.close();
  EXPECT_EQ(f.size(), -1);
  EXPECT_EQ(f.tell(), -1);
  EXPECT_EQ(fileSize(path.c_str()), 5);
}

TEST(File, LargeOffsetsAreNotTruncated) {
  ScratchDirectory dir("large");
  const std::string path = dir / "sparse.bin";
  File f;
  ASSERT_TRUE(f.create(path.c_str(), false));
  const int64_t beyond4G = (int64_t(1) << 32) + 10;
  ASSERT_TRUE(f.seek(beyond4G));
  ASSERT_TRUE(f.write("x", 1));
  EXPECT_EQ(f.size(), beyond4G + 1);
  char c = 0;
  ASSERT_TRUE(f.readAt(beyond4G, &c, 1));
  EXPECT_EQ(c, 'x');
  f.close();
  EXPECT_EQ(fileSize(path.c_str()), beyond4G + 1);
}

TEST(File, FailuresAreRecordedAsText) {
  ScratchDirectory dir("errors");
  const std::string path = dir / "f.txt";
  ASSERT_TRUE(writeRaw(path, "abc"));
  File f;
  char buffer[8] = "unset";

  EXPECT_FALSE(f.read(buffer, 1));
  EXPECT_STREQ(f.lastError().cStr(), "File not open");
  EXPECT_FALSE(f.open((dir / "missing.txt").c_str(), OpenExisting));
  EXPECT_FALSE(f.lastError().isEmpty());  // the system's text
  EXPECT_FALSE(f.isOpen());

  ASSERT_TRUE(f.openExisting(path.c_str(), true, false, false));
  EXPECT_TRUE(f.readBlock(nullptr, 0));
  EXPECT_TRUE(f.readBlock(buffer, 0));
  EXPECT_STREQ(buffer, "unset");  // a count of 0 touches nothing
  EXPECT_FALSE(f.readBlock(buffer, -3));
  EXPECT_STREQ(f.lastError().cStr(), "Illegal block size -3");
  EXPECT_FALSE(f.readBlock(nullptr, 2));
  EXPECT_STREQ(f.lastError().cStr(), "NULL block pointer");
  EXPECT_FALSE(f.read(buffer, 4));
  EXPECT_STREQ(f.lastError().cStr(), "Read past end of file");

  EXPECT_TRUE(f.write("x", 0));
  EXPECT_FALSE(f.write("x", 1));
  EXPECT_STREQ(f.lastError().cStr(), "Write access denied");
  EXPECT_FALSE(f.write("x", -1));
  EXPECT_STREQ(f.lastError().cStr(), "Illegal block size");
  EXPECT_FALSE(f.truncateHere());

  ASSERT_TRUE(f.open(path.c_str(), OpenExisting | NoRead));
  EXPECT_FALSE(f.canRead());
  EXPECT_FALSE(f.read(buffer, 1));
  EXPECT_STREQ(f.lastError().cStr(), "Read access denied");
  f.close();

  EXPECT_EQ(fatalTextOf([&] { f.write("x", 1); }), "Write to unopened File:\n" + path);
  f.setFatalOnUnopenedWrite(false);
  EXPECT_FALSE(f.write("x", 1));
  EXPECT_EQ(fatalTextOf([&] { f.popPosition(); }), "gfile 839");
}

TEST(File, OpenFlags) {
  ScratchDirectory dir("flags");
  const std::string path = dir / "new.txt";
  File f;
  EXPECT_FALSE(f.open(path.c_str(), OpenExisting));
  ASSERT_TRUE(f.open(path.c_str(), 0));  // created when missing
  EXPECT_TRUE(f.canRead());
  EXPECT_TRUE(f.canWrite());
  EXPECT_TRUE(f.write("12345", 5));
  ASSERT_TRUE(f.open(path.c_str(), ShareRead | CloseAfterOpen));
  EXPECT_FALSE(f.isOpen());
  EXPECT_EQ(fileSize(path.c_str()), 5);  // neither reopen truncated it

  // Without ShareWrite nobody else may write meanwhile.
  ASSERT_TRUE(f.open(path.c_str(), OpenExisting | ShareRead));
  File other;
  EXPECT_FALSE(other.openExisting(path.c_str(), false, true, false));
  EXPECT_TRUE(other.openExisting(path.c_str(), true, false, false));
}

TEST(File, TimeStampsRoundTripInLocalTime) {
  ScratchDirectory dir("times");
  const std::string path = dir / "t.txt";
  File f;
  ASSERT_TRUE(f.create(path.c_str(), false));
  ASSERT_TRUE(f.write("x", 1));
  DateTimeStamp stamp;
  stamp.year = 1999;
  stamp.month = 9;
  stamp.day = 1;
  stamp.hour = 15;
  stamp.minute = 5;
  stamp.second = 8;  // file times keep even seconds on FAT only
  ASSERT_TRUE(f.setTime(stamp)) << f.lastError().cStr();
  DateTimeStamp back;
  ASSERT_TRUE(f.getTime(back));
  EXPECT_EQ(back, stamp);
  f.close();

  DateTimeStamp viaPath;
  ASSERT_TRUE(fileTime(path.c_str(), viaPath));
  EXPECT_EQ(viaPath, stamp);
  EXPECT_FALSE(fileTime((dir / "missing").c_str(), viaPath));
  EXPECT_FALSE(f.getTime(viaPath));
  EXPECT_FALSE(f.setTime(stamp));
}

TEST(FileSystem, AttributesAndDeleteFile) {
  ScratchDirectory dir("attributes");
  const std::string path = dir / "ro.txt";
  ASSERT_TRUE(writeRaw(path, "x"));
  EXPECT_TRUE(setReadOnly(path.c_str(), true));
  EXPECT_TRUE(fileAttributes(path.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(setReadOnly(path.c_str(), true));  // already so
  // (Wine run as root may still open a read-only file for writing.)
  HANDLE raw = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (raw != INVALID_HANDLE_VALUE) CloseHandle(raw);
  EXPECT_EQ(isWritable(path.c_str()), raw != INVALID_HANDLE_VALUE);
  EXPECT_TRUE(deleteFile(path.c_str()));  // the read-only bit is cleared first
  EXPECT_FALSE(existsRaw(path));

  EXPECT_EQ(fileAttributes(nullptr), -1);
  EXPECT_EQ(fileAttributes(path.c_str()), -1);
  EXPECT_FALSE(setAttributes(nullptr, FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(setReadOnly(path.c_str(), false));
  EXPECT_FALSE(deleteFile(path.c_str()));
  EXPECT_FALSE(deleteFile(nullptr));
}

TEST(FileSystem, IsWritableRespectsExclusiveOpens) {
  ScratchDirectory dir("sharing");
  const std::string path = dir / "locked.txt";
  ASSERT_TRUE(writeRaw(path, "x"));
  EXPECT_TRUE(isWritable(path.c_str()));
  {
    File holder;
    ASSERT_TRUE(holder.openExisting(path.c_str(), true, true, true));
    const DWORD start = GetTickCount();
    EXPECT_FALSE(isWritable(path.c_str()));
    EXPECT_GE(GetTickCount() - start, 400u);  // it tried once more after a pause
  }
  EXPECT_TRUE(isWritable(path.c_str()));
  EXPECT_FALSE(isWritable((dir / "missing.txt").c_str()));
  EXPECT_FALSE(existsRaw(dir / "missing.txt"));  // the probe creates nothing
}

TEST(FileSystem, ExistenceTests) {
  ScratchDirectory dir("exists");
  const std::string path = dir / "f.txt";
  ASSERT_TRUE(writeRaw(path, "x"));
  EXPECT_TRUE(fileExists(path.c_str()));
  EXPECT_FALSE(fileExists(dir.path().c_str()));
  EXPECT_FALSE(fileExists((dir / "none").c_str()));
  EXPECT_FALSE(fileExists(""));
  {
    // There, but not readable while another handle holds it exclusively.
    File holder;
    ASSERT_TRUE(holder.openExisting(path.c_str(), true, true, true));
    EXPECT_FALSE(fileExists(path.c_str()));
    EXPECT_TRUE(filePresent(path.c_str()));
  }
  EXPECT_TRUE(directoryExists(dir.path().c_str()));
  EXPECT_TRUE(directoryExists((dir.path() + "\\").c_str()));
  EXPECT_FALSE(directoryExists(path.c_str()));
  EXPECT_FALSE(directoryExists(""));
  EXPECT_TRUE(driveExists('C'));
  const char missing = missingDrive();
  ASSERT_NE(missing, 0);
  EXPECT_FALSE(driveExists(missing));
}

TEST(FileSystem, MakeDirectories) {
  ScratchDirectory dir("mkdirs");
  const std::string deep = dir / "a\\b c\\d\\e";
  EXPECT_TRUE(makeDirectories(deep.c_str()));
  EXPECT_TRUE(isDirectoryRaw(deep));
  EXPECT_TRUE(makeDirectories(deep.c_str()));  // exists already
  EXPECT_TRUE(makeDirectories((dir / "x\\y\\").c_str()));
  EXPECT_TRUE(isDirectoryRaw(dir / "x\\y"));
  EXPECT_FALSE(makeDirectories(""));

  // A file in the way, and a drive that does not exist (its root is its own
  // parent: this must end, not recurse forever).
  ASSERT_TRUE(writeRaw(dir / "file", "x"));
  EXPECT_FALSE(makeDirectories((dir / "file\\sub").c_str()));
  const char missing = missingDrive();
  ASSERT_NE(missing, 0);
  const std::string onMissing = std::string(1, missing) + ":\\x\\y";
  EXPECT_FALSE(makeDirectories(onMissing.c_str()));
  EXPECT_FALSE(makeDirectories((std::string(1, missing) + ":").c_str()));

  createDirectoryOrDie((dir / "made").c_str());
  EXPECT_TRUE(isDirectoryRaw(dir / "made"));
  EXPECT_EQ(fatalTextOf([&] { createDirectoryOrDie(onMissing.c_str()); }),
            "Unable to create directory:\r\n" + onMissing);

  EXPECT_TRUE(removeDirectory((dir / "made\\").c_str()));
  EXPECT_FALSE(isDirectoryRaw(dir / "made"));
  EXPECT_FALSE(removeDirectory((dir / "a").c_str()));  // not empty
  EXPECT_FALSE(removeDirectory("C:\\"));
}

TEST(FileSystem, DeleteTreeRemovesNestedTree) {
  ScratchDirectory dir("tree");
  const std::string root = dir / "root";
  ASSERT_TRUE(makeDirectories((root + "\\a\\b\\c").c_str()));
  ASSERT_TRUE(makeDirectories((root + "\\empty").c_str()));
  ASSERT_TRUE(writeRaw(root + "\\top.txt", "1"));
  ASSERT_TRUE(writeRaw(root + "\\a\\mid.txt", "2"));
  ASSERT_TRUE(writeRaw(root + "\\a\\b\\c\\deep.txt", "3"));
  ASSERT_TRUE(setReadOnly((root + "\\a\\b\\c\\deep.txt").c_str(), true));
  EXPECT_TRUE(deleteTree(root.c_str()));
  EXPECT_FALSE(existsRaw(root));
  EXPECT_FALSE(deleteTree(root.c_str()));  // nothing left to find
}

TEST(FileSystem, DeleteTreeReportsAFailureButGoesOn) {
  ScratchDirectory dir("treefail");
  const std::string root = dir / "root";
  ASSERT_TRUE(makeDirectories((root + "\\keep").c_str()));
  ASSERT_TRUE(writeRaw(root + "\\keep\\locked.txt", "x"));
  ASSERT_TRUE(writeRaw(root + "\\other.txt", "y"));
  HANDLE h = CreateFileA((root + "\\keep\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(deleteTree(root.c_str()));
  CloseHandle(h);
  EXPECT_FALSE(existsRaw(root + "\\other.txt"));  // the rest went
  EXPECT_TRUE(existsRaw(root + "\\keep\\locked.txt"));
}

TEST(FileSystem, DeleteTreeRefusesRootsAndTheWindowsDirectory) {
  const String windows = windowsDirectory();
  ASSERT_FALSE(windows.isEmpty());
  EXPECT_FALSE(deleteTree(nullptr));
  EXPECT_FALSE(deleteTree("C:\\"));
  EXPECT_FALSE(deleteTree("C:"));
  EXPECT_FALSE(deleteTree(windows));
  EXPECT_FALSE(deleteTree(joinPath(windows, "Tessa refused")));

  // Reached through "..", or in another case, they are refused too. The
  // probe directories would be the only victims if the refusal failed.
  ScratchDirectory dir("refusal");
  ASSERT_TRUE(writeRaw(dir / "canary.txt", "x"));
  String upper(windows);
  upper.makeUpper();
  EXPECT_FALSE(deleteTree(joinPath(upper, "Tessa refused")));
  EXPECT_FALSE(deleteTree("C:\\tessa-none\\.."));
  EXPECT_FALSE(deleteTree(joinPath(windows, "..\\windows\\tessa-none")));
  EXPECT_TRUE(existsRaw(dir / "canary.txt"));
  EXPECT_TRUE(isDirectoryRaw(windows.cStr()));
}

TEST(FileSystem, DeleteTreeDoesNotFollowDirectoryLinks) {
  ScratchDirectory dir("links");
  const std::string target = dir / "target";
  const std::string root = dir / "root";
  ASSERT_TRUE(makeDirectories(target.c_str()));
  ASSERT_TRUE(makeDirectories(root.c_str()));
  ASSERT_TRUE(writeRaw(target + "\\precious.txt", "x"));
  using CreateLink = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
  auto createLink = reinterpret_cast<CreateLink>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
  if (createLink == nullptr || !createLink((root + "\\link").c_str(), target.c_str(), 1 /* directory */) ||
      !(GetFileAttributesA((root + "\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)) {
    GTEST_SKIP() << "directory links are not available here";
  }
  EXPECT_TRUE(deleteTree(root.c_str()));
  EXPECT_FALSE(existsRaw(root));
  EXPECT_TRUE(existsRaw(target + "\\precious.txt"));
}

TEST(FileSystem, WholeFiles) {
  ScratchDirectory dir("whole");
  const std::string path = dir / "bytes.bin";
  const String bytes("a\0b\r\nc", 6);
  EXPECT_TRUE(writeWholeFile(path.c_str(), bytes));
  String back("old");
  EXPECT_TRUE(readWholeFile(path.c_str(), back));
  EXPECT_TRUE(back == bytes);
  EXPECT_EQ(fileSize(path.c_str()), 6);

  EXPECT_TRUE(writeWholeFile(path.c_str(), "", 0));
  EXPECT_TRUE(readWholeFile(path.c_str(), back));
  EXPECT_TRUE(back.isEmpty());
  EXPECT_FALSE(readWholeFile("", back));
  EXPECT_FALSE(readWholeFile((dir / "missing").c_str(), back));
  EXPECT_FALSE(writeWholeFile((dir / "no\\such\\dir.bin").c_str(), bytes));
  EXPECT_EQ(fileSize((dir / "missing").c_str()), -1);

  const std::string log = dir / "log.txt";
  EXPECT_TRUE(appendTextToFile(log.c_str(), "one\r\n"));
  EXPECT_TRUE(appendTextToFile(log.c_str(), "two\r\n"));
  EXPECT_TRUE(readWholeFile(log.c_str(), back));
  EXPECT_EQ(str(back), "one\r\ntwo\r\n");
  EXPECT_FALSE(appendTextToFile((dir / "no\\such.txt").c_str(), "x"));
}

TEST(FileSystem, SystemDirectoriesAndNames) {
  const String windows = windowsDirectory();
  EXPECT_TRUE(isDrivePath(windows));
  const String system = systemDirectory();
  EXPECT_EQ(compareBytes(system.cStr(), windows.cStr(), windows.length(), false), 0);

  const String module = modulePath();
  EXPECT_TRUE(isDrivePath(module));
  EXPECT_STRCASEEQ(moduleFileName().cStr(), "win32_gfile_test.exe");
  EXPECT_EQ(str(joinPath(moduleDirectory(), moduleFileName())), str(module));
  EXPECT_EQ(str(pathInModuleDirectory("x.dat")), str(joinPath(moduleDirectory(), "x.dat")));

  // A current directory longer than the first 99-character attempt.
  ScratchDirectory dir("current");
  const std::string deep = dir / std::string(60, 'd') + "\\" + std::string(60, 'e');
  ASSERT_TRUE(makeDirectories(deep.c_str()));
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
  const String current = currentDirectory();
  SetCurrentDirectoryA(saved);
  EXPECT_STRCASEEQ(current.cStr(), deep.c_str());
}

TEST(FileSystem, ShortAndTemporaryNames) {
  ScratchDirectory dir("names");
  const std::string longName = dir / "A rather long directory name";
  ASSERT_TRUE(makeDirectories(longName.c_str()));
  const String shortName = shortPath(longName.c_str());
  EXPECT_FALSE(shortName.isEmpty());
  EXPECT_LT(str(fileNamePart(shortName)).size(), 13u);
  EXPECT_TRUE(isDirectoryRaw(shortName.cStr()));
  const std::string missing = dir / "not there at all";
  EXPECT_EQ(str(shortPath(missing.c_str())), missing);

  const String temp = tempFileName(dir.path().c_str());
  ASSERT_FALSE(temp.isEmpty());
  EXPECT_EQ(str(fileNamePart(temp)).substr(0, 3), "XXX");
  EXPECT_EQ(fileSize(temp), 0);
  EXPECT_NE(str(tempFileName(dir.path().c_str())), str(temp));
  EXPECT_TRUE(tempFileName((dir / "no such dir").c_str()).isEmpty());
}

TEST(FileSystem, DiskSpace) {
  EXPECT_GT(diskFree('C'), 0);
  EXPECT_GT(diskFree('c'), 0);
  EXPECT_GT(diskFreeAt("C:\\"), 0);
  EXPECT_EQ(diskFree('1'), -1);
  EXPECT_EQ(diskFreeAt(nullptr), -1);
  const int cluster = bytesPerCluster('C');
  EXPECT_GT(cluster, 0);
  EXPECT_EQ(cluster % 512, 0);
  const char missing = missingDrive();
  ASSERT_NE(missing, 0);
  EXPECT_EQ(diskFree(missing), -1);
  EXPECT_EQ(bytesPerCluster(missing), -1);
}

TEST(FileSystem, RunProgramOpensADocument) {
  ScratchDirectory dir("run");
  const std::string marker = dir / "ran.txt";
  const std::string script = dir / "hook.bat";
  ASSERT_TRUE(writeRaw(script, "@echo done> \"" + marker + "\"\r\n"));
  ASSERT_TRUE(runProgram(script.c_str()));
  for (int i = 0; i < 200 && !existsRaw(marker); ++i) Sleep(50);
  EXPECT_TRUE(existsRaw(marker));
  Sleep(200);  // let the interpreter let go of the directory
  EXPECT_FALSE(runProgram((dir / "missing.bat").c_str()));
}

TEST(SystemErrorText, TextOfTheLastError) {
  SetLastError(0);
  EXPECT_STREQ(SystemErrorText(), "");
  SetLastError(ERROR_FILE_NOT_FOUND);
  const std::string text = SystemErrorText();
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  SetLastError(0x2A5F1234);  // no text for this code
  EXPECT_STREQ(SystemErrorText(), "");
}

}  // namespace
