#include "setup/portable/message_standin.h"

const String& Message(int) {
  static const String empty;
  return empty;
}
