// Where tessapack finds the installer program when neither --stub nor
// [package] stub names one: in the tree it was installed with, found from
// its own location so that a relocated tree keeps working.
#pragma once

#include <string>
#include <vector>

// The installer program's file name in an installed tree.
constexpr char InstalledStubName[] = "tessaform.exe";

// The full path of the running tessapack; "" when the system cannot say.
std::string runningProgramPath();

// The places an installed tree keeps the installer program, relative to the
// builder at programPath, in the order they are tried: beside it (the
// Windows layout: tessapack.exe and tessaform.exe in one folder), then
// ../share/tessaform/ (the Unix layout: bin/ and share/tessaform/).
std::vector<std::string> installedStubCandidates(const std::string& programPath);

// The first candidate that is a regular file; "" when there is none (or
// programPath is "").
std::string findInstalledStub(const std::string& programPath);
