// Functions linked at run time: a library loaded by name and the addresses of
// functions that older systems may lack, looked up once and kept until the
// program ends.
#pragma once

// One function to link: its exported name, where its address goes, and
// whether the link may succeed without it. A table of entries ends with one
// whose name is null or "".
struct RuntimeLinkEntry {
  const char* name;
  void** address;
  bool optional;
};

// Loads libraryFileName and stores the address of every entry of table in
// order (null for a function the library does not export). When the library
// cannot be loaded every address is set to null. False when the library
// cannot be loaded or a non-optional function is missing. A loaded library
// stays loaded, even after a false result, until FreeLinkedLibraries.
bool LinkFunctions(const char* libraryFileName, const RuntimeLinkEntry* table);

// Frees every library LinkFunctions loaded, once per load. Addresses linked
// from them must not be called afterwards. For the program's exit.
void FreeLinkedLibraries();

// The number of loads FreeLinkedLibraries would free.
int LinkedLibraryCount();

// The address of a linked function in its callable type.
template <class Function>
Function linkedFunction(void* address) {
  return reinterpret_cast<Function>(address);
}

// The replacement of a file, the way kernel32's MoveFileExA is called: the
// system's calling convention on i686 (stdcall), the only one on x86-64.
// Returns non-zero on success.
using MoveFileExFunction = int(__stdcall*)(const char* existing, const char* replacement, unsigned long flags);

// MoveFileExA's flags.
constexpr unsigned long MoveFileReplaceExisting = 0x1;
constexpr unsigned long MoveFileDelayUntilReboot = 0x4;
