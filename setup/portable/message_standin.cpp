#include "setup/portable/message_standin.h"

namespace {
// At namespace scope: a function-local static would need a thread-safe guard,
// which drags the C++ runtime's exception machinery into the installer.
const String NoMessage;
}  // namespace

const String& Message(int) { return NoMessage; }
