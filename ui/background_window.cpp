#include "ui/background_window.h"

#include <windows.h>

#include "core/fatal.h"

namespace {

const char* const Module = "ginstall";
const int LineRegisterClass = 153;
const int LineCreateWindow = 158;

bool ClassRegistered = false;

void fillWithColour(HDC dc, const RECT& area, Colour colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &area, brush);
  DeleteObject(brush);
}

// Erases to TopColor. The picture, the gradient and the title are painted
// by the user-interface layer on top of this window procedure.
bool eraseBackground(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  fillWithColour(dc, client, TopColor);
  return true;
}

LRESULT CALLBACK backgroundProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return eraseBackground(window, reinterpret_cast<HDC>(wParam)) ? 1 : 0;
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
