// Where the product goes: the default installation directory as the package
// names it, the checks a directory typed by the user must pass, and the
// disk space the files need. The Windows side fetches the system's values
// (the Windows and Program Files directories, the drives, the cluster and
// free sizes) and shows the boxes; the decisions are here.
#pragma once

#include <stdint.h>

#include "core/containers.h"
#include "core/core32.h"

// The package's default installation directory made usable: an empty value
// becomes productName; otherwise every "<os>" (in any case, as in the
// package's texts) becomes windowsDir. Unless the result is "<master>" (any
// case; the master product's location replaces it later), it is completed
// against programFilesDir: "X:\..." stays, "\dir" gets the drive of
// programFilesDir, "X:dir" gets programFilesDir's directory after the colon,
// and anything else goes below programFilesDir. A UNC path stays as it is,
// and so does everything when programFilesDir is no drive path ("X:\...").
String PrepareDefaultInstallDir(const String& headerValue, const String& productName,
                                const String& windowsDir, const String& programFilesDir);

// The verdict on a directory typed in the directory dialog, one per box the
// dialog loop shows (Empty shows none and asks again).
enum class DestinationCheck { Accepted, Empty, Invalid, NoSuchDrive, Root, ProgramFiles };

// Checks an already trimmed directory text in this order: empty; a valid
// path of the form "X:\..." (no /"<>|*?:; or control characters after the
// drive); a drive that exists (driveExists, which must not be null, is asked
// with the upper-cased letter; a first character that is no letter is no
// drive); longer than a root ("X:\"); not the Program Files directory itself
// (any case, trailing backslashes ignored).
DestinationCheck CheckDestination(const String& trimmedDir, const String& programFilesDir,
                                  bool (*driveExists)(char upperLetter));

// The bytes the files take on a disk with the given cluster size: each size
// rounded up to whole clusters (not rounded when clusterSize <= 1), summed in
// 64 bits. Negative sizes count as 0.
int64_t RequiredSpace(const Array<int32_t>& fileSizes, int64_t clusterSize);

// True when the free space exceeds the required space; a disk that the
// files would fill exactly counts as too small.
inline bool IsEnoughSpace(int64_t required, int64_t free) { return required < free; }
