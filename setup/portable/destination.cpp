#include "setup/portable/destination.h"

#include "core/path.h"

namespace {

inline constexpr char OsPlaceholder[] = "<os>";
inline constexpr char MasterPlaceholder[] = "<master>";

// A root is "X:\" (or shorter); no product goes straight into one.
constexpr int RootLength = 3;

}  // namespace

String PrepareDefaultInstallDir(const String& headerValue, const String& productName,
                                const String& windowsDir, const String& programFilesDir) {
  String dir = headerValue;
  if (dir.isEmpty()) {
    dir = productName;  // a name, not a template: no "<os>" in it is replaced
  } else {
    dir.replaceAll(OsPlaceholder, windowsDir.cStr(), false);
  }
  if (dir.compare(MasterPlaceholder, false) != 0) makeAbsolute(dir, programFilesDir);
  return dir;
}

DestinationCheck CheckDestination(const String& trimmedDir, const String& programFilesDir,
                                  bool (*driveExists)(char upperLetter)) {
  if (trimmedDir.isEmpty()) return DestinationCheck::Empty;
  if (!isValidPath(trimmedDir) || !isDrivePath(trimmedDir)) return DestinationCheck::Invalid;
  const char letter = driveLetter(trimmedDir);
  if (letter == '\0' || !driveExists(letter)) return DestinationCheck::NoSuchDrive;
  if (trimmedDir.length() <= RootLength) return DestinationCheck::Root;
  if (samePath(trimmedDir, programFilesDir)) return DestinationCheck::ProgramFiles;
  return DestinationCheck::Accepted;
}

int64_t RequiredSpace(const Array<int32_t>& fileSizes, int64_t clusterSize) {
  int64_t total = 0;
  for (const int32_t size : fileSizes) {
    if (size <= 0) continue;
    int64_t taken = size;
    // 64-bit rounding: core's roundUp works in int and would overflow for
    // sizes near 2^31.
    if (clusterSize > 1 && taken % clusterSize != 0) taken += clusterSize - taken % clusterSize;
    total += taken;
  }
  return total;
}
