// The destination directory of a new installation.
#pragma once

// An empty InstallDir becomes the default directory. In automatic mode, or
// when the product does not ask, that directory is created (fatal when it
// cannot be); otherwise the destination dialog runs until the user accepts
// a directory that passes every check, or leaves.
void ChooseDestination();
