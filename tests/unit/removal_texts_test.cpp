#include "setup/portable/removal_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(RemovalTexts, FileListSplitsFilesAndSortsDirectoriesDeepestFirst) {
  List<String> files;
  Array<String> directories;
  // A lone "~" (a damaged line) is no directory (found by removal_list_fuzz);
  // relative lines (garbage) would name files of the current directory. The
  // folders between C:\A and a listed folder are added once, whatever their
  // case; nothing is added outside C:\A.
  SplitRemovalList("~C:\\A\r\nC:\\A\\x.txt\r\n\r\n~\r\n~C:\\A\\Sub\\Deep\r\n~C:\\B\\Long\r\nC:\\y\n~C:\\A\\Sub\r\n"
                   "~C:\\A\\p\\q\\r\r\n~c:\\a\\P\\Q\\R2\r\n"
                   "victim.txt\r\n..\\up.txt\r\n\\rooted.txt\r\nC:\r\nC:x\r\n~sub\r\n~C:\r\n\\\\server\\share\\u.txt\r\n",
                   "C:\\A\\", files, directories);
  std::vector<std::string> fileNames;
  Iterator it;
  for (String* f = files.first(it); f != nullptr; f = files.next(it)) fileNames.push_back(f->cStr());
  EXPECT_EQ(fileNames, (std::vector<std::string>{"C:\\A\\x.txt", "C:\\y", "\\\\server\\share\\u.txt"}));
  std::vector<std::string> dirNames;
  for (int i = 0; i < directories.count(); ++i) dirNames.push_back(directories[i].cStr());
  // Longest first; equal lengths keep the order of the list.
  EXPECT_EQ(dirNames, (std::vector<std::string>{"C:\\A\\Sub\\Deep", "c:\\a\\P\\Q\\R2", "C:\\A\\p\\q\\r", "C:\\B\\Long",
                                                "C:\\A\\Sub", "C:\\A\\p\\q", "C:\\A\\p", "C:\\A"}));
}

TEST(RemovalTexts, FontPairsRoundTripAndStopAtTheFirstGap) {
  String list;
  AppendFontPair(list, "Tessa Sans", "TESSA.TTF");
  AppendFontPair(list, "Bold Face", "bold face.ttf");
  EXPECT_STREQ(list.cStr(), "\"Tessa Sans\" \"TESSA.TTF\" \"Bold Face\" \"bold face.ttf\" ");
  int position = 0;
  String name, file;
  ASSERT_TRUE(NextFontPair(list, position, name, file));
  EXPECT_STREQ(name.cStr(), "Tessa Sans");
  EXPECT_STREQ(file.cStr(), "TESSA.TTF");
  ASSERT_TRUE(NextFontPair(list, position, name, file));
  EXPECT_STREQ(file.cStr(), "bold face.ttf");
  EXPECT_FALSE(NextFontPair(list, position, name, file));
  // A pair with an empty token, a lone name or an unterminated token ends the list.
  for (const char* broken : {"\"\" \"a.ttf\" \"B\" \"b.ttf\" ", "\"Lone\" ", "\"Name\" \"open.ttf", "junk"}) {
    position = 0;
    EXPECT_FALSE(NextFontPair(broken, position, name, file)) << broken;
  }
}

// A quote inside a font's name once ended its token early, so the rest of
// the name could be read as the file to delete (found by font_pairs_fuzz).
TEST(RemovalTexts, FontPairsKeepQuotesInsideTheirTokens) {
  const char* const names[][2] = {{"My \"Bold\" Face", "BOLD.TTF"},
                                  {"x\" \"C:\\WINDOWS\\FONTS\\ARIAL.TTF", "X.TTF"},
                                  {"\"", "\"\"Q.TTF"}};
  String list;
  for (const auto& pair : names) AppendFontPair(list, pair[0], pair[1]);
  int position = 0;
  String name, file;
  for (const auto& pair : names) {
    ASSERT_TRUE(NextFontPair(list, position, name, file));
    EXPECT_STREQ(name.cStr(), pair[0]);
    EXPECT_STREQ(file.cStr(), pair[1]);
  }
  EXPECT_FALSE(NextFontPair(list, position, name, file));
}

TEST(RemovalTexts, SelfRemovalBatchQuotesEveryPathAndRemovesTheSubdirectoryFirst) {
  EXPECT_STREQ(SelfRemovalBatchText("C:\\My App\\Un\\Uninstall.EXE", "C:\\My App", "Un", "c:\\delunins.bat").cStr(),
               ":Repeat\r\ndel \"C:\\My App\\Un\\Uninstall.EXE\"\r\nif exist \"C:\\My App\\Un\\Uninstall.EXE\" goto "
               "Repeat\r\nrd \"C:\\My App\\Un\"\r\nrd \"C:\\My App\"\r\ndel \"c:\\delunins.bat\"\r\n");
  EXPECT_STREQ(SelfRemovalBatchText("C:\\P\\Uninstall.EXE", "C:\\P", "", "c:\\delunins.bat").cStr(),
               ":Repeat\r\ndel \"C:\\P\\Uninstall.EXE\"\r\nif exist \"C:\\P\\Uninstall.EXE\" goto Repeat\r\n"
               "rd \"C:\\P\"\r\ndel \"c:\\delunins.bat\"\r\n");
}
