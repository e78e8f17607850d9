#include "setup/portable/removal_list.h"

#include "core/containers.h"

namespace {

constexpr int DirectoryBuckets = 40;
inline constexpr char DirectoryMark[] = "~";
inline constexpr char LineEnd[] = "\r\n";

String ListText;
// The upper-cased directories listed so far.
StringSet ListedDirectories;

}  // namespace

void RecordForRemoval(const String& path, bool isDirectory) {
  if (path.isEmpty()) return;
  if (isDirectory) {
    // makeUpper folds as the C runtime's toupper does in the "C" locale,
    // which the installer never leaves.
    String key = path;
    key.makeUpper();
    if (ListedDirectories.bucketCount() == 0) ListedDirectories.reset(DirectoryBuckets);
    if (!ListedDirectories.insert(key, true)) return;
    ListText.append(DirectoryMark);
  }
  ListText.append(path);
  ListText.append(LineEnd);
}

void ClearRemovalList() {
  ListText.clear();
  ListedDirectories.reset(DirectoryBuckets);
}

const String& RemovalListText() { return ListText; }
