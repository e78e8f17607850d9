// Removals from a damaged uninstall record: "Uninstall.DAT" cut short or
// filled with garbage, and uninstall values of the wrong type. Each time the
// uninstaller ends normally, removes what the record still names inside the
// product, keeps the record when something stayed, and never touches the
// files planted in its current directory that the garbage names (a relative
// name would resolve there).
#include <functional>

#include "tests/e2e/removal_e2e.h"

namespace {

using namespace removal_e2e;

const char Product[] = "E2E Faulty Record";
const char GarbageCaption[] = "Garbage report";

// What the uninstaller's current directory holds, each planted file with
// its content.
const char* const Planted[] = {"victim.txt", "Install.LOG", "Uninstall.DAT", "sub\\b.txt", "12345\\keep.txt",
                               "12345\\Install.LOG"};

struct Damage {
  const char* what;
  std::function<void(const std::string& dat, const std::string& key)> apply;
  bool quiet;           // started with the quiet command (/a)
  bool aRemoved;        // the product's a.txt
  bool bRemoved;        // the product's sub\b.txt
  bool keyStays;        // the uninstall record is kept for another run
};

void setDword(const std::string& key, const char* value, DWORD data) {
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), value, REG_DWORD, &data, sizeof data);
}

class FaultyRemoval : public Removing {
 protected:
  void SetUp() override {
    Removing::SetUp();
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    savedDirectory_ = current;
    victims_ = windowsPath(scratch_) + "\\cwd";
    for (const char* name : Planted) {
      const std::string path = victims_ + "\\" + name;
      CreateDirectoryA(victims_.c_str(), nullptr);
      CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
      ASSERT_TRUE(Write(path, std::string("planted ") + name));
    }
    // The victim names garbage might hold: the planted Uninstall.DAT lists
    // one of them, as a relative line would.
    ASSERT_TRUE(Write(victims_ + "\\Uninstall.DAT", "victim.txt\r\n~sub\r\n"));
    ASSERT_TRUE(SetCurrentDirectoryA(victims_.c_str()));
  }
  void TearDown() override {
    SetCurrentDirectoryA(savedDirectory_.c_str());
    Removing::TearDown();
  }

  // Installs the product (two files, one in a subfolder) into `dest`
  // without questions; returns the uninstall directory.
  void install(const std::string& package, const std::string& dest) {
    removeAtEnd(dest);
    runQuietly(package, "/a /d:\"" + dest + "\"");
    ASSERT_EQ(Read(dest + "\\sub\\b.txt"), "b");
    ASSERT_NE(Uninstall(Product, "UninstallString"), "<none>");
  }

  void expectVictimsUntouched() {
    for (const char* name : Planted) {
      const std::string expected =
          std::string(name) == "Uninstall.DAT" ? "victim.txt\r\n~sub\r\n" : std::string("planted ") + name;
      EXPECT_EQ(Read(victims_ + "\\" + name), expected) << name;
    }
  }

  std::string victims_;
  std::string savedDirectory_;
};

TEST_F(FaultyRemoval, DamagedRecordRemovesOnlyWhatItNamesInsideTheProduct) {
  source("faulty", "a.txt", "a");
  source("faulty", "b.txt", "b");
  const std::string package =
      buildProduct("faulty", Product,
                   "flags = ['RegisterUninstall', 'QuietUninstall']\n"
                   "[[file]]\nsource = 'a.txt'\n[[file]]\nsource = 'b.txt'\nto = 'sub/'\n");
  const std::string garbage =
      std::string("victim.txt\r\n..\\victim.txt\r\n~sub\r\n~12345\r\n~C:\\\r\n~\r\nC:\r\n\x01\xff\xfe\x80 \t\r\n") +
      std::string(300, '\xC4') + "\r\n\r\n[Strings]\r\n~10\r\n%s %n %99999999d %c%c%c%s%s\r\n~20\r\n" +
      GarbageCaption + "\r\n~53\r\nGo?\r\n~55\r\n" + GarbageCaption + "\r\n~99999\r\n~0\r\n~-1\r\n~58\r\n%n%s";
  const Damage damages[] = {
      {"Uninstall.DAT cut in a line",
       [](const std::string& dat, const std::string&) {
         const std::string whole = Read(dat);
         const size_t second = whole.find("\r\n~", whole.find("a.txt"));  // "~dest\sub" follows a.txt
         Write(dat, whole.substr(0, second + 5));
       },
       true, true, false, true},
      {"Uninstall.DAT of garbage, asked",
       [&garbage](const std::string& dat, const std::string& key) {
         Write(dat, garbage);
         setDword(key, "ProductFlags", 0x4);
       },
       false, false, false, true},
      {"ProductFlags a decimal text (QuietUninstall and RemoveInstallDir)",
       [](const std::string&, const std::string& key) { RegSetText(HKEY_LOCAL_MACHINE, key, "ProductFlags", "1540"); },
       true, true, true, false},
      {"ProductFlags, colours and SharedFiles of the wrong types",
       [](const std::string&, const std::string& key) {
         RegSetText(HKEY_LOCAL_MACHINE, key, "ProductFlags", "garbage");
         RegSetText(HKEY_LOCAL_MACHINE, key, "TopColor", "red");
         RegSetText(HKEY_LOCAL_MACHINE, key, "MonoColor", "");
         setDword(key, "SharedFiles", 7);
         setDword(key, "DisplayTitle", 0xFFFFFFFF);
         RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "TitleColor", REG_BINARY, "\x01\x02\x03", 3);
       },
       true, true, true, false},
      {"InstallLocation a number naming a planted folder, RemoveInstallDir",
       [](const std::string&, const std::string& key) {
         setDword(key, "InstallLocation", 12345);
         setDword(key, "ProductFlags", 0x604);
       },
       true, false, false, false},
      {"InstallLocation missing",
       [](const std::string&, const std::string& key) { RegRemoveValue(HKEY_LOCAL_MACHINE, key, "InstallLocation"); },
       true, false, false, false},
  };
  int round = 0;
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    const std::string dest = windowsPath(scratch_) + "\\dest" + std::to_string(++round);
    install(package, dest);
    if (Uninstall(Product, "UninstallString") == "<none>") return;
    const std::string uninstaller = dest + "\\Uninstall.EXE";
    damage.apply(dest + "\\Uninstall.DAT", ProductKey(Product));

    startStored(Product, damage.quiet ? "QuietUninstallString" : "UninstallString");
    if (!damage.quiet) {
      const driver::Window question = next(GarbageCaption);
      EXPECT_EQ(question.messageText(), "Go?");
      const driver::Window result = answer(question, IDYES, GarbageCaption);
      EXPECT_NE(result.messageText().find("C:\\"), std::string::npos) << result.describe();
      EXPECT_EQ(dismissAndWait(result), 1);
    } else {
      EXPECT_EQ(waitForExit(), 1);
    }
    EXPECT_EQ(!Exists(dest + "\\a.txt"), damage.aRemoved);
    EXPECT_EQ(!Exists(dest + "\\sub\\b.txt"), damage.bRemoved);
    EXPECT_EQ(Uninstall(Product, "DisplayName") != "<none>", damage.keyStays);
    if (!damage.keyStays) {
      EXPECT_TRUE(selfRemovalFinished(uninstaller));
    }
    expectVictimsUntouched();
    captureFailureAndEnd();
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ProductKey(Product).c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey(Product).c_str());
  }
}

}  // namespace
