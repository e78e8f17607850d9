#include "pack/archive_writer.h"

#include <string.h>

#include <algorithm>
#include <string>

#include "archive/codec.h"
#include "archive/signed_program.h"

namespace {

// Appends little-endian integers, NUL-terminated texts and raw bytes.
class FieldWriter {
 public:
  explicit FieldWriter(Bytes& out) : out_(out) {}

  void integer(uint32_t v) { appendLittleEndian32(out_, v); }
  void integer(int32_t v) { integer(static_cast<uint32_t>(v)); }
  void bytes(const uint8_t* p, size_t n) { out_.insert(out_.end(), p, p + n); }
  void bytes(const Bytes& b) { bytes(b.data(), b.size()); }

  // field names the text in the error when it holds a NUL byte, which
  // would end it early for the reader.
  void text(const std::string& s, const std::string& field) {
    if (s.find('\0') != std::string::npos)
      throw PackError(field + " contains a NUL byte, which cannot be stored in a package");
    out_.insert(out_.end(), s.begin(), s.end());
    out_.push_back(0);
  }

  void time(const DateTimeStamp& t) {
    for (int32_t field : {t.year, t.month, t.day, t.hour, t.minute, t.second}) integer(field);
  }

 private:
  Bytes& out_;
};

int32_t checkedLength(size_t n, const std::string& what) {
  if (n > static_cast<size_t>(MaxStoredBlockLength))
    throw PackError(what + " is " + std::to_string(n) + " bytes; a package holds at most " +
                    std::to_string(MaxStoredBlockLength) + " bytes there");
  return static_cast<int32_t>(n);
}

void checkMessageTable(const PackageHeader& header) {
  const size_t languages = header.languages.size();
  if (languages < 1 || languages > static_cast<size_t>(MaxLanguageCount))
    throw PackError("a package has 1 to " + std::to_string(MaxLanguageCount) +
                    " languages, not " + std::to_string(languages));
  const size_t messages = header.messages.size();
  if (messages < static_cast<size_t>(MinMessageCount) || messages > static_cast<size_t>(MaxMessageCount))
    throw PackError("a package has 1 to " + std::to_string(MaxMessageCount) + " messages, not " +
                    std::to_string(messages));
  for (size_t i = 0; i < messages; i++) {
    if (header.messages[i].size() != languages)
      throw PackError("message " + std::to_string(i) + " has " +
                      std::to_string(header.messages[i].size()) + " texts for " +
                      std::to_string(languages) + " languages");
  }
}

void checkFile(const PackageFile& file, size_t index) {
  const std::string which = "file " + std::to_string(index + 1) + " (\"" + file.name + "\")";
  if (file.name.empty()) throw PackError("file " + std::to_string(index + 1) + " has an empty name");
  if (!isValidDestinationKind(file.kind))
    throw PackError(which + " has the unknown destination kind " + std::to_string(file.kind));
  if ((file.options & ExistenceRuleMask) == InvalidExistenceRule)
    throw PackError(which + " has the invalid existence rule 0x4 in its options");
  checkedLength(file.data.size(), which);
}

}  // namespace

Bytes HeaderBlock(const PackageHeader& header, const std::vector<PackageFile>& files,
                  uint32_t stubChecksum, int32_t payloadLength, uint32_t payloadChecksum) {
  checkMessageTable(header);
  if (files.empty()) throw PackError("a package holds at least one file");
  if (payloadLength < 1) throw PackError("the payload is empty");

  Bytes block;
  FieldWriter w(block);
  w.integer(header.installFlags);
  w.time(header.stubTime);
  w.integer(stubChecksum);
  w.integer(static_cast<int32_t>(files.size()));
  for (size_t i = 0; i < files.size(); i++) {
    checkFile(files[i], i);
    w.integer(static_cast<int32_t>(files[i].data.size()));
  }
  w.integer(payloadLength);
  w.integer(payloadChecksum);
  w.text(header.publisher, "the publisher");
  w.text(header.defaultProductName, "the product name");
  w.text(header.productStartMenu, "the start-menu folder");
  w.text(header.defaultInstallDir, "the installation directory");
  w.text(header.displayVersion, "the version");
  w.text(header.productRegistry, "the product registry key");
  w.text(header.licenseText, "the licence text");
  w.text(header.readmeText, "the read-me text");
  w.text(header.uninstallSubdir, "the uninstall folder");
  w.integer(header.titleColor);
  // Always stored; the reader skips them without CustomColors.
  w.integer(header.topColor);
  w.integer(header.bottomColor);
  w.integer(checkedLength(header.picture.size(), "the background picture"));
  w.bytes(header.picture);
  if (header.installFlags & RequiresMaster) w.text(header.masterProduct, "the master product");
  w.text(header.preInstallBatch, "the pre-install hook");
  w.text(header.postInstallBatch, "the post-install hook");
  w.text(header.finalBatch, "the final hook");
  w.text(header.uninstallBatch1, "the before-uninstall hook");
  w.text(header.uninstallBatch2, "the after-uninstall hook");
  w.bytes(header.reserved.data(), header.reserved.size());
  block.push_back(static_cast<uint8_t>(header.languages.size()));
  w.integer(static_cast<int32_t>(header.messages.size()));
  for (size_t i = 0; i < header.languages.size(); i++)
    w.text(header.languages[i], "the name of language " + std::to_string(i + 1));
  for (size_t m = 0; m < header.messages.size(); m++) {
    for (size_t l = 0; l < header.languages.size(); l++)
      w.text(header.messages[m][l], "message " + std::to_string(m) + " in " + header.languages[l]);
  }
  w.integer(HeaderEndMagic);
  checkedLength(block.size(), "the header block");
  return block;
}

Bytes PayloadRecords(const std::vector<PackageFile>& files) {
  size_t total = 0;
  for (const PackageFile& file : files) total += file.name.size() + file.detail.size() + file.data.size() + 48;
  Bytes records;
  records.reserve(total);
  FieldWriter w(records);
  for (size_t i = 0; i < files.size(); i++) {
    const PackageFile& file = files[i];
    checkFile(file, i);
    const std::string which = "the name of file " + std::to_string(i + 1);
    w.text(file.name, which);
    w.integer(file.kind);
    w.integer(file.options);
    w.bytes(file.data);
    w.integer(Checksum(file.data.data(), static_cast<int32_t>(file.data.size())));
    w.time(file.time);
    w.text(file.detail, "the detail text of \"" + file.name + "\"");
  }
  checkedLength(records.size(), "the payload");
  return records;
}

namespace {

// Splits the stored payload: as much as fits behind the archive header in
// the package file, then diskSize bytes per continuation file.
void splitPayload(const Bytes& payload, int64_t diskSize, ArchiveImage& image) {
  size_t firstPart = payload.size();
  if (diskSize > 0) {
    const int64_t fixed = static_cast<int64_t>(image.package.size()) + ArchiveTrailerSize;
    if (fixed >= diskSize)
      throw PackError("the disk size of " + std::to_string(diskSize) +
                      " bytes leaves no room for the payload behind the program and the header (" +
                      std::to_string(fixed) + " bytes)");
    firstPart = std::min<size_t>(payload.size(), static_cast<size_t>(diskSize - fixed));
  }
  image.package.insert(image.package.end(), payload.begin(), payload.begin() + firstPart);
  for (size_t at = firstPart; at < payload.size();) {
    const size_t n = std::min<size_t>(payload.size() - at, static_cast<size_t>(diskSize));
    image.disks.emplace_back(payload.begin() + at, payload.begin() + at + n);
    at += n;
  }
}

// The program as a package holds it: a PE program with its checksum field
// set to 0 (Windows checks the field only for drivers). A signer rewrites
// the field, and the reader of a signed package puts 0 back before it
// checks StubChecksum and writes "Uninstall.EXE"
// (docs/format.md#signed-packages). Anything else is taken as it is.
Bytes programForPackage(const Bytes& stub) {
  Bytes program = stub;
  ProgramHeaderFields fields;
  const int32_t headLength = static_cast<int32_t>(std::min<size_t>(program.size(), PeHeaderReadLength));
  if (FindProgramHeaderFields(program.data(), headLength, fields)) memset(program.data() + fields.checksumOffset, 0, 4);
  return program;
}

}  // namespace

ArchiveImage WriteArchive(const Bytes& givenStub, const Package& package, const ArchiveOptions& options) {
  ArchiveImage image;
  // A header offset of 0 tells the installer that it carries no archive.
  if (givenStub.empty()) throw PackError("the program (stub) is empty");
  const Bytes stub = programForPackage(givenStub);
  image.headerOffset = checkedLength(stub.size(), "the program (stub)");
  const uint32_t stubChecksum = Checksum(stub.data(), image.headerOffset);

  Bytes payload = PayloadRecords(package.files);
  if (package.header.installFlags & PackedPayload) payload = PackBlock(payload, options.level, options.progress);
  image.payloadLength = checkedLength(payload.size(), "the packed payload");
  const uint32_t payloadChecksum = Checksum(payload.data(), image.payloadLength);

  const Bytes header = HeaderBlock(package.header, package.files, stubChecksum, image.payloadLength, payloadChecksum);
  image.headerKey = Checksum(header.data(), static_cast<int32_t>(header.size()));
  // An unpacked block that happened to begin with the packed-block magic
  // would be unpacked by the reader.
  if (!options.packHeader && package.header.installFlags == PackedBlockMagic)
    throw PackError("a header with this flag word must be packed");
  Bytes stored = options.packHeader ? PackBlock(header, options.level) : header;
  XorWithKey(stored.data(), checkedLength(stored.size(), "the packed header block"), image.headerKey);
  image.storedHeaderLength = static_cast<int32_t>(stored.size());

  image.package.reserve(stub.size() + ArchivePrefixSize + stored.size() + payload.size() + ArchiveTrailerSize);
  image.package = stub;
  FieldWriter w(image.package);
  w.integer(ArchiveMagic);
  w.integer(image.storedHeaderLength);
  w.integer(image.headerKey);
  w.bytes(stored);
  splitPayload(payload, options.diskSize, image);
  FieldWriter(image.package).integer(image.headerOffset);
  return image;
}
