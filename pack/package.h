// The content of a package as the builder holds it: the header fields, the
// message table and the file records (docs/format.md). Shared by the
// archive writer, the package reader and tessapack.
#pragma once

#include <stdint.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/format.h"
#include "core/core32.h"

// Every error of the builder: a bad manifest, a source that cannot be read,
// a package that the installer could not read. The text is complete and
// meant for the user as it stands.
class PackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Bytes = std::vector<uint8_t>;

// Appends v as four little-endian bytes, the way a package stores integers.
inline void appendLittleEndian32(Bytes& out, uint32_t v) {
  uint8_t word[4];
  storeLittleEndian32(word, v);
  out.insert(out.end(), word, word + 4);
}

// Header fields in the order they are stored. Texts are in the package's
// ANSI code page and may not contain NUL bytes.
struct PackageHeader {
  uint32_t installFlags = 0;
  DateTimeStamp stubTime = {};
  std::string publisher;
  std::string defaultProductName;
  std::string productStartMenu;
  std::string defaultInstallDir;
  std::string displayVersion;
  std::string productRegistry;
  std::string licenseText;
  std::string readmeText;
  std::string uninstallSubdir;
  uint32_t titleColor = 0;  // colours are 0x00BBGGRR
  uint32_t topColor = 0;
  uint32_t bottomColor = 0;
  // The background picture: a bitmap file without its 14-byte file header.
  Bytes picture;
  // Stored only with RequiresMaster; empty means the product itself.
  std::string masterProduct;
  std::string preInstallBatch;
  std::string postInstallBatch;
  std::string finalBatch;
  std::string uninstallBatch1;  // runs before the removal
  std::string uninstallBatch2;  // runs after the removal
  std::array<uint8_t, HeaderReservedSize> reserved = {};
  std::vector<std::string> languages;
  // messages[number][language]: every message has one text per language.
  std::vector<std::vector<std::string>> messages;
};

struct PackageFile {
  std::string name;  // relative to its destination, backslash-separated
  int32_t kind = InstallDirFile;
  int32_t options = AlwaysInstall;
  Bytes data;
  DateTimeStamp time = {};  // all zero: the file gets no time stamp
  // Shortcut name (kinds 0 and 5), font name (kind 4) or comparable version
  // text (kind 6).
  std::string detail;
};

struct Package {
  PackageHeader header;
  std::vector<PackageFile> files;
};
