#include "setup/portable/localized_strings.h"

#include "setup/portable/process_state.h"
#include "setup/portable/reports.h"

MessageTable Messages;

const String& Message(int number) {
  return Messages.lookup(number, LanguageIndex, ProductName, PlatformWindowsDirectory);
}

void WriteStringsSection(String& text) { AppendStringsSection(text, Message); }

void ReadStringsSection(String& text) { TakeStringsSection(text, Messages); }
