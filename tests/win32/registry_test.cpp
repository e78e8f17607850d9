// The current-key registry module against the real registry of the test
// prefix, in a scratch subtree below HKCU\Software\TessaformTest.
#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "platform/registry.h"
#include "tests/win32/data/platform_test_support.h"

using platform_test::fatalTextOf;

namespace {

constexpr char TestRoot[] = "Software\\TessaformTest";

std::string str(const String& s) { return std::string(s.cStr(), s.length()); }

void deleteKeyRaw(HKEY parent, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  char name[256];
  while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) deleteKeyRaw(key, name);
  RegCloseKey(key);
  RegDeleteKeyA(parent, path.c_str());
}

bool keyExistsRaw(const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void setRaw(const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}

// Each test works below its own key, removed before and after; the module's
// key stack must be back at "no current key" when a test ends.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::string(TestRoot) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    relative_ = path_.substr(strlen(SoftwarePrefix));
    deleteKeyRaw(HKEY_CURRENT_USER, path_);
  }
  void TearDown() override {
    EXPECT_FALSE(hasCurrentKey());
    while (hasCurrentKey()) CloseKey();  // keep a failed test from spoiling the next
    deleteKeyRaw(HKEY_CURRENT_USER, path_);
    deleteKeyRaw(HKEY_CURRENT_USER, TestRoot);
  }
  // Opens the test's key as the current key.
  void openTestKey() { ASSERT_NE(OpenSoftwareKey(relative_.c_str(), true, 0), KeyNotOpened); }

  std::string path_;      // below HKEY_CURRENT_USER
  std::string relative_;  // below its Software key
};

TEST_F(Registry, RootsMatchTheSystemHandles) {
  EXPECT_EQ(rootKey(RegistryRoot::ClassesRoot), HKEY_CLASSES_ROOT);
  EXPECT_EQ(rootKey(RegistryRoot::CurrentUser), HKEY_CURRENT_USER);
  EXPECT_EQ(rootKey(RegistryRoot::LocalMachine), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(rootKey(RegistryRoot::Users), HKEY_USERS);
  EXPECT_EQ(rootKey(RegistryRoot::CurrentConfig), HKEY_CURRENT_CONFIG);
}

TEST_F(Registry, NestedOpensRestoreTheEnclosingKey) {
  EXPECT_FALSE(hasCurrentKey());
  EXPECT_EQ(OpenSoftwareKey(relative_.c_str(), true, RegOpenExisting), KeyNotOpened);
  EXPECT_FALSE(hasCurrentKey());

  ASSERT_EQ(OpenSoftwareKey(relative_.c_str(), true, 0), KeyCreated);
  const std::string outerPath = "HKEY_CURRENT_USER\\" + path_;
  EXPECT_EQ(str(currentKeyPath()), outerPath);
  EXPECT_TRUE(WriteInteger("Level", 1));

  ASSERT_EQ(OpenSubKey("Inner", 0), KeyCreated);
  EXPECT_EQ(str(currentKeyPath()), outerPath + "\\Inner");
  EXPECT_TRUE(WriteInteger("Level", 2));

  ASSERT_EQ(OpenKey(RegistryRoot::CurrentUser, (path_ + "\\Inner").c_str(), RegOpenExisting), KeyOpened);
  EXPECT_EQ(ReadInteger("Level", -1), 2);
  EXPECT_EQ(OpenSubKey("Missing", RegOpenExisting), KeyNotOpened);
  CloseKey();

  EXPECT_EQ(str(currentKeyPath()), outerPath + "\\Inner");
  EXPECT_EQ(ReadInteger("Level", -1), 2);
  CloseKey();
  EXPECT_EQ(str(currentKeyPath()), outerPath);
  EXPECT_EQ(ReadInteger("Level", -1), 1);
  EXPECT_EQ(OpenSubKey("Inner", 0), KeyOpened);
  CloseKey();
  CloseKey();

  EXPECT_FALSE(hasCurrentKey());
  EXPECT_EQ(str(currentKeyPath()), "");
  EXPECT_EQ(OpenSubKey("Inner", 0), KeyNotOpened);
  EXPECT_TRUE(SoftwareKeyExists((relative_ + "\\Inner").c_str(), true));
  EXPECT_FALSE(SoftwareKeyExists((relative_ + "\\Other").c_str(), true));
  EXPECT_FALSE(SoftwareKeyExists(nullptr, true));
  EXPECT_FALSE(hasCurrentKey());
}

TEST_F(Registry, ClosingWithoutAnOpenKeyIsFatal) {
  EXPECT_EQ(fatalTextOf([] { CloseKey(); }), "Stack<HKEY>::pop");
}

TEST_F(Registry, TextValuesShortAndLong) {
  openTestKey();
  const std::string fits(31, 'a');  // 32 bytes with its terminator: one query
  const std::string longer = "0123456789012345678901234567890123456789";
  const std::string exact(32, 'b');  // one byte too many for the first query
  EXPECT_TRUE(WriteText("Fits", fits.c_str()));
  EXPECT_TRUE(WriteText("Longer", longer.c_str()));
  EXPECT_TRUE(WriteText("Exact", exact.c_str()));
  EXPECT_TRUE(WriteText("Empty", ""));

  RegistryValue value;
  ASSERT_TRUE(ReadValue("Fits", value));
  EXPECT_EQ(value.kind(), RegistryValue::Text);
  EXPECT_EQ(str(value.toText()), fits);
  ASSERT_TRUE(ReadValue("Longer", value));
  EXPECT_EQ(value.toText().length(), 40);  // without the terminating zero
  EXPECT_EQ(str(value.toText()), longer);
  EXPECT_EQ(str(ReadText("Exact", "default")), exact);
  EXPECT_TRUE(ValueExists("Empty"));
  EXPECT_EQ(str(ReadText("Empty", "default")), "");
  EXPECT_EQ(str(ReadText("Missing", "default")), "default");
  CloseKey();

  // Texts stored without a terminator, or padded with zeros, end where the
  // text ends.
  setRaw(path_, "Bare", REG_SZ, "abc", 3);
  setRaw(path_, "Padded", REG_SZ, "abc\0\0\0\0", 7);
  const std::string longPadded = longer + std::string(10, '\0');
  setRaw(path_, "LongPadded", REG_SZ, longPadded.data(), static_cast<DWORD>(longPadded.size()));
  const std::string binary = std::string("\x01\x00\x02", 3) + std::string(60, 'z');
  setRaw(path_, "Binary", REG_BINARY, binary.data(), static_cast<DWORD>(binary.size()));
  setRaw(path_, "Multi", REG_MULTI_SZ, "a\0b\0\0", 5);
  setRaw(path_, "Expand", REG_EXPAND_SZ, "%TEMP%", 7);
  // Longer than the first query: a text whatever the type.
  const std::string longExpand = "%USERPROFILE%\\Start Menu\\Programs\\Tools";
  setRaw(path_, "LongExpand", REG_EXPAND_SZ, longExpand.c_str(), static_cast<DWORD>(longExpand.size() + 1));
  const std::string opaque = std::string("\0\x7F", 2) + std::string(38, '\0');
  setRaw(path_, "LongOpaque", REG_NONE, opaque.data(), static_cast<DWORD>(opaque.size()));
  setRaw(path_, "LongDword", REG_DWORD, longer.data(), static_cast<DWORD>(longer.size()));
  const WORD shortDword = 7;
  setRaw(path_, "ShortDword", REG_DWORD, &shortDword, sizeof shortDword);

  openTestKey();
  EXPECT_EQ(str(ReadText("Bare", "")), "abc");
  EXPECT_EQ(str(ReadText("Padded", "")), "abc");
  EXPECT_EQ(str(ReadText("LongPadded", "")), longer);
  EXPECT_EQ(str(ReadText("Binary", "")), binary);
  EXPECT_EQ(str(ReadText("Multi", "")), std::string("a\0b\0\0", 5));
  EXPECT_EQ(str(ReadText("Expand", "unreadable")), "unreadable");
  ASSERT_TRUE(ReadValue("LongExpand", value));
  EXPECT_EQ(value.kind(), RegistryValue::Text);
  EXPECT_EQ(str(value.toText()), longExpand);  // without the terminating zero
  EXPECT_EQ(str(ReadText("LongOpaque", "")), opaque);
  EXPECT_EQ(str(ReadText("LongDword", "")), longer);
  EXPECT_EQ(ReadInteger("ShortDword", -5), -5);
  CloseKey();
}

TEST_F(Registry, IntegerAndTextConversions) {
  openTestKey();
  EXPECT_TRUE(WriteInteger("Count", 12));
  EXPECT_TRUE(WriteInteger("Negative", -3));
  EXPECT_TRUE(WriteText("Twelve", "12"));
  EXPECT_TRUE(WriteText("Sized", "Size: 1,234 KB"));
  EXPECT_TRUE(WriteBoolean("On", true));
  EXPECT_TRUE(WriteBoolean("Off", false));

  RegistryValue value;
  ASSERT_TRUE(ReadValue("Count", value));
  EXPECT_EQ(value.kind(), RegistryValue::Integer);
  EXPECT_EQ(ReadInteger("Count", 0), 12);
  EXPECT_EQ(str(ReadText("Count", "")), "12");
  EXPECT_EQ(ReadInteger("Negative", 0), -3);
  EXPECT_EQ(ReadInteger("Twelve", 0), 12);
  EXPECT_EQ(ReadInteger("Sized", 0), 1234);
  EXPECT_EQ(ReadInteger("Missing", 77), 77);
  EXPECT_TRUE(ReadBoolean("On", false));
  EXPECT_FALSE(ReadBoolean("Off", true));
  EXPECT_TRUE(ReadBoolean("Twelve", false));
  EXPECT_TRUE(ReadBoolean("Missing", true));
  CloseKey();

  // The conversions of the kinds the registry itself never returns.
  RegistryValue real;
  real.setReal(-3.75);
  EXPECT_EQ(real.toInteger(), -3);
  EXPECT_TRUE(real.toBoolean());
  EXPECT_EQ(str(valueText(real)), "-3.75");
  real.setReal(1e300);
  EXPECT_EQ(real.toInteger(), INT_MAX);
  real.setReal(0.0);
  EXPECT_FALSE(real.toBoolean());
  RegistryValue date;
  date.setDate(DateTime(9, 1, 1999, 15, 5, 9));
  EXPECT_EQ(str(valueText(date)), "9/1/1999");
  EXPECT_EQ(date.toInteger(), Date(9, 1, 1999).dayNumber);
  EXPECT_TRUE(date.toBoolean());
  date.setDate(DateTime());
  EXPECT_FALSE(date.toBoolean());
  RegistryValue none;
  EXPECT_EQ(str(valueText(none)), "");
  EXPECT_EQ(none.toInteger(), 0);
  EXPECT_FALSE(none.toBoolean());
  RegistryValue text;
  text.makeText() = "";
  EXPECT_FALSE(text.toBoolean());
}

TEST_F(Registry, DeleteEmptyWrites) {
  openTestKey();
  EXPECT_TRUE(WriteText("Name", "x"));
  EXPECT_TRUE(WriteText("Name", "", RegDeleteEmpty));
  EXPECT_FALSE(ValueExists("Name"));
  EXPECT_TRUE(WriteText("Name", "", RegDeleteEmpty));  // already absent
  EXPECT_TRUE(WriteText("Name", ""));
  EXPECT_TRUE(ValueExists("Name"));  // an empty string is stored

  EXPECT_TRUE(WriteInteger("Number", 5, RegDeleteEmpty));
  EXPECT_EQ(ReadInteger("Number", 0), 5);
  EXPECT_TRUE(WriteInteger("Number", 0, RegDeleteEmpty));
  EXPECT_FALSE(ValueExists("Number"));
  EXPECT_TRUE(WriteInteger("Number", 0));
  EXPECT_EQ(ReadInteger("Number", 9), 0);

  EXPECT_TRUE(DeleteValue("Number"));
  EXPECT_FALSE(DeleteValue("Number"));
  CloseKey();

  // Without a current key every value operation fails.
  RegistryValue value;
  EXPECT_FALSE(WriteText("Name", "x"));
  EXPECT_FALSE(WriteInteger("Number", 1));
  EXPECT_FALSE(ReadValue("Name", value));
  EXPECT_FALSE(ValueExists("Name"));
  EXPECT_FALSE(DeleteValue("Name"));
  EXPECT_EQ(ReadInteger("Number", 4), 4);
}

TEST_F(Registry, DeleteKeyRemovesTheWholeTree) {
  const std::string longName(220, 'k');  // longer than a 199-byte buffer holds
  setRaw(path_ + "\\Tree\\A\\B\\C", "v", REG_SZ, "x", 2);
  {
    // The ANSI registry calls of Wine take at most 260 characters of path at
    // once, so the long name is created relative to its parent.
    HKEY a;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (path_ + "\\Tree\\A").c_str(), 0, KEY_ALL_ACCESS, &a), ERROR_SUCCESS);
    HKEY d;
    ASSERT_EQ(RegCreateKeyExA(a, (longName + "\\D").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &d, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(d);
    RegCloseKey(a);
  }
  setRaw(path_ + "\\Tree", "v", REG_SZ, "x", 2);

  openTestKey();
  ASSERT_EQ(OpenSubKey("Tree", RegOpenExisting), KeyOpened);
  List<String> names;
  SetLastError(12345);
  EXPECT_EQ(EnumerateSubKeys(names), 1);
  EXPECT_EQ(GetLastError(), 0u);
  ASSERT_EQ(OpenSubKey("A", RegOpenExisting), KeyOpened);
  EXPECT_EQ(EnumerateSubKeys(names), 2);
  ASSERT_EQ(names.count(), 3);
  EXPECT_EQ(str(*names.lastElement()).size(), 220u);
  CloseKey();
  CloseKey();
  EXPECT_FALSE(IsSubKeyEmpty("Tree"));
  CloseKey();

  EXPECT_TRUE(DeleteSoftwareKey((relative_ + "\\Tree").c_str(), true, 0));
  EXPECT_FALSE(keyExistsRaw(path_ + "\\Tree"));
  EXPECT_TRUE(keyExistsRaw(path_));
}

TEST_F(Registry, OnlyIfEmptyKeepsKeysWithContent) {
  setRaw(path_ + "\\WithValue", "v", REG_DWORD, "\1\0\0\0", 4);
  setRaw(path_ + "\\WithSubKey\\Child", "v", REG_DWORD, "\1\0\0\0", 4);
  openTestKey();
  ASSERT_EQ(OpenSubKey("Empty", 0), KeyCreated);
  CloseKey();
  EXPECT_FALSE(DeleteKey("WithValue", RegOnlyIfEmpty));
  EXPECT_FALSE(DeleteKey("WithSubKey", RegOnlyIfEmpty));
  EXPECT_TRUE(DeleteKey("Empty", RegOnlyIfEmpty));
  EXPECT_FALSE(DeleteKey("", 0));  // never the current key itself
  EXPECT_FALSE(DeleteKey(nullptr, 0));
  EXPECT_FALSE(IsKeyEmpty());
  CloseKey();
  EXPECT_TRUE(keyExistsRaw(path_ + "\\WithValue"));
  EXPECT_TRUE(keyExistsRaw(path_ + "\\WithSubKey\\Child"));
  EXPECT_FALSE(keyExistsRaw(path_ + "\\Empty"));
  EXPECT_FALSE(DeleteKey("WithValue", 0));  // no current key

  EXPECT_TRUE(DeleteSoftwareSubKey(relative_.c_str(), "WithValue", true, 0));
  EXPECT_FALSE(keyExistsRaw(path_ + "\\WithValue"));
  EXPECT_TRUE(DeleteKeyBelow(RegistryRoot::CurrentUser, path_.c_str(), "WithSubKey", 0));
  EXPECT_FALSE(keyExistsRaw(path_ + "\\WithSubKey"));
}

TEST_F(Registry, DeletingBelowAMissingKeyCreatesNothing) {
  EXPECT_TRUE(DeleteSoftwareKey((relative_ + "\\Missing\\Child").c_str(), true, 0));
  EXPECT_FALSE(keyExistsRaw(path_ + "\\Missing"));
  EXPECT_FALSE(keyExistsRaw(path_));
  EXPECT_FALSE(DeleteSoftwareKey((relative_ + "\\").c_str(), true, 0));
  EXPECT_FALSE(DeleteSoftwareKey(nullptr, true, 0));
}

TEST_F(Registry, IsSubKeyEmptyCreatesAMissingKey) {
  openTestKey();
  EXPECT_TRUE(IsSubKeyEmpty("New"));
  CloseKey();
  EXPECT_TRUE(keyExistsRaw(path_ + "\\New"));
}

TEST_F(Registry, ReadTextAt) {
  setRaw(path_ + "\\Folders", "Desktop", REG_SZ, "C:\\Desk", 8);
  EXPECT_EQ(str(ReadTextAt(RegistryRoot::CurrentUser, (path_ + "\\Folders\\Desktop").c_str(), "none")), "C:\\Desk");
  EXPECT_EQ(str(ReadTextAt(RegistryRoot::CurrentUser, (path_ + "\\Folders\\Other").c_str(), "none")), "none");
  EXPECT_EQ(str(ReadTextAt(RegistryRoot::CurrentUser, (path_ + "\\Folders\\").c_str(), "none")), "none");
  EXPECT_EQ(str(ReadTextAt(RegistryRoot::CurrentUser, nullptr, "none")), "none");

  // A missing key gives the default; the ordinary open creates the key, the
  // RegOpenExisting read does not.
  EXPECT_EQ(str(ReadTextAt(RegistryRoot::CurrentUser, (path_ + "\\Kept\\Name").c_str(), "none", RegOpenExisting)),
            "none");
  EXPECT_FALSE(keyExistsRaw(path_ + "\\Kept"));
  EXPECT_EQ(str(ReadTextAt(HKEY_CURRENT_USER, (path_ + "\\Made\\Name").c_str(), "none")), "none");
  EXPECT_TRUE(keyExistsRaw(path_ + "\\Made"));
}

}  // namespace
