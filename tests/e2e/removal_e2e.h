// What the removal tests share: packages whose uninstaller texts the tests
// know, the uninstaller started from the command its uninstall key stores
// (as the system's list of programs starts it), the wait for the
// self-removal batch, and a snapshot of the machine (files of drive C and
// the exported Software keys) to compare before and after.
#pragma once

#include <algorithm>
#include <set>

#include "tests/e2e/install_e2e.h"

namespace removal_e2e {

using namespace install_e2e;

inline const char SelfRemovalBatch[] = "C:\\delunins.bat";

// The uninstaller's messages (10, 15, 20, 30, 34, 35, 53, 55 to 59), short and
// told apart by caption.
inline const char RemovalLanguage[] = R"(
[[language]]
name = "English"
[language.messages]
10 = "Left behind:\r\n%s"
15 = "Removed"
20 = "Question"
30 = "Spare"
34 = "<product> is removed."
35 = "Shared file"
53 = "Remove <product>?"
55 = "Uninstall"
56 = "Remove the font %s?"
57 = "Font"
58 = "Could not remove"
59 = "Delete %s?"
)";
inline const char RemovedCaption[] = "Removed";
inline const char FailedCaption[] = "Question";
inline const char ConfirmCaption[] = "Uninstall";
inline const char FontCaption[] = "Font";
inline const char SharedCaption[] = "Shared file";
inline const char StayedText[] = "Could not remove";

// The exact strings section the installation saves with RemovalLanguage
// for `product`.
inline std::string StringsSection(const std::string& product) {
  const std::pair<int, std::string> texts[] = {
      {10, "Left behind:\r\n%s"}, {15, "Removed"}, {20, "Question"}, {30, "Spare"},
      {34, product + " is removed."}, {35, "Shared file"}, {53, "Remove " + product + "?"},
      {55, "Uninstall"}, {56, "Remove the font %s?"}, {57, "Font"}, {58, StayedText}, {59, "Delete %s?"}};
  std::string out = "\r\n\r\n[Strings]\r\n";
  for (const auto& t : texts) out += "~" + std::to_string(t.first) + "\r\n" + t.second + "\r\n";
  return out;
}

// A copy of a system font renamed to the family "<family> Sans" (the name
// six letters long, as "DejaVu" is): the system cannot withdraw a second
// copy of a font it already has.
inline std::string RenamedFont(const std::string& family) {
  std::string bytes = Read("Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf");
  EXPECT_NE(bytes, "<missing>") << "fonts-dejavu-core is missing";
  auto replaceAll = [&bytes](const std::string& from, const std::string& to) {
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
      bytes.replace(at, from.size(), to);
  };
  auto utf16 = [](const std::string& text) {
    std::string out;
    for (char c : text) out += std::string(1, '\0') + c;
    return out;
  };
  replaceAll("DejaVu", family);
  replaceAll(utf16("DejaVu"), utf16(family));
  return bytes;
}

// Runs `commandLine` (a Windows program, or a command for cmd /c) and waits
// up to a minute for it. Returns its exit code, -1 when it did not end.
inline long RunAndWait(std::string commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &info))
    return -1;
  CloseHandle(info.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  return static_cast<long>(code);
}

// The machine as the removal may change it: one line per directory and file
// below C:\ (files with size and time) and per registry value below
// HKLM\Software and HKCU\Software, as the system's registry tool exports
// them.
class Snapshot {
 public:
  // `workDirectory`: a Windows path for the exported files. The files
  // `editedInPlace` are compared by content, not by time.
  static Snapshot take(const std::string& workDirectory, const std::vector<std::string>& editedInPlace = {}) {
    Snapshot s;
    s.editedInPlace_ = editedInPlace;
    s.listFiles("C:");
    s.exportKey("HKLM\\Software", workDirectory + "\\hklm.reg");
    s.exportKey("HKCU\\Software", workDirectory + "\\hkcu.reg");
    return s;
  }

  // The lines only in `before` ("- ") and only in `after` ("+ ").
  static std::string difference(const Snapshot& before, const Snapshot& after) {
    std::string out;
    for (const std::string& line : before.lines_) {
      if (after.lines_.count(line) == 0) out += "- " + line + "\n";
    }
    for (const std::string& line : after.lines_) {
      if (before.lines_.count(line) == 0) out += "+ " + line + "\n";
    }
    return out;
  }

  size_t size() const { return lines_.size(); }

 private:
  // Nothing needs filtering: between two runs under one wineserver the
  // system changes none of these files and values by itself.
  void add(const std::string& line) { lines_.insert(line); }

  void listFiles(const std::string& directory) {
    WalkDirectory(directory, [&](const std::string& path, const WIN32_FIND_DATAA& found) {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        add("dir " + path);
        // The dosdevices links lead out of drive C.
        return !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
      }
      if (std::find(editedInPlace_.begin(), editedInPlace_.end(), path) != editedInPlace_.end()) {
        add("file " + path + " holding " + Read(path));
      } else {
        const unsigned long long time =
            (static_cast<unsigned long long>(found.ftLastWriteTime.dwHighDateTime) << 32) |
            found.ftLastWriteTime.dwLowDateTime;
        add("file " + path + " " + std::to_string(found.nFileSizeLow) + " " + std::to_string(time));
      }
      return true;
    });
  }

  // "key | value line" per value (continued lines joined), "key" per key.
  void exportKey(const std::string& key, const std::string& file) {
    DeleteFileA(file.c_str());
    const long code = RunAndWait("reg.exe export \"" + key + "\" \"" + file + "\" /y");
    EXPECT_EQ(code, 0) << "reg export " << key;
    const std::string raw = Read(file);
    std::string text;
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF && static_cast<unsigned char>(raw[1]) == 0xFE) {
      const int wide = static_cast<int>((raw.size() - 2) / 2);
      const wchar_t* w = reinterpret_cast<const wchar_t*>(raw.data() + 2);
      const int n = WideCharToMultiByte(CP_UTF8, 0, w, wide, nullptr, 0, nullptr, nullptr);
      text.resize(static_cast<size_t>(n));
      WideCharToMultiByte(CP_UTF8, 0, w, wide, &text[0], n, nullptr, nullptr);
    } else {
      text = raw;
    }
    std::string current;
    std::string line;
    size_t at = 0;
    while (at < text.size()) {
      size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      std::string part = text.substr(at, end - at);
      at = end + 1;
      if (!part.empty() && part.back() == '\r') part.pop_back();
      line += part;
      if (!line.empty() && line.back() == '\\' && line[0] != '[') {  // continued hex data
        line.pop_back();
        while (at < text.size() && text[at] == ' ') ++at;
        continue;
      }
      if (line.empty()) continue;
      if (line[0] == '[') {
        current = line;
        add(current);
      } else if (!current.empty()) {
        add(current + " | " + line);
      }
      line.clear();
    }
  }

  std::set<std::string> lines_;
  std::vector<std::string> editedInPlace_;
};

// A removal test: packages with RemovalLanguage, the uninstaller started
// from its stored command, and everything a product could leave removed at
// the end whether the test passed or not.
class Removing : public Installing {
 protected:
  void TearDown() override {
    Installing::TearDown();
    for (const auto& key : keys_) {
      RegDeleteTreeA(key.first, key.second.c_str());
      RegDeleteKeyA(key.first, key.second.c_str());
    }
  }

  // Builds `manifest` (with the [product] name and RemovalLanguage) in
  // `folder` below the scratch directory; returns the package's path.
  std::string buildProduct(const std::string& folder, const std::string& product, const std::string& manifest) {
    const std::string directory = scratch_ + "/" + folder;
    CreateDirectoryA(windowsPath(directory).c_str(), nullptr);
    forget(product);
    return ui_e2e::BuildPackage(directory,
                                "[product]\nname = \"" + product + "\"\n" + manifest + RemovalLanguage);
  }

  void deleteKeyAtEnd(HKEY root, const std::string& key) { keys_.push_back({root, key}); }

  // Starts the command stored in the product's uninstall key under `value`
  // (UninstallString or QuietUninstallString) the way the system's list of
  // programs does: the whole text as the command line, the program found
  // in it.
  void startStored(const std::string& product, const std::string& value) {
    const std::string command = Uninstall(product, value);
    ASSERT_NE(command, "<none>") << value;
    ASSERT_TRUE(program_.start("", command)) << program_.error();
  }

  // Waits (bounded) until the self-removal batch has deleted `uninstaller`
  // and itself.
  static bool selfRemovalFinished(const std::string& uninstaller) {
    for (DWORD waited = 0; waited < 20000; waited += 50) {
      if (!Exists(SelfRemovalBatch) && !Exists(uninstaller)) return true;
      Sleep(50);
    }
    return false;
  }

 private:
  std::vector<std::pair<HKEY, std::string>> keys_;
};

}  // namespace removal_e2e
