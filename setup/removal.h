// The removal mode: uninstalling a product by name and removing the
// uninstaller's own file afterwards.
#pragma once

#include "core/core32.h"

// Removes the product named `productName` from its uninstall record and
// stores its installation directory into `installDir`. True when everything
// was removed; false otherwise or when the product is not installed.
bool Uninstall(const String& productName, String& installDir);

// Lets the uninstaller's own file and directories be deleted once the
// process has ended.
void StartSelfRemoval(const String& installDir);
