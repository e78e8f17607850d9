// A test program with the installer's process handlers: it makes one
// allocation that cannot succeed, through malloc or through new as argv[1]
// says, of argv[2] bytes. The handlers must end it in the fatal box; exit
// code 3 means the failed allocation came back to the program.
#include <stdlib.h>
#include <string.h>

#include <new>

#include "setup/startup.h"

int main(int argc, char** argv) {
  InstallProcessHandlers();
  if (argc != 3) return 2;
  size_t size = static_cast<size_t>(strtoull(argv[2], nullptr, 10));
  // Volatile, so that the compiler can neither drop the allocation nor
  // assume that new never gives null.
  void* volatile block = nullptr;
  if (strcmp(argv[1], "malloc") == 0) {
    block = malloc(size);
  } else if (strcmp(argv[1], "new") == 0) {
    block = ::operator new(size);
  } else {
    return 2;
  }
  return block == nullptr ? 3 : 4;
}
