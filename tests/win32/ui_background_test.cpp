// The background window and its picture under Wine: loading, saving and
// drawing the picture, the three backgrounds as the window erases itself,
// the title, and the message pump.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "setup/portable/process_state.h"
#include "setup/user_interface.h"
#include "tests/win32/data/platform_test_support.h"
#include "tests/win32/ui_test_support.h"
#include "ui/background_bitmap.h"
#include "ui/background_window.h"

using platform_test::ScratchDirectory;
using platform_test::writeRaw;

namespace {

const COLORREF Red = RGB(255, 0, 0);
const COLORREF Blue = RGB(0, 0, 255);
const COLORREF White = RGB(255, 255, 255);

void put16(std::string& b, size_t at, uint32_t v) {
  b[at] = static_cast<char>(v);
  b[at + 1] = static_cast<char>(v >> 8);
}
void put32(std::string& b, size_t at, uint32_t v) {
  put16(b, at, v);
  put16(b, at + 2, v >> 16);
}

// A 2 x 2 picture of 24 bits: the top row red, the bottom row blue. Stored
// bottom-up (the usual way) or top-down (negative height).
std::string twoRowPicture(bool topDown = false) {
  std::string b(40 + 2 * 8, '\0');
  put32(b, 0, 40);
  put32(b, 4, 2);
  put32(b, 8, topDown ? static_cast<uint32_t>(-2) : 2);
  put16(b, 12, 1);
  put16(b, 14, 24);
  const char red[3] = {0, 0, '\xFF'};  // blue, green, red
  const char blue[3] = {'\xFF', 0, 0};
  const char* first = topDown ? red : blue;
  const char* second = topDown ? blue : red;
  for (int x = 0; x < 2; ++x) {
    b.replace(40 + x * 3, 3, first, 3);
    b.replace(48 + x * 3, 3, second, 3);
  }
  return b;
}

// A memory device context over a 32-bit top-down pixel array.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
    for (int i = 0; i < width * height; ++i) bits_[i] = 0x00123456;
  }
  ~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  DeviceContextHandle handle() const { return reinterpret_cast<DeviceContextHandle>(dc_); }
  COLORREF at(int x, int y) const {
    GdiFlush();
    const uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  static constexpr COLORREF Untouched = RGB(0x12, 0x34, 0x56);

 private:
  int width_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
  uint32_t* bits_ = nullptr;
};

std::string hex(COLORREF c) {
  char text[16];
  snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(c));
  return text;
}

TEST(BackgroundBitmap, LoadsFromMemoryAndKeepsItOnlyWhenValid) {
  BackgroundBitmap picture;
  EXPECT_TRUE(picture.isEmpty());
  const std::string bytes = twoRowPicture();
  ASSERT_TRUE(picture.loadFromMemory(bytes.data(), static_cast<int>(bytes.size())));
  EXPECT_FALSE(picture.isEmpty());
  EXPECT_EQ(picture.layout().width, 2);
  EXPECT_EQ(picture.layout().bitsOffset, 40);
  // Nothing to load: refused at once, the picture kept.
  EXPECT_FALSE(picture.loadFromMemory(nullptr, 10));
  EXPECT_FALSE(picture.loadFromMemory(bytes.data(), 0));
  EXPECT_FALSE(picture.isEmpty());
  // A picture that promises more rows than it holds is cleared.
  std::string damaged = bytes;
  put32(damaged, 8, 1000);
  EXPECT_FALSE(picture.loadFromMemory(damaged.data(), static_cast<int>(damaged.size())));
  EXPECT_TRUE(picture.isEmpty());
  EXPECT_EQ(picture.data().length(), 0);
}

TEST(BackgroundBitmap, SavesTheFileHeaderAndReadsTheFileBack) {
  ScratchDirectory scratch("ui-bitmap-save");
  const std::string bytes = twoRowPicture();
  BackgroundBitmap picture;
  ASSERT_TRUE(picture.loadFromMemory(bytes.data(), static_cast<int>(bytes.size())));
  const std::string path = scratch / BackgroundPictureFileName;
  ASSERT_TRUE(picture.saveToFile(path.c_str()));

  BackgroundBitmap again;
  ASSERT_TRUE(again.loadFromFile(path.c_str()));
  EXPECT_EQ(std::string(again.data().cStr(), again.data().length()), bytes);
  EXPECT_EQ(again.layout().height, 2);

  // The file is the standard bitmap file: "BM", size, zeros, bits offset.
  std::string header(14, '\0');
  put16(header, 0, 'B' | 'M' << 8);
  put32(header, 2, static_cast<uint32_t>(bytes.size() + 14));
  put32(header, 10, 54);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::string written(200, '\0');
  DWORD read = 0;
  ReadFile(file, &written[0], 200, &read, nullptr);
  CloseHandle(file);
  written.resize(read);
  EXPECT_EQ(written, header + bytes);

  EXPECT_FALSE(picture.saveToFile((scratch / "no such dir\\x.bmp").c_str()));
}

TEST(BackgroundBitmap, DamagedFilesLeaveThePictureEmpty) {
  ScratchDirectory scratch("ui-bitmap-damaged");
  const std::string bytes = twoRowPicture();
  std::string header(14, '\0');
  put16(header, 0, 'B' | 'M' << 8);
  put32(header, 10, 54);
  struct Case {
    const char* name;
    std::string file;
  };
  std::string notBm = header + bytes;
  notBm[0] = 'X';
  std::string sizeBeyondEnd = header + bytes;
  put32(sizeBeyondEnd, 2, 0x7FFFFFF0);  // must not be allocated
  std::string sizeBelowHeader = header + bytes;
  put32(sizeBelowHeader, 2, 3);
  std::string rowsMissing = header + bytes;
  put32(rowsMissing, 2, static_cast<uint32_t>(rowsMissing.size()));
  put32(rowsMissing, 14 + 8, 5000);  // the picture's height
  std::string cutBySizeField = header + bytes;
  put32(cutBySizeField, 2, static_cast<uint32_t>(cutBySizeField.size() - 1));
  for (const Case& c : {Case{"notbm", notBm}, Case{"beyond", sizeBeyondEnd}, Case{"below", sizeBelowHeader},
                        Case{"rows", rowsMissing}, Case{"cut", cutBySizeField}, Case{"short", "BM"}}) {
    SCOPED_TRACE(c.name);
    const std::string path = scratch / c.name;
    ASSERT_TRUE(writeRaw(path, c.file));
    BackgroundBitmap picture;
    ASSERT_TRUE(picture.loadFromMemory(bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_FALSE(picture.loadFromFile(path.c_str()));
    EXPECT_TRUE(picture.isEmpty());
  }
  BackgroundBitmap picture;
  EXPECT_FALSE(picture.loadFromFile((scratch / "missing.bmp").c_str()));
  // A size field that matches: accepted, also with bytes after it.
  std::string trailing = header + bytes;
  put32(trailing, 2, static_cast<uint32_t>(trailing.size()));
  trailing += "extra";
  ASSERT_TRUE(writeRaw(scratch / "trailing", trailing));
  EXPECT_TRUE(picture.loadFromFile((scratch / "trailing").c_str()));
  EXPECT_EQ(picture.data().length(), static_cast<int>(bytes.size()));
}

TEST(BackgroundBitmap, DrawsStretchedAndTheRightWayUp) {
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
    const std::string bytes = twoRowPicture(topDown);
    BackgroundBitmap picture;
    ASSERT_TRUE(picture.loadFromMemory(bytes.data(), static_cast<int>(bytes.size())));
    Canvas canvas(40, 40);
    picture.draw(canvas.handle(), {0, 0, 39, 39}, RasterCopy);
    EXPECT_EQ(hex(canvas.at(5, 5)), hex(Red));
    EXPECT_EQ(hex(canvas.at(34, 34)), hex(Blue));
  }
  // Nothing is drawn without a picture or without a device context.
  BackgroundBitmap empty;
  Canvas canvas(8, 8);
  empty.draw(canvas.handle(), {0, 0, 7, 7}, RasterCopy);
  EXPECT_EQ(canvas.at(3, 3), Canvas::Untouched);
  empty.draw(nullptr, {0, 0, 7, 7}, RasterCopy);
}

// The background window of the process, sized for each test.
class BackgroundWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ui_test::UseBackgroundWindow(); }
  void SetUp() override {
    window_ = reinterpret_cast<HWND>(BackgroundWindow);
    DisplayTitle = "";
    TitleColor = Red;
    TopColor = White;
    BottomColor = 0;
    MonoColor = true;
    BackgroundImage.clear();
  }
  void TearDown() override {
    BackgroundImage.clear();
    DisplayTitle = "";
  }
  // Gives the window a client area of width x height.
  void resize(int width, int height) {
    ShowWindow(window_, SW_RESTORE);
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(window_, &client);
    ASSERT_EQ(client.right, width);
    ASSERT_EQ(client.bottom, height);
  }
  // What the window erases its background to, drawn into `canvas`.
  void erase(Canvas& canvas) {
    EXPECT_EQ(SendMessageA(window_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0), 1);
  }
  // Paints the window on the screen and copies its client area.
  void paintOnScreen(Canvas& canvas, int width, int height) {
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC screen = GetDC(window_);
    BitBlt(canvas.dc(), 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ReleaseDC(window_, screen);
  }
  HWND window_ = nullptr;
};

TEST_F(BackgroundWindowTest, SingleColourFillsTheWindow) {
  resize(200, 150);
  TopColor = RGB(10, 120, 230);
  BottomColor = Red;  // ignored while MonoColor
  Canvas canvas(200, 150);
  erase(canvas);
  for (int y : {0, 75, 149}) EXPECT_EQ(hex(canvas.at(199, y)), hex(TopColor));
}

TEST_F(BackgroundWindowTest, GradientRunsFromOneStepBelowTheTopToTheBottomColour) {
  resize(100, 479);  // span 480: 240 bands of 2 pixels
  MonoColor = false;
  TopColor = RGB(240, 0, 100);
  BottomColor = RGB(0, 240, 100);
  Canvas canvas(100, 479);
  erase(canvas);
  // 240 over 240 bands: every band moves each channel by exactly one.
  EXPECT_EQ(hex(canvas.at(50, 0)), hex(RGB(239, 1, 100)));
  EXPECT_EQ(hex(canvas.at(50, 1)), hex(RGB(239, 1, 100)));
  EXPECT_EQ(hex(canvas.at(50, 2)), hex(RGB(238, 2, 100)));
  EXPECT_EQ(hex(canvas.at(99, 478)), hex(BottomColor));
}

TEST_F(BackgroundWindowTest, GradientOfEqualColoursAndAnExtraStripStayInRange) {
  resize(50, 700);  // 234 strips of 3 cover it, but only 233 bands step
  MonoColor = false;
  TopColor = White;
  BottomColor = 0;
  Canvas canvas(50, 700);
  erase(canvas);
  EXPECT_EQ(hex(canvas.at(10, 699)), hex(0));
  EXPECT_EQ(hex(canvas.at(10, 696)), hex(0));
  TopColor = BottomColor = RGB(1, 2, 3);
  erase(canvas);
  for (int y : {0, 350, 699}) EXPECT_EQ(hex(canvas.at(10, y)), hex(RGB(1, 2, 3)));
}

TEST_F(BackgroundWindowTest, PictureTakesPrecedenceOverBothColourModes) {
  resize(60, 60);
  MonoColor = false;
  TopColor = White;
  BottomColor = White;
  const std::string bytes = twoRowPicture();
  ASSERT_TRUE(BackgroundImage.loadFromMemory(bytes.data(), static_cast<int>(bytes.size())));
  Canvas canvas(60, 60);
  erase(canvas);
  EXPECT_EQ(hex(canvas.at(30, 5)), hex(Red));
  EXPECT_EQ(hex(canvas.at(30, 55)), hex(Blue));
}

int countColour(const Canvas& canvas, int left, int top, int right, int bottom, COLORREF colour) {
  int count = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) count += canvas.at(x, y) == colour;
  }
  return count;
}

TEST_F(BackgroundWindowTest, TitleIsPaintedAtTheTopLeftInItsColour) {
  resize(640, 200);
  DisplayTitle = "Tessa Demo 1.0";
  Canvas canvas(640, 200);
  paintOnScreen(canvas, 640, 200);
  // 26 points at 96 pixels per inch are 35 pixels high.
  EXPECT_GT(countColour(canvas, 0, 0, 400, 45, Red), 50);
  EXPECT_EQ(countColour(canvas, 0, 60, 640, 200, Red), 0);
  EXPECT_EQ(countColour(canvas, 450, 0, 640, 200, Red), 0);
}

TEST_F(BackgroundWindowTest, TitleShrinksToFitAndBlankTitlesPaintNothing) {
  resize(640, 200);
  DisplayTitle = "A title much too long to be shown at twenty-six points on this narrow window";
  Canvas canvas(640, 200);
  paintOnScreen(canvas, 640, 200);
  EXPECT_GT(countColour(canvas, 0, 0, 640, 40, Red), 20);
  EXPECT_EQ(countColour(canvas, 0, 40, 640, 200, Red), 0);  // smaller than 26 points

  DisplayTitle = " \t\r\n ";
  Canvas blank(640, 200);
  paintOnScreen(blank, 640, 200);
  EXPECT_EQ(countColour(blank, 0, 0, 640, 200, Red), 0);
}

LRESULT CALLBACK quietProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(PumpPendingMessages, EmptiesTheQueueAndReportsTheEndingMessages) {
  while (PumpPendingMessages()) {
  }
  EXPECT_FALSE(PumpPendingMessages());
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = quietProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "Tessa Pump Test";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "Tessa Pump Test", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_USER, 0, 0);
  PostMessageA(window, WM_USER + 1, 0, 0);
  EXPECT_FALSE(PumpPendingMessages());
  MSG left;
  EXPECT_FALSE(PeekMessageA(&left, window, 0, 0, PM_NOREMOVE));

  PostMessageA(window, WM_USER, 0, 0);
  PostMessageA(window, WM_CLOSE, 0, 0);
  PostMessageA(window, WM_USER + 2, 0, 0);
  EXPECT_TRUE(PumpPendingMessages());  // stops right after WM_CLOSE
  EXPECT_TRUE(PeekMessageA(&left, window, 0, 0, PM_REMOVE));
  EXPECT_EQ(left.message, static_cast<UINT>(WM_USER + 2));

  PostQuitMessage(0);
  EXPECT_TRUE(PumpPendingMessages());
  DestroyWindow(window);
  while (PumpPendingMessages()) {
  }
}

TEST_F(BackgroundWindowTest, RepaintInvalidatesTheWholeWindow) {
  resize(100, 100);
  ValidateRect(window_, nullptr);
  EXPECT_FALSE(GetUpdateRect(window_, nullptr, FALSE));
  RepaintBackground();
  RECT update;
  ASSERT_TRUE(GetUpdateRect(window_, &update, FALSE));
  EXPECT_EQ(update.right, 100);
  EXPECT_EQ(update.bottom, 100);
}

}  // namespace
