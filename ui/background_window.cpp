#include "ui/background_window.h"

#include <windows.h>

#include "core/background_layout.h"
#include "core/fatal.h"
#include "setup/user_interface.h"
#include "ui/background_bitmap.h"

namespace {

const char* const Module = "ginstall";
const int LineRegisterClass = 153;
const int LineCreateWindow = 158;

const char* const TitleFace = "Times New Roman";
const int TitleWeight = 700;

bool ClassRegistered = false;

void fillWithColour(HDC dc, const RECT& area, Colour colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &area, brush);
  DeleteObject(brush);
}

void paintGradient(HDC dc, RECT area) {
  GradientPainter painter(TopColor, BottomColor, area.top, area.bottom);
  area.right += 1;
  GradientStrip strip;
  while (painter.next(strip)) {
    area.top = strip.top;
    area.bottom = strip.bottom;
    fillWithColour(dc, area, strip.colour);
  }
}

// The picture, else the single colour, else the gradient.
void eraseBackground(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  if (!BackgroundImage.isEmpty()) {
    const PixelRect area = {client.left, client.top, client.right, client.bottom};
    BackgroundImage.draw(reinterpret_cast<DeviceContextHandle>(dc), area, SRCCOPY);
  } else if (MonoColor) {
    fillWithColour(dc, client, TopColor);
  } else {
    paintGradient(dc, client);
  }
}

HFONT createTitleFont(HDC dc, int points) {
  return CreateFontA(titleFontHeight(GetDeviceCaps(dc, LOGPIXELSY), points), 0, 0, 0, TitleWeight, TRUE,
                     FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, TitleFace);
}

// TitleMeasure over a device context: the title's width at a point size.
int measureTitle(int points, void* context) {
  HDC dc = static_cast<HDC>(context);
  HFONT font = createTitleFont(dc, points);
  HGDIOBJ previous = SelectObject(dc, font);
  SIZE size = {};
  GetTextExtentPoint32A(dc, DisplayTitle.cStr(), DisplayTitle.length(), &size);
  SelectObject(dc, previous);
  DeleteObject(font);
  return size.cx;
}

void drawTitle(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  HFONT font = createTitleFont(dc, titlePointSize(client.right, measureTitle, dc));
  HGDIOBJ previous = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, TitleColor);
  TextOutA(dc, 0, 0, DisplayTitle.cStr(), DisplayTitle.length());
  SelectObject(dc, previous);
  DeleteObject(font);
}

void paintTitle(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (!DisplayTitle.isBlank()) drawTitle(window, dc);
  EndPaint(window, &paint);
}

LRESULT CALLBACK backgroundProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      eraseBackground(window, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT:
      paintTitle(window);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void registerBackgroundClass(HINSTANCE instance) {
  if (ClassRegistered) return;
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = backgroundProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = BackgroundWindowClass;
  fatalAssert(RegisterClassA(&windowClass) != 0, Module, LineRegisterClass);
  ClassRegistered = true;
}

}  // namespace

WindowHandle CreateBackgroundWindow(InstanceHandle instance, WindowHandle owner) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(instance);
  registerBackgroundClass(module);
  HWND window = CreateWindowExA(0, BackgroundWindowClass, "", WS_POPUP, 0, 0, 0, 0,
                                reinterpret_cast<HWND>(owner), nullptr, module, nullptr);
  fatalAssert(window != nullptr, Module, LineCreateWindow);
  ShowWindow(window, SW_SHOWMAXIMIZED);
  return reinterpret_cast<WindowHandle>(window);
}

void RepaintBackground() {
  if (BackgroundWindow != nullptr) InvalidateRect(reinterpret_cast<HWND>(BackgroundWindow), nullptr, TRUE);
}

bool PumpPendingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (message.message == WM_DESTROY || message.message == WM_CLOSE || message.message == WM_QUIT) {
      return true;
    }
  }
  return false;
}
