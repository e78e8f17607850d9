// tessapack init DIR: the starting point of a vendor's own package, a
// commented manifest and a skeleton product folder that builds as it is.
#pragma once

#include <ostream>
#include <string>

// The manifest's file name inside the project folder.
inline constexpr char StarterManifestName[] = "setup.toml";

// Writes the starter project into `directory` (made when missing; it must
// hold nothing yet). The product is named after the directory's last
// component, which therefore must be a valid Windows folder name. Returns
// false with the reason on `err` when it cannot; then nothing was written
// into a directory that held something.
bool WriteStarterProject(const std::string& directory, std::ostream& out, std::ostream& err);
