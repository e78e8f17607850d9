// STAND-IN until the installation sequence exists: nothing is installed.
// The installation sequence replaces this file.
#include "setup/installation.h"

void RunInstallation(File&) {}
