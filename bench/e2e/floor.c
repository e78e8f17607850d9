/* The floor of the end-to-end benchmark: the least any installer and any
 * uninstaller must do under Wine, so the installer's time can be read against
 * it. Not part of the product.
 *
 *   floor install BLOB DIR   reads BLOB whole, then writes each file it holds
 *                            below DIR (folders made as needed, each once),
 *                            with its time stamp
 *   floor remove BLOB DIR    deletes those files, their folders and DIR
 *   floor idle               waits half a second (Wine's own memory)
 *
 * Built with FLOOR_WINDOW (floor-window.exe) it first shows what any program
 * with a window pays under Wine: a screen-filling window painted once with a
 * line of text in a TrueType font, closed at the end. Ours shows such a
 * window; the floor without one is a console program that loads neither
 * user32 nor gdi32.
 *
 * BLOB is an index of "SIZE<TAB>RELATIVE\PATH\r\n" lines ended by an empty
 * line, then every file's bytes in index order (bench/e2e/run.py writes it).
 * Exit status 0, or 1 with a message on the first failure. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int fail(const char* what, const char* path) {
  fprintf(stderr, "floor: %s %s failed (error %lu)\n", what, path, GetLastError());
  return 1;
}

#ifdef FLOOR_WINDOW
static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HFONT font = CreateFontA(-35, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH, "Times New Roman");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 0, 0, "Floor", 5);
    SelectObject(dc, old);
    DeleteObject(font);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

static HWND openWindow(void) {
  WNDCLASSA windowClass = {0};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "Floor";
  if (!RegisterClassA(&windowClass)) return NULL;
  HWND window = CreateWindowExA(0, "Floor", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, windowClass.hInstance, NULL);
  if (!window) return NULL;
  ShowWindow(window, SW_SHOWMAXIMIZED);
  UpdateWindow(window);
  return window;
}
#endif

/* Reads the whole file (install) or only the index (remove) into a buffer. */
static char* readBlob(const char* path, DWORD* size) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return NULL;
  *size = GetFileSize(file, NULL);
  char* bytes = malloc(*size + 1);
  DWORD got = 0;
  if (!bytes || !ReadFile(file, bytes, *size, &got, NULL) || got != *size) {
    CloseHandle(file);
    return NULL;
  }
  CloseHandle(file);
  bytes[*size] = 0;
  return bytes;
}

/* Makes every folder of `path` below the destination that the previous
 * file's folder did not already make (the index lists files folder by
 * folder). */
static int makeFolders(const char* path, size_t rootLength, char* previous) {
  const char* slash = strrchr(path, '\\');
  size_t length = (size_t)(slash - path);
  if (strlen(previous) == length && memcmp(previous, path, length) == 0) return 1;
  char folder[MAX_PATH];
  for (size_t i = rootLength + 1; i <= length; ++i) {
    if (i == length || path[i] == '\\') {
      memcpy(folder, path, i);
      folder[i] = 0;
      if (!CreateDirectoryA(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) return 0;
    }
  }
  memcpy(previous, path, length);
  previous[length] = 0;
  return 1;
}

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "idle") == 0) {
    Sleep(500);
    return 0;
  }
  if (argc != 4) {
    fputs("usage: floor install|remove BLOB DIR\n", stderr);
    return 2;
  }
#ifdef FLOOR_WINDOW
  HWND window = openWindow();
  if (!window) return fail("opening", "the window");
#endif
  int install = strcmp(argv[1], "install") == 0;
  DWORD size = 0;
  char* blob = readBlob(argv[2], &size);
  if (!blob) return fail("reading", argv[2]);
  char* data = strstr(blob, "\r\n\r\n");
  if (!data) return fail("the index of", argv[2]);
  data += 4;
  const char* root = argv[3];
  size_t rootLength = strlen(root);
  if (install && !CreateDirectoryA(root, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) return fail("creating", root);

  FILETIME stamp = {0xD53E8000u, 0x01D9E7A1u}; /* 2023-09-01 */
  char previous[MAX_PATH] = "";
  char* folders[65536];
  int folderCount = 0;
  char path[MAX_PATH];
  for (char* line = blob; *line != '\r';) {
    char* tab = strchr(line, '\t');
    char* end = strstr(line, "\r\n");
    DWORD fileSize = (DWORD)strtoul(line, NULL, 10);
    snprintf(path, sizeof path, "%s\\%.*s", root, (int)(end - tab - 1), tab + 1);
    line = end + 2;
    if (install) {
      if (!makeFolders(path, rootLength, previous)) return fail("creating the folders of", path);
      HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
      if (file == INVALID_HANDLE_VALUE) return fail("creating", path);
      DWORD written = 0;
      if (!WriteFile(file, data, fileSize, &written, NULL) || written != fileSize) return fail("writing", path);
      SetFileTime(file, &stamp, &stamp, &stamp);
      CloseHandle(file);
      data += fileSize;
    } else {
      if (!DeleteFileA(path)) return fail("deleting", path);
      /* Every folder of the path, once, to delete deepest first. */
      for (char* slash = strrchr(path, '\\'); slash && (size_t)(slash - path) > rootLength;) {
        *slash = 0;
        int known = 0;
        for (int i = folderCount - 1; i >= 0 && !known; --i) known = strcmp(folders[i], path) == 0;
        if (known || folderCount == 65536) break;
        folders[folderCount++] = _strdup(path);
        slash = strrchr(path, '\\');
      }
    }
  }
  if (!install) {
    /* Longer paths are deeper: delete them first. */
    for (int done = 0; done < folderCount; ++done) {
      int longest = done;
      for (int i = done + 1; i < folderCount; ++i)
        if (strlen(folders[i]) > strlen(folders[longest])) longest = i;
      char* swap = folders[done];
      folders[done] = folders[longest];
      folders[longest] = swap;
      if (!RemoveDirectoryA(folders[done])) return fail("deleting", folders[done]);
    }
    if (!RemoveDirectoryA(root)) return fail("deleting", root);
  }
#ifdef FLOOR_WINDOW
  DestroyWindow(window);
#endif
  return 0;
}
