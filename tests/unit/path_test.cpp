#include "core/path.h"

#include <gtest/gtest.h>

namespace {

std::string str(const String& s) { return std::string(s.cStr(), s.length()); }

TEST(PathJoin, SeparatorRules) {
  EXPECT_EQ(str(joinPath("C:", "name")), "C:name");
  EXPECT_EQ(str(joinPath("C:\\", "name")), "C:\\name");
  EXPECT_EQ(str(joinPath("C:\\dir", "\\name")), "C:\\dir\\name");
  EXPECT_EQ(str(joinPath("C:\\dir\\", "\\name")), "C:\\dir\\name");
  EXPECT_EQ(str(joinPath("C:\\dir", "sub\\name")), "C:\\dir\\sub\\name");
  EXPECT_EQ(str(joinPath("", "name")), "name");
  EXPECT_EQ(str(joinPath("C:\\dir", "")), "C:\\dir");
  EXPECT_EQ(str(joinPath(nullptr, nullptr)), "");
  String dir("C:\\Program Files");
  EXPECT_EQ(str(joinPath(dir, String("App"))), "C:\\Program Files\\App");
}

TEST(PathParts, DirectoryAndFileName) {
  EXPECT_EQ(str(directoryPart("C:\\file")), "C:\\");
  EXPECT_EQ(str(directoryPart("C:\\dir\\file")), "C:\\dir");
  EXPECT_EQ(str(directoryPart("C:\\dir\\")), "C:\\dir");
  EXPECT_EQ(str(directoryPart("C:file")), "C:");
  EXPECT_EQ(str(directoryPart("file")), "");
  EXPECT_EQ(directoryEnd("file"), -1);
  EXPECT_EQ(directoryEnd("C:\\"), 2);
  EXPECT_EQ(directoryEnd("a\\b"), 0);

  EXPECT_EQ(fileNameStart("C:\\dir\\file.txt"), 7);
  EXPECT_EQ(fileNameStart("C:file"), 2);
  EXPECT_EQ(fileNameStart("file"), 0);
  EXPECT_EQ(str(fileNamePart("C:\\dir\\file.txt")), "file.txt");
  EXPECT_EQ(str(fileNamePart("C:\\dir\\")), "");

  String p("C:\\dir\\file");
  EXPECT_TRUE(removeFileName(p));
  EXPECT_EQ(str(p), "C:\\dir");
  EXPECT_TRUE(removeFileName(p));
  EXPECT_EQ(str(p), "C:\\");
  String bare("file");
  EXPECT_FALSE(removeFileName(bare));
  EXPECT_EQ(str(bare), "file");
}

TEST(PathParts, SplitPath) {
  String dir, name;
  EXPECT_TRUE(splitPath("C:\\dir\\file.txt", dir, name));
  EXPECT_EQ(str(dir), "C:\\dir\\");
  EXPECT_EQ(str(name), "file.txt");
  EXPECT_TRUE(splitPath("C:name", dir, name));
  EXPECT_EQ(str(dir), "C:");
  EXPECT_EQ(str(name), "name");
  EXPECT_TRUE(splitPath("name", dir, name));
  EXPECT_EQ(str(dir), "");
  EXPECT_EQ(str(name), "name");
  EXPECT_FALSE(splitPath("C:\\dir\\", dir, name));
  EXPECT_EQ(str(dir), "C:\\dir\\");
  EXPECT_EQ(str(name), "");

  // The path may be one of the outputs.
  String path("C:\\a\\b");
  EXPECT_TRUE(splitPath(path, path, name));
  EXPECT_EQ(str(path), "C:\\a\\");
  EXPECT_EQ(str(name), "b");
}

TEST(PathEdit, AddExtensionAndPrefixDirectory) {
  String p("C:\\dir.x\\readme");
  EXPECT_TRUE(addExtension(p, "txt"));
  EXPECT_EQ(str(p), "C:\\dir.x\\readme.txt");
  EXPECT_FALSE(addExtension(p, ".doc"));
  EXPECT_EQ(str(p), "C:\\dir.x\\readme.txt");
  String q("readme");
  EXPECT_TRUE(addExtension(q, ".doc"));
  EXPECT_EQ(str(q), "readme.doc");
  String r("readme");
  EXPECT_FALSE(addExtension(r, ""));
  EXPECT_EQ(str(r), "readme");

  String bare("app.exe");
  EXPECT_TRUE(prefixDirectory(bare, "C:\\Tools"));
  EXPECT_EQ(str(bare), "C:\\Tools\\app.exe");
  String withDir("sub\\app.exe");
  EXPECT_FALSE(prefixDirectory(withDir, "C:\\Tools"));
  String withDrive("D:app.exe");
  EXPECT_FALSE(prefixDirectory(withDrive, "C:\\Tools"));
  EXPECT_EQ(str(withDrive), "D:app.exe");
}

TEST(PathEdit, MakeAbsolute) {
  String rooted("\\dir\\f");
  EXPECT_TRUE(makeAbsolute(rooted, "C:\\base"));
  EXPECT_EQ(str(rooted), "C:\\dir\\f");

  String relative("dir\\f");
  EXPECT_TRUE(makeAbsolute(relative, "C:\\base"));
  EXPECT_EQ(str(relative), "C:\\base\\dir\\f");
  String underRoot("f");
  EXPECT_TRUE(makeAbsolute(underRoot, "C:\\"));
  EXPECT_EQ(str(underRoot), "C:\\f");  // no doubled backslash

  String driveRelative("D:f");
  EXPECT_TRUE(makeAbsolute(driveRelative, "C:\\base\\sub"));
  EXPECT_EQ(str(driveRelative), "D:\\base\\sub\\f");
  String driveRelativeRoot("D:f");
  EXPECT_TRUE(makeAbsolute(driveRelativeRoot, "C:\\"));
  EXPECT_EQ(str(driveRelativeRoot), "D:\\f");

  String absolute("D:\\f");
  EXPECT_FALSE(makeAbsolute(absolute, "C:\\base"));
  EXPECT_EQ(str(absolute), "D:\\f");
  String unc("\\\\server\\share\\f");
  EXPECT_FALSE(makeAbsolute(unc, "C:\\base"));
  EXPECT_EQ(str(unc), "\\\\server\\share\\f");
  String badBase("f");
  EXPECT_FALSE(makeAbsolute(badBase, "base"));
  EXPECT_EQ(str(badBase), "f");
}

TEST(PathDrive, LettersAndRoots) {
  EXPECT_TRUE(isDrivePath("C:\\"));
  EXPECT_TRUE(isDrivePath("c:\\x"));
  EXPECT_FALSE(isDrivePath("C:"));
  EXPECT_FALSE(isDrivePath("C:x"));
  EXPECT_FALSE(isDrivePath(""));
  EXPECT_FALSE(isDrivePath(nullptr));
  EXPECT_EQ(driveLetter("d:\\x"), 'D');
  EXPECT_EQ(driveLetter("D:"), 'D');
  EXPECT_EQ(driveLetter("1:\\"), '\0');
  EXPECT_EQ(driveLetter("\\x"), '\0');
  EXPECT_EQ(str(driveRoot("e:dir")), "e:\\");
  EXPECT_EQ(str(driveRoot("dir")), "");
}

TEST(PathCheck, IsValidPath) {
  EXPECT_TRUE(isValidPath("\"C:\\Program Files\\App\""));
  EXPECT_TRUE(isValidPath("C:\\Program Files\\App"));
  EXPECT_TRUE(isValidPath("relative\\dir"));
  EXPECT_FALSE(isValidPath(""));
  EXPECT_FALSE(isValidPath(nullptr));
  EXPECT_FALSE(isValidPath("\"\""));
  EXPECT_FALSE(isValidPath("C:\\dir\\a*b"));
  EXPECT_FALSE(isValidPath("C:\\dir:x"));
  EXPECT_FALSE(isValidPath("C:/dir"));
  EXPECT_FALSE(isValidPath("C:\\a;b"));
  EXPECT_FALSE(isValidPath("C:\\a\"b"));
  EXPECT_FALSE(isValidPath("C:\\a\tb"));
  EXPECT_TRUE(isValidPath("C:\\\xc4pfel"));  // ANSI letters are fine
}

TEST(PathCheck, SamePath) {
  EXPECT_TRUE(samePath("C:\\Dir\\", "c:\\dir"));
  EXPECT_TRUE(samePath("C:\\", "C:"));
  EXPECT_TRUE(samePath("", "\\"));
  EXPECT_FALSE(samePath("C:\\dir", "C:\\dir2"));
  EXPECT_FALSE(samePath("C:\\dir", "D:\\dir"));
  // Strictly below, whole components only.
  EXPECT_TRUE(isInside("c:\\start\\programs\\Vendor\\App", "C:\\Start\\Programs\\"));
  EXPECT_FALSE(isInside("C:\\Start\\Programs", "C:\\Start\\Programs"));
  EXPECT_FALSE(isInside("C:\\Start\\Programs\\", "C:\\Start\\Programs"));
  EXPECT_FALSE(isInside("C:\\Start\\ProgramsX\\App", "C:\\Start\\Programs"));
  EXPECT_FALSE(isInside("C:\\Start", "C:\\Start\\Programs"));
  EXPECT_FALSE(isInside("C:\\x", ""));
}

TEST(PathLink, EnsureLinkExtension) {
  String lower("My App.lnk");
  EXPECT_FALSE(ensureLinkExtension(lower));
  EXPECT_EQ(str(lower), "My App.lnk");
  String plain("My App");
  EXPECT_TRUE(ensureLinkExtension(plain));
  EXPECT_EQ(str(plain), "My App.LNK");
  // ".lnk" inside a folder name does not count as the extension.
  String folder("C:\\Old.lnk files\\App");
  EXPECT_TRUE(ensureLinkExtension(folder));
  EXPECT_EQ(str(folder), "C:\\Old.lnk files\\App.LNK");
}

}  // namespace
