// Allocation that never returns null, and the out-of-memory report.
//
// The Windows build also replaces the global allocation operators here (in
// the object every String user pulls in): every failed `new` ends in the
// out-of-memory report, and libstdc++'s operator new, which drags in about
// 28 KB of exception machinery, stays out of the installer. Native builds
// keep the standard operators, which the sanitizers replace.
#include <stdlib.h>

#include <new>

#include "core/core32.h"
#include "core/fatal.h"

void outOfMemory(size_t requested) {
  char size[GroupedNumberSize];
  groupedNumberInto(size, requested);
  fatalError("Out Of Memory.  Make sure your hard drive is not full.\nRequested size = %s", size);
}

void* allocateOrDie(size_t size) {
  void* block = malloc(size ? size : 1);
  if (block == nullptr) outOfMemory(size);
  return block;
}

void* reallocateOrDie(void* block, size_t size) {
  void* grown = realloc(block, size ? size : 1);
  if (grown == nullptr) outOfMemory(size);
  return grown;
}

void freeBlock(void* block) { free(block); }

#ifdef _WIN32

void* operator new(size_t size) { return allocateOrDie(size); }
void* operator new[](size_t size) { return allocateOrDie(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocateOrDie(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocateOrDie(size); }
void operator delete(void* block) noexcept { freeBlock(block); }
void operator delete[](void* block) noexcept { freeBlock(block); }
void operator delete(void* block, size_t) noexcept { freeBlock(block); }
void operator delete[](void* block, size_t) noexcept { freeBlock(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { freeBlock(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { freeBlock(block); }

#endif
