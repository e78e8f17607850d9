// Packages for the end-to-end tests of the archive reader, written here so
// that every field can be set wrong (the builder refuses to write what the
// installer would refuse to read). The header block is stored unpacked,
// only scrambled; the payload is the plain records. The checksum and the
// scrambling are restated here, as an independent oracle of the format.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "archive/format.h"

namespace e2e {

inline void put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; i++) s += static_cast<char>(v >> (8 * i));
}

inline uint32_t load32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; i--) v = v << 8 | static_cast<uint8_t>(s[at + i]);
  return v;
}

inline uint32_t checksum(const std::string& s) {
  uint32_t sum = 0x79E2BC9Du;  // the seed
  if (s.empty()) return sum;
  const size_t words = s.size() / 4;
  for (size_t i = 0; i < words; i++) sum += load32(s, 4 * i);
  for (size_t i = 4 * words; i < s.size(); i++) sum += static_cast<uint32_t>(static_cast<int8_t>(s[i]));
  return sum + static_cast<uint32_t>(s.size());
}

inline void xorWithKey(std::string& s, uint32_t key) {
  for (size_t i = 0; i < s.size(); i++) s[i] = static_cast<char>(s[i] ^ (key >> (8 * (i % 4))));
}

struct Record {
  std::string name;
  int32_t kind = InstallDirFile;
  int32_t options = AlwaysInstall;
  std::string data;
  int64_t checksum = -1;  // -1: the data's own
};

// Every number left at -1 takes the value that makes the package sound.
struct Package {
  uint32_t flags = VerifyChecksums;
  std::vector<Record> records = {{"readme.txt", InstallDirFile, AlwaysInstall, "hello", -1}};
  std::vector<int32_t> sizes;  // empty: the records' data lengths
  int64_t fileCount = -1;
  int64_t payloadLength = -1;
  int64_t payloadChecksum = -1;
  int64_t stubChecksum = -1;
  int languageCount = -1;
  int64_t messageCount = -1;
  std::vector<std::string> messages;  // one language
  uint32_t endMagic = HeaderEndMagic;
  int64_t key = -1;  // -1: the checksum of the unpacked block
};

inline int32_t pick(int64_t given, size_t sound) {
  return static_cast<int32_t>(given >= 0 ? given : static_cast<int64_t>(sound));
}

inline std::string payloadOf(const Package& p) {
  std::string payload;
  for (const Record& r : p.records) {
    payload += r.name + '\0';
    put32(payload, static_cast<uint32_t>(r.kind));
    put32(payload, static_cast<uint32_t>(r.options));
    payload += r.data;
    put32(payload, r.checksum >= 0 ? static_cast<uint32_t>(r.checksum) : checksum(r.data));
    payload += std::string(DateTimeRecordSize, '\0');
    payload += '\0';  // detail
  }
  return payload;
}

inline std::string headerBlockOf(const Package& p, uint32_t stubChecksum, const std::string& payload) {
  std::string b;
  put32(b, p.flags);
  b += std::string(DateTimeRecordSize, '\0');
  put32(b, stubChecksum);
  put32(b, static_cast<uint32_t>(pick(p.fileCount, p.records.size())));
  if (p.sizes.empty()) {
    for (const Record& r : p.records) put32(b, static_cast<uint32_t>(r.data.size()));
  } else {
    for (int32_t size : p.sizes) put32(b, static_cast<uint32_t>(size));
  }
  put32(b, static_cast<uint32_t>(pick(p.payloadLength, payload.size())));
  put32(b, p.payloadChecksum >= 0 ? static_cast<uint32_t>(p.payloadChecksum) : checksum(payload));
  const char* const texts[] = {"Tessaform Tests", "Archive Test", "", "", "1.0", "", "", "", "Uninstall"};
  for (const char* text : texts) b += std::string(text) + '\0';
  for (int i = 0; i < 4; i++) put32(b, 0);  // colours, no picture
  b += std::string(5, '\0');                 // three hooks, two uninstall hooks
  b += std::string(HeaderReservedSize, '\0');
  b += static_cast<char>(p.languageCount >= 0 ? p.languageCount : 1);
  put32(b, static_cast<uint32_t>(pick(p.messageCount, p.messages.size())));
  b += std::string("English") + '\0';
  for (const std::string& m : p.messages) b += m + '\0';
  put32(b, p.endMagic);
  return b;
}

// The program `stub` with the archive of `p` behind it.
inline std::string packageFile(const std::string& stub, const Package& p) {
  const std::string payload = payloadOf(p);
  const uint32_t stubSum = p.stubChecksum >= 0 ? static_cast<uint32_t>(p.stubChecksum) : checksum(stub);
  std::string block = headerBlockOf(p, stubSum, payload);
  const uint32_t key = p.key >= 0 ? static_cast<uint32_t>(p.key) : checksum(block);
  xorWithKey(block, key);
  std::string file = stub;
  put32(file, ArchiveMagic);
  put32(file, static_cast<uint32_t>(block.size()));
  put32(file, key);
  file += block + payload;
  put32(file, static_cast<uint32_t>(stub.size()));
  return file;
}

}  // namespace e2e
