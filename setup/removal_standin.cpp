// STAND-IN until the uninstall sequence exists: no product can have been
// installed yet, so every name is reported as not installed (the text of the
// uninstall sequence's first step). The uninstall sequence replaces this file.
#include "setup/removal.h"

#include "setup/portable/reports.h"

bool Uninstall(const String& productName, String&) {
  ErrorBox("No product named '%s' is installed.", productName);
  return false;
}

void StartSelfRemoval(const String&) {}
