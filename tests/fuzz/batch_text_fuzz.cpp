// Fuzzes the texts made from outside text: a batch hook from the package
// (its PAUSE lines dropped, its body with DOS line ends) and the boot
// drive's "autoexec.bat" with the PATH line added and taken back.
//
// Input: the directory of the PATH line, a NUL, then the text (hook and
// autoexec.bat alike). Properties: nothing crashes; the body has only
// "\r\n" line ends; after the PATH line is added it is found again (no
// second addition) and its removal takes out exactly the line, or the line
// without its line end; a removal from the text as it was takes out no more.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "setup/portable/autoexec_text.h"
#include "setup/portable/batch_text.h"

namespace {

void checkRemoval(String text, const String& line, bool mustFind) {
  const int before = text.length();
  const bool removed = RemovePathLine(text, line);
  if (mustFind && !removed) abort();
  const int taken = before - text.length();
  if (removed ? taken != line.length() && taken != line.length() - 2 : taken != 0) abort();
}

void checkAutoexec(const String& text, const String& directory) {
  const String line = PathLine(directory);
  const String addition = PathLineAddition(text, line);
  checkRemoval(text, line, false);
  if (addition.isEmpty()) return;
  const String added = text + addition;
  if (!PathLineAddition(added, line).isEmpty()) abort();
  checkRemoval(added, line, true);
}

void checkHook(const String& hook, const String& directory) {
  HookEnvironment environment;
  environment.installDir = directory;
  environment.sharedDir = directory;
  environment.installerPath = directory;
  environment.systemDirectory = "C:\\WINDOWS\\SYSTEM";
  for (int dropPauses = 0; dropPauses < 2; ++dropPauses) {
    const String body = BatchBody(environment, hook, dropPauses != 0);
    for (int i = 0; i < body.length(); ++i)
      if ((body.charAt(i) == '\r') != (body.charAt(i + 1) == '\n')) abort();
  }
  LauncherLine("COMMAND.COM", directory);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  const String input(reinterpret_cast<const char*>(data), static_cast<int>(size));
  int split = input.findChar('\0');
  if (split < 0) split = 0;
  const String directory = input.substring(0, split);
  const String text = input.substring(split + (split < input.length() ? 1 : 0));
  checkAutoexec(text, directory);
  checkHook(text, directory);
  return 0;
}
