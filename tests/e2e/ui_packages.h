// Packages for the user-interface scenarios, built by the native builder
// (tessapack of the native tree beside this one) from manifests the tests
// write, and the screen as the user sees it, read back pixel by pixel.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_fixture.h"

namespace ui_e2e {

// The builder: $TESSA_TESSAPACK, else the native tree's beside this one.
inline std::string TessapackPath() {
  const char* given = getenv("TESSA_TESSAPACK");
  if (given != nullptr && given[0] != 0) return given;
  return BuildDirectory() + "/../native/pack/tessapack";
}

inline bool WriteFile(const std::string& linuxPath, const std::string& bytes) {
  std::ofstream out(driver::windowsPath(linuxPath), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

inline std::string ReadFile(const std::string& linuxPath) {
  std::ifstream in(driver::windowsPath(linuxPath), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs a shell script under Linux (Wine starts ELF programs as they are but
// gives no handle to wait on): its output and exit status are written to
// files beside it, the status last. Returns the status, -1 on a timeout.
inline int RunLinuxScript(const std::string& directory, const std::string& script, std::string* output) {
  const std::string scriptPath = directory + "/run.sh";
  const std::string status = directory + "/run.status";
  DeleteFileA(driver::windowsPath(status).c_str());
  WriteFile(scriptPath, "(\n" + script + "\n) > '" + directory + "/run.out' 2>&1\necho $? > '" + status +
                            ".partial'\nmv '" + status + ".partial' '" + status + "'\n");
  std::string line = "/bin/sh " + scriptPath;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return -1;
  if (info.hThread != nullptr) CloseHandle(info.hThread);
  if (info.hProcess != nullptr) CloseHandle(info.hProcess);
  for (int waited = 0; waited < 60000; waited += 50) {
    if (GetFileAttributesA(driver::windowsPath(status).c_str()) != INVALID_FILE_ATTRIBUTES) {
      if (output != nullptr) *output = ReadFile(directory + "/run.out");
      return atoi(ReadFile(status).c_str());
    }
    Sleep(50);
  }
  return -1;
}

// Builds `manifest` (TOML text, written as package.toml in `directory`)
// into `directory`/setup.exe with this tree's tessaform.exe as the program.
// Returns the package's Linux path; fails the test when the build fails.
inline std::string BuildPackage(const std::string& directory, const std::string& manifest) {
  const std::string manifestPath = directory + "/package.toml";
  EXPECT_TRUE(WriteFile(manifestPath, manifest));
  const std::string package = directory + "/setup.exe";
  std::string output;
  const int status = RunLinuxScript(directory,
                                    "'" + TessapackPath() + "' build '" + manifestPath + "' -o '" + package +
                                        "' --stub '" + ProgramPath() + "'",
                                    &output);
  EXPECT_EQ(status, 0) << "tessapack failed:\n" << output;
  return package;
}

// A package whose payload continues in Disk2.SEA, which is then removed: the
// installer stops at the first box it shows after the language choice (the
// request for that disk, unless a question comes before it), with the
// background painted behind it. `manifest` gives everything but the
// [package] section and the one payload file.
inline std::string BuildStoppingPackage(const std::string& directory, const std::string& manifest) {
  std::string data(60000, '\0');
  uint32_t state = 12345;
  for (char& c : data) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  EXPECT_TRUE(WriteFile(directory + "/data.bin", data));
  const size_t programSize = ReadFile(ProgramPath()).size();
  const std::string package = BuildPackage(
      directory, "[package]\ncompression = false\ndisk-size = " + std::to_string(programSize + 30000) + "\n\n" +
                     manifest + "\n[[file]]\nsource = \"data.bin\"\n");
  EXPECT_TRUE(DeleteFileA(driver::windowsPath(directory + "/Disk2.SEA").c_str())) << "the package has no second disk";
  return package;
}

// A 24-bit bitmap file of `width` x `height` pixels, rows given from the top
// as colours 0x00RRGGBB.
inline std::string BitmapFile(int width, int height, const std::vector<uint32_t>& topDownPixels) {
  const int rowBytes = (width * 3 + 3) / 4 * 4;
  const int dataSize = 40 + rowBytes * height;
  std::string b(14 + dataSize, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = 24;
  for (int row = 0; row < height; ++row) {
    const size_t at = 54 + static_cast<size_t>((height - 1 - row) * rowBytes);  // stored bottom-up
    for (int x = 0; x < width; ++x) {
      const uint32_t c = topDownPixels[static_cast<size_t>(row * width + x)];
      b[at + x * 3] = static_cast<char>(c);            // blue
      b[at + x * 3 + 1] = static_cast<char>(c >> 8);   // green
      b[at + x * 3 + 2] = static_cast<char>(c >> 16);  // red
    }
  }
  return b;
}

// The whole screen as this process sees it, pixel by pixel.
class ScreenPixels {
 public:
  ScreenPixels() {
    width_ = GetSystemMetrics(SM_CXSCREEN);
    height_ = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    pixels_.resize(static_cast<size_t>(width_) * height_);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width_, height_);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height_), pixels_.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }
  int width() const { return width_; }
  int height() const { return height_; }
  // The colour at x, y as 0x00BBGGRR (a COLORREF).
  COLORREF at(int x, int y) const {
    const uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int count(COLORREF colour, int left, int top, int right, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) n += at(x, y) == colour;
    }
    return n;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Whether two colours differ by at most `step` in every channel.
inline bool Near(COLORREF a, COLORREF b, int step) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > step || d < -step) return false;
  }
  return true;
}

inline std::string Hex(COLORREF c) {
  char text[16];
  snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(c));
  return text;
}

}  // namespace ui_e2e
