#include "platform/runtime_link.h"

#include <windows.h>

#include <type_traits>

#include "core/containers.h"

static_assert(std::is_same<MoveFileExFunction, decltype(&MoveFileExA)>::value,
              "MoveFileExFunction must match the system's declaration, calling convention included");
static_assert(MoveFileReplaceExisting == MOVEFILE_REPLACE_EXISTING &&
                  MoveFileDelayUntilReboot == MOVEFILE_DELAY_UNTIL_REBOOT,
              "the flags have the system's values");

namespace {

List<HMODULE> linkedLibraries;

bool isEnd(const RuntimeLinkEntry& entry) { return entry.name == nullptr || entry.name[0] == '\0'; }

void clearAddresses(const RuntimeLinkEntry* table) {
  for (const RuntimeLinkEntry* e = table; e != nullptr && !isEnd(*e); ++e) {
    if (e->address != nullptr) *e->address = nullptr;
  }
}

}  // namespace

bool LinkFunctions(const char* libraryFileName, const RuntimeLinkEntry* table) {
  HMODULE library = libraryFileName != nullptr ? LoadLibraryA(libraryFileName) : nullptr;
  if (library == nullptr) {
    clearAddresses(table);
    return false;
  }
  linkedLibraries.addLast(library);
  bool complete = true;
  for (const RuntimeLinkEntry* e = table; e != nullptr && !isEnd(*e); ++e) {
    // GetProcAddress gives a generic function pointer; the table keeps plain
    // addresses that the caller turns back into its typed pointer.
    void* found = reinterpret_cast<void*>(GetProcAddress(library, e->name));
    if (e->address != nullptr) *e->address = found;
    if (found == nullptr && !e->optional) complete = false;
  }
  return complete;
}

void FreeLinkedLibraries() {
  while (!linkedLibraries.isEmpty()) FreeLibrary(linkedLibraries.takeLast());
}

int LinkedLibraryCount() { return linkedLibraries.count(); }
