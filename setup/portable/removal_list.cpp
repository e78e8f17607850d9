#include "setup/portable/removal_list.h"

#include "core/containers.h"

namespace {

inline constexpr char DirectoryMark[] = "~";
inline constexpr char LineEnd[] = "\r\n";

String ListText;
// The upper-cased directories listed so far.
StringSet ListedDirectories;

}  // namespace

void RecordForRemoval(const String& path, bool isDirectory) {
  if (path.isEmpty()) return;
  if (isDirectory) {
    const String key = DirectoryKey(path);
    if (ListedDirectories.bucketCount() == 0) ListedDirectories.reset(DirectoryBuckets);
    if (!ListedDirectories.insert(key, true)) return;
    ListText.append(DirectoryMark);
  }
  ListText.append(path);
  ListText.append(LineEnd);
}

String DirectoryKey(const String& path) {
  String key = path;
  key.makeUpper();
  return key;
}

void ClearRemovalList() {
  ListText.clear();
  ListedDirectories.reset(DirectoryBuckets);
}

const String& RemovalListText() { return ListText; }
