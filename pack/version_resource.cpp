#include "pack/version_resource.h"

#include <stdint.h>

#include "pack/codepage.h"

namespace {

constexpr uint32_t ResourceDirectoryIndex = 2;
constexpr uint32_t VersionResourceType = 16;
constexpr uint32_t SubdirectoryBit = 0x80000000u;

// Bounds-checked little-endian reads: any read outside the file sets
// failed and gives 0, so a parse can run to its end and check once.
class Reader {
 public:
  explicit Reader(const Bytes& file) : file_(file) {}

  uint32_t u16(uint64_t at) { return inside(at, 2) ? loadLittleEndian16(file_.data() + at) : 0; }
  uint32_t u32(uint64_t at) { return inside(at, 4) ? loadLittleEndian32(file_.data() + at) : 0; }
  bool inside(uint64_t at, uint64_t n) {
    if (at + n <= file_.size()) return true;
    failed = true;
    return false;
  }

  bool failed = false;

 private:
  const Bytes& file_;
};

struct Section {
  uint32_t virtualAddress;
  uint32_t virtualSize;
  uint32_t rawOffset;
  uint32_t rawSize;
};

class PeImage {
 public:
  explicit PeImage(const Bytes& file) : in_(file) {}

  // The file offset and size of the version resource's data; false when
  // there is none.
  bool findVersionResource(uint64_t& offset, uint32_t& size) {
    if (in_.u16(0) != 0x5A4D) return false;  // "MZ"
    const uint64_t pe = in_.u32(0x3C);
    if (in_.u32(pe) != 0x00004550) return false;  // "PE\0\0"
    const uint32_t sectionCount = in_.u16(pe + 6);
    const uint32_t optionalSize = in_.u16(pe + 20);
    const uint64_t optional = pe + 24;
    const uint32_t magic = in_.u16(optional);
    const uint64_t directories = optional + (magic == 0x20B ? 112 : 96);
    const uint32_t directoryCount = in_.u32(optional + (magic == 0x20B ? 108 : 92));
    if ((magic != 0x10B && magic != 0x20B) || directoryCount <= ResourceDirectoryIndex) return false;
    const uint32_t resourceRva = in_.u32(directories + 8 * ResourceDirectoryIndex);
    for (uint32_t i = 0; i < sectionCount && !in_.failed; i++) {
      const uint64_t at = optional + optionalSize + 40ull * i;
      sections_.push_back({in_.u32(at + 12), in_.u32(at + 8), in_.u32(at + 20), in_.u32(at + 16)});
    }
    uint64_t root;
    if (in_.failed || resourceRva == 0 || !toOffset(resourceRva, root)) return false;
    uint64_t typeEntry, nameEntry, languageEntry;
    if (!findEntry(root, root, VersionResourceType, true, typeEntry)) return false;
    if (!findEntry(root, typeEntry, 0, false, nameEntry)) return false;
    if (!findEntry(root, nameEntry, 0, false, languageEntry)) return false;
    if (languageEntry & SubdirectoryBit) return false;
    const uint32_t dataRva = in_.u32(root + languageEntry);
    size = in_.u32(root + languageEntry + 4);
    return !in_.failed && toOffset(dataRva, offset) && in_.inside(offset, size);
  }

 private:
  bool toOffset(uint32_t rva, uint64_t& offset) {
    for (const Section& s : sections_) {
      const uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
      if (rva >= s.virtualAddress && rva - s.virtualAddress < extent) {
        if (rva - s.virtualAddress >= s.rawSize) return false;
        offset = static_cast<uint64_t>(s.rawOffset) + (rva - s.virtualAddress);
        return true;
      }
    }
    return false;
  }

  // In the resource directory at root + directory (the entry value of the
  // level above, subdirectory bit included), the entry with this id, or
  // the first entry when byId is false. Returns its value.
  bool findEntry(uint64_t root, uint64_t directory, uint32_t id, bool byId, uint64_t& value) {
    const uint64_t at = root + (directory == root ? 0 : (directory & ~static_cast<uint64_t>(SubdirectoryBit)));
    if (directory != root && !(directory & SubdirectoryBit)) return false;
    const uint32_t count = in_.u16(at + 12) + in_.u16(at + 14);
    for (uint32_t i = 0; i < count && !in_.failed; i++) {
      const uint64_t entry = at + 16 + 8ull * i;
      if (!byId || in_.u32(entry) == id) {
        value = in_.u32(entry + 4);
        return !in_.failed;
      }
    }
    return false;
  }

  Reader in_;
  std::vector<Section> sections_;
};

// One block of the version resource: length, value length, type, key,
// value, children; all aligned to 4 bytes from the resource's start.
struct Block {
  uint64_t start = 0;
  uint64_t end = 0;
  std::u16string key;
  uint64_t value = 0;
  uint64_t children = 0;
};

class VersionBlocks {
 public:
  VersionBlocks(const Bytes& file, uint64_t base, uint64_t size) : in_(file), base_(base), end_(base + size) {}

  bool read(uint64_t at, uint64_t limit, Block& block) {
    block.start = at;
    const uint32_t length = in_.u16(at);
    const uint32_t valueLength = in_.u16(at + 2);
    const uint32_t type = in_.u16(at + 4);
    block.end = at + length;
    if (length < 6 || block.end > limit || block.end > end_ || in_.failed) return false;
    uint64_t p = at + 6;
    block.key.clear();
    for (uint32_t c; p + 2 <= block.end && (c = in_.u16(p)) != 0; p += 2) block.key += static_cast<char16_t>(c);
    block.value = align(p + 2);
    block.children = align(block.value + (type == 1 ? 2ull * valueLength : valueLength));
    return !in_.failed;
  }

  // The text value of a block, up to its NUL or the end of the block.
  std::u16string text(const Block& block) {
    std::u16string s;
    for (uint64_t p = block.value; p + 2 <= block.end; p += 2) {
      const uint32_t c = in_.u16(p);
      if (c == 0) break;
      s += static_cast<char16_t>(c);
    }
    return s;
  }

  // The child of parent whose key equals key (ASCII, without regard to
  // case); false when there is none.
  bool child(const Block& parent, const char* key, Block& found) {
    for (uint64_t at = parent.children; at + 6 <= parent.end;) {
      if (!read(at, parent.end, found)) return false;
      if (keyIs(found.key, key)) return true;
      at = align(found.end);
    }
    return false;
  }

  uint64_t base() const { return base_; }

 private:
  uint64_t align(uint64_t p) const { return base_ + ((p - base_ + 3) & ~3ull); }

  static bool keyIs(const std::u16string& key, const char* ascii) {
    size_t i = 0;
    for (; ascii[i]; i++) {
      if (i >= key.size() || tolower(key[i] < 128 ? static_cast<int>(key[i]) : 0) != tolower(ascii[i]))
        return false;
    }
    return i == key.size();
  }

  Reader in_;
  uint64_t base_;
  uint64_t end_;
};

// Characters outside the code page become '?', as the system's ANSI
// conversion makes them.
std::string toAnsi(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    const int byte = ansiByteForCharacter(c);
    out += byte < 0 ? '?' : static_cast<char>(byte);
  }
  return out;
}

}  // namespace

std::string fileVersionText(const Bytes& file) {
  uint64_t offset;
  uint32_t size;
  if (!PeImage(file).findVersionResource(offset, size)) return "";
  VersionBlocks blocks(file, offset, size);
  Block root, stringInfo, table, entry;
  if (!blocks.read(offset, offset + size, root)) return "";
  if (!blocks.child(root, "StringFileInfo", stringInfo)) return "";
  if (!blocks.child(stringInfo, "040904E4", table)) return "";
  if (!blocks.child(table, "FileVersion", entry)) return "";
  return toAnsi(blocks.text(entry));
}

std::string comparableVersion(const std::string& version) {
  if (version.empty()) return "";
  std::string out;
  size_t start = 0;
  while (true) {
    const size_t dot = version.find('.', start);
    std::string field = version.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    for (char& c : field) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (field.size() < 10) field.insert(0, 10 - field.size(), '0');
    out += field;
    if (dot == std::string::npos) break;
    out += '.';
    start = dot + 1;
  }
  return out;
}
