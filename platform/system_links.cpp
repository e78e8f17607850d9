#include "platform/system_links.h"

#include <commctrl.h>

#include "platform/runtime_link.h"

namespace {

// Whether a library's table was linked: every table is tried once, and a
// failed link is not retried (it would load the library again).
enum class LinkState { NotTried, Linked, Missing };

bool linkOnce(LinkState& state, const char* library, const RuntimeLinkEntry* table) {
  if (state == LinkState::NotTried) state = LinkFunctions(library, table) ? LinkState::Linked : LinkState::Missing;
  return state == LinkState::Linked;
}

LinkState ComState;
void* ComAddresses[3];
ComFunctions ComTable;

LinkState ShellState;
void* ShellAddresses[5];
ShellFunctions ShellTable;

LinkState CommonControlsState;
void* InitCommonControlsAddress;

LinkState ThemeState;
void* SetWindowThemeAddress;

}  // namespace

const ComFunctions* LinkedCom() {
  const RuntimeLinkEntry table[] = {{"CoInitialize", &ComAddresses[0], false},
                                    {"CoUninitialize", &ComAddresses[1], false},
                                    {"CoCreateInstance", &ComAddresses[2], false},
                                    {nullptr, nullptr, false}};
  const bool fresh = ComState == LinkState::NotTried;
  if (!linkOnce(ComState, "ole32.dll", table)) return nullptr;
  if (fresh) {
    ComTable.initialize = linkedFunction<decltype(ComTable.initialize)>(ComAddresses[0]);
    ComTable.uninitialize = linkedFunction<decltype(ComTable.uninitialize)>(ComAddresses[1]);
    ComTable.createInstance = linkedFunction<decltype(ComTable.createInstance)>(ComAddresses[2]);
  }
  return &ComTable;
}

const ShellFunctions* LinkedShell() {
  const RuntimeLinkEntry table[] = {{"SHGetMalloc", &ShellAddresses[0], false},
                                    {"SHGetSpecialFolderLocation", &ShellAddresses[1], false},
                                    {"SHBrowseForFolderA", &ShellAddresses[2], false},
                                    {"SHGetPathFromIDListA", &ShellAddresses[3], false},
                                    {"ShellExecuteA", &ShellAddresses[4], false},
                                    {nullptr, nullptr, false}};
  const bool fresh = ShellState == LinkState::NotTried;
  if (!linkOnce(ShellState, "shell32.dll", table)) return nullptr;
  if (fresh) {
    ShellTable.getMalloc = linkedFunction<decltype(ShellTable.getMalloc)>(ShellAddresses[0]);
    ShellTable.specialFolderLocation = linkedFunction<decltype(ShellTable.specialFolderLocation)>(ShellAddresses[1]);
    ShellTable.browseForFolder = linkedFunction<decltype(ShellTable.browseForFolder)>(ShellAddresses[2]);
    ShellTable.pathFromIdList = linkedFunction<decltype(ShellTable.pathFromIdList)>(ShellAddresses[3]);
    ShellTable.execute = linkedFunction<decltype(ShellTable.execute)>(ShellAddresses[4]);
  }
  return &ShellTable;
}

bool InitCommonControlsLinked() {
  const RuntimeLinkEntry table[] = {{"InitCommonControls", &InitCommonControlsAddress, false},
                                    {nullptr, nullptr, false}};
  if (!linkOnce(CommonControlsState, "comctl32.dll", table)) return false;
  linkedFunction<decltype(&InitCommonControls)>(InitCommonControlsAddress)();
  return true;
}

void DrawWithoutVisualStyle(HWND window) {
  const RuntimeLinkEntry table[] = {{"SetWindowTheme", &SetWindowThemeAddress, false}, {nullptr, nullptr, false}};
  if (!linkOnce(ThemeState, "uxtheme.dll", table)) return;
  using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  // Blank names, not empty ones: an empty name leaves the usual style.
  linkedFunction<SetWindowThemeFunction>(SetWindowThemeAddress)(window, L" ", L" ");
}
