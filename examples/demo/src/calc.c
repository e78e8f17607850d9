// TessaCalc.exe: the demo's command-line calculator.
//
//   TessaCalc A OP B      prints A OP B (OP: + - x /)
//   TessaCalc --self-test checks the installed product: the arithmetic DLL
//                         beside the program and the shared component in the
//                         publisher's folder below Common Files. One line per
//                         check; exit status 0 when all pass, else 1.
// The installation's post-install hook runs the self-test.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "tessa_math.h"

typedef const char* (*GreetingFunction)(void);

#define SHARED_COMPONENT "\\Tessaform Samples\\TessaShared.dll"

// The shared component's path: CommonFilesDir followed by SHARED_COMPONENT.
// Returns 0 when the folder is not registered or the path is too long.
static int sharedComponentPath(char* path, DWORD size) {
  DWORD length = size;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir",
                   RRF_RT_REG_SZ, NULL, path, &length) != ERROR_SUCCESS)
    return 0;
  if (strlen(path) + sizeof SHARED_COMPONENT > size) return 0;
  strcat(path, SHARED_COMPONENT);
  return 1;
}

static int check(const char* what, int passed) {
  printf("%s: %s\n", passed ? "passed" : "FAILED", what);
  return passed;
}

static int selfTest(void) {
  long product = 0;
  int passed = check("TessaMath.dll computes 6 x 7 = 42", TessaMathApply(6, 'x', 7, &product) && product == 42);
  char path[MAX_PATH];
  HMODULE shared = sharedComponentPath(path, sizeof path) ? LoadLibraryA(path) : NULL;
  GreetingFunction greeting =
      shared ? (GreetingFunction)(void (*)(void))GetProcAddress(shared, "TessaSharedGreeting") : NULL;
  passed &= check("TessaShared.dll is loaded from Common Files", greeting != NULL);
  if (greeting) printf("        it says: %s\n", greeting());
  printf("%s\n", passed ? "Tessa Demo: all checks passed" : "Tessa Demo: some checks FAILED");
  return passed ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--self-test") == 0) return selfTest();
  long result = 0;
  if (argc != 4 || strlen(argv[2]) != 1 || !TessaMathApply(atol(argv[1]), argv[2][0], atol(argv[3]), &result)) {
    fprintf(stderr, "usage: TessaCalc A OP B (OP: + - x /), or TessaCalc --self-test\n");
    return 2;
  }
  printf("%ld\n", result);
  return 0;
}
