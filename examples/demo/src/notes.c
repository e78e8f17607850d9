// TessaNotes.exe: the demo's note viewer. Shows "Tessa Notes.txt" from the
// program's own folder in the font the product installs (DejaVu Sans Mono),
// read-only. It is the program the desktop and start-menu shortcuts start.
#include <string.h>
#include <windows.h>

#define NOTES_FILE "Tessa Notes.txt"
#define NOTES_FONT "DejaVu Sans Mono"

// Reads NOTES_FILE beside the program into a new buffer (NUL-terminated),
// or returns NULL.
static char* readNotes(void) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
  char* slash = strrchr(path, '\\');
  if (length == 0 || length >= MAX_PATH || !slash || slash + 1 + sizeof NOTES_FILE > path + MAX_PATH) return NULL;
  strcpy(slash + 1, NOTES_FILE);
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return NULL;
  DWORD size = GetFileSize(file, NULL), got = 0;
  char* text = size < (1u << 20) ? HeapAlloc(GetProcessHeap(), 0, size + 1) : NULL;
  if (text && ReadFile(file, text, size, &got, NULL)) text[got] = 0;
  CloseHandle(file);
  return text;
}

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static HWND view;
  static HFONT font;
  switch (message) {
    case WM_CREATE: {
      view = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                             0, 0, 0, 0, window, NULL, NULL, NULL);
      font = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH, NOTES_FONT);
      SendMessageA(view, WM_SETFONT, (WPARAM)font, TRUE);
      char* notes = readNotes();
      SetWindowTextA(view, notes ? notes : "The notes file " NOTES_FILE " is missing.");
      if (notes) HeapFree(GetProcessHeap(), 0, notes);
      return 0;
    }
    case WM_SIZE:
      MoveWindow(view, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_DESTROY:
      DeleteObject(font);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous;
  (void)commandLine;
  WNDCLASSA windowClass = {0};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.lpszClassName = "TessaNotes";
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowA("TessaNotes", "Tessa Notes", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 560, 360,
                              NULL, NULL, instance, NULL);
  if (!window) return 1;
  ShowWindow(window, show);
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
