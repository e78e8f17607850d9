#include "pack/package_reader.h"

#include <stdio.h>
#include <string.h>

#include <functional>

#include "archive/byte_stream.h"
#include "archive/codec.h"
#include "archive/header_reader.h"
#include "archive/payload.h"
#include "archive/records.h"
#include "archive/signed_program.h"
#include "pack/file_io.h"

namespace {

using DiskLoader = std::function<bool(int number, Bytes& contents)>;

std::string hex(uint32_t v) {
  char text[16];
  snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

String toString(const uint8_t* p, size_t n) {
  return String(reinterpret_cast<const char*>(p), static_cast<int>(n));
}

std::string toStd(const String& s) { return std::string(s.cStr(), static_cast<size_t>(s.length())); }

class Reading {
 public:
  Reading(const Bytes& file, const DiskLoader& loadDisk) : file_(file), loadDisk_(loadDisk) {
    result_.layout.fileSize = static_cast<int64_t>(file.size());
    // A signed package's archive ends where the signature (and the signer's
    // padding) begins; its program is checked as the builder wrote it.
    MemorySource source(file.data(), result_.layout.fileSize);
    FindPackageSignature(source, result_.layout.fileSize, signature_);
    result_.layout.archiveEnd = signature_.archiveEnd;
    result_.signature = ReadSignatureInfo(file);
  }

  PackageContents run() {
    if (result_.signature.present)
      check("signature", result_.signature.problem.empty(), result_.signature.problem);
    if (locateHeader() && readHeaderBlock() && readHeaderFields()) {
      checkStub();
      if (readPayload()) readRecords();
    }
    // The checks above name what is wrong; the installer's own reader then
    // confirms that it takes the package as a whole.
    if (result_.passed()) {
      const int code = installerReading();
      check("installer's reading", code == ArchiveReadOk,
            "the installer would report corrupt-archive code " + std::to_string(code));
    }
    return std::move(result_);
  }

 private:
  bool check(const std::string& name, bool passed, const std::string& detail = "") {
    result_.checks.push_back({name, passed, passed ? "" : detail});
    return passed;
  }

  bool locateHeader() {
    PackageLayout& layout = result_.layout;
    const int64_t size = layout.archiveEnd;
    if (!check("trailer", size >= ArchivePrefixSize + ArchiveTrailerSize + 1,
               "the file has only " + std::to_string(size) + " bytes"))
      return false;
    layout.headerOffset = static_cast<int32_t>(loadLittleEndian32(file_.data() + size - ArchiveTrailerSize));
    const int64_t h = layout.headerOffset;
    if (!check("trailer", h > 0 && h + ArchivePrefixSize < size - ArchiveTrailerSize,
               h == 0 ? "the trailer is 0: the file carries no archive"
                      : "the trailer points to offset " + std::to_string(h) + ", outside the file"))
      return false;
    const uint8_t* const prefix = file_.data() + h;
    const int32_t magic = static_cast<int32_t>(loadLittleEndian32(prefix));
    if (!check("archive magic", magic == ArchiveMagic,
               "found " + std::to_string(magic) + " instead of " + std::to_string(ArchiveMagic)))
      return false;
    layout.storedHeaderLength = static_cast<int32_t>(loadLittleEndian32(prefix + 4));
    layout.headerKey = loadLittleEndian32(prefix + 8);
    const int64_t l = layout.storedHeaderLength;
    return check("header length",
                 l >= MinimumHeaderBlockLength && h + ArchivePrefixSize + l <= size - ArchiveTrailerSize,
                 "the stored header block would be " + std::to_string(l) + " bytes long");
  }

  bool readHeaderBlock() {
    PackageLayout& layout = result_.layout;
    String block = toString(file_.data() + layout.headerOffset + ArchivePrefixSize,
                            static_cast<size_t>(layout.storedHeaderLength));
    XorWithKey(block, layout.headerKey);
    // A block that is not packed is used as it stands.
    layout.headerPacked = Unpack(block);
    layout.headerLength = block.length();
    header_.takeBytes(block);
    return check("header checksum", Checksum(header_.bytes()) == layout.headerKey,
                 "the unpacked header block sums to " + hex(Checksum(header_.bytes())) +
                     ", the key is " + hex(layout.headerKey));
  }

  std::string readText() {
    String s;
    complete_ = header_.readString(s) && complete_;
    return toStd(s);
  }

  int32_t readInt() {
    int32_t v;
    complete_ = header_.readInt(v) && complete_;
    return v;
  }

  bool readHeaderFields() {
    PackageHeader& h = result_.package.header;
    PackageLayout& layout = result_.layout;
    h.installFlags = static_cast<uint32_t>(readInt());
    complete_ = header_.readDateTime(h.stubTime) && complete_;
    layout.stubChecksum = static_cast<uint32_t>(readInt());
    const int32_t fileCount = readInt();
    if (!check("file count", fileCount >= 1 && fileCount <= header_.remaining() / 4,
               "the header gives " + std::to_string(fileCount) + " files"))
      return false;
    for (int32_t i = 0; i < fileCount; i++) layout.fileSizes.push_back(readInt());
    for (int32_t i = 0; i < fileCount; i++) {
      if (!check("file sizes", layout.fileSizes[i] >= 0,
                 "file " + std::to_string(i + 1) + " has the size " + std::to_string(layout.fileSizes[i])))
        return false;
    }
    layout.payloadLength = readInt();
    layout.payloadChecksum = static_cast<uint32_t>(readInt());
    if (!check("payload length", layout.payloadLength >= 1,
               "the header gives " + std::to_string(layout.payloadLength)))
      return false;
    for (std::string* text : {&h.publisher, &h.defaultProductName, &h.productStartMenu, &h.defaultInstallDir,
                              &h.displayVersion, &h.productRegistry, &h.licenseText, &h.readmeText,
                              &h.uninstallSubdir})
      *text = readText();
    h.titleColor = static_cast<uint32_t>(readInt());
    h.topColor = static_cast<uint32_t>(readInt());
    h.bottomColor = static_cast<uint32_t>(readInt());
    const int32_t pictureLength = readInt();
    if (pictureLength > 0) {
      String picture;
      complete_ = header_.readBlock(picture, pictureLength) && complete_;
      h.picture.assign(picture.cStr(), picture.cStr() + picture.length());
    }
    if (h.installFlags & RequiresMaster) h.masterProduct = readText();
    for (std::string* text : {&h.preInstallBatch, &h.postInstallBatch, &h.finalBatch, &h.uninstallBatch1,
                              &h.uninstallBatch2})
      *text = readText();
    complete_ = header_.readBytes(h.reserved.data(), HeaderReservedSize) && complete_;
    uint8_t languageCount;
    complete_ = header_.readByte(languageCount) && complete_;
    const int32_t messageCount = readInt();
    if (!check("language count", languageCount >= 1, "the header gives 0 languages") ||
        !check("message count", messageCount >= MinMessageCount && messageCount <= MaxMessageCount,
               "the header gives " + std::to_string(messageCount) + " messages"))
      return false;
    for (int i = 0; i < languageCount; i++) h.languages.push_back(readText());
    h.messages.resize(static_cast<size_t>(messageCount));
    for (auto& texts : h.messages) {
      for (int i = 0; i < languageCount; i++) texts.push_back(readText());
    }
    uint32_t endMagic;
    complete_ = header_.readInt(endMagic) && complete_;
    if (!check("header end magic", complete_ && endMagic == HeaderEndMagic,
               complete_ ? "found " + hex(endMagic) + " instead of " + hex(HeaderEndMagic)
                         : "the header block ends before its fields do"))
      return false;
    result_.headerRead = true;
    return check("header size", header_.remaining() == 0,
                 std::to_string(header_.remaining()) + " bytes follow the end magic");
  }

  void checkStub() {
    Bytes program(file_.begin(), file_.begin() + result_.layout.headerOffset);
    if (signature_.present) UndoSignatureChanges(program.data(), result_.layout.headerOffset, signature_.fields);
    const uint32_t sum = Checksum(program.data(), result_.layout.headerOffset);
    check("program checksum", sum == result_.layout.stubChecksum,
          "the program sums to " + hex(sum) + ", the header says " + hex(result_.layout.stubChecksum));
  }

  bool readPayload() {
    PackageLayout& layout = result_.layout;
    const int64_t start = layout.headerOffset + ArchivePrefixSize + layout.storedHeaderLength;
    const int64_t firstPart = layout.archiveEnd - ArchiveTrailerSize - start;
    layout.partLengths.push_back(firstPart);
    String payload;
    payload.appendBytes(file_.data() + start, static_cast<int>(firstPart));
    int64_t total = firstPart;
    for (int disk = FirstContinuationDisk; total < layout.payloadLength; disk++) {
      char name[32];
      snprintf(name, sizeof name, DiskFileFormat, disk);
      Bytes part;
      if (!check(std::string("payload part ") + name, loadDisk_(disk, part) && !part.empty(),
                 part.empty() ? "it is missing or empty" : ""))
        return false;
      layout.partLengths.push_back(static_cast<int64_t>(part.size()));
      total += static_cast<int64_t>(part.size());
      if (!check("payload length", total <= StringSizeLimit, "the parts exceed 1 GiB")) return false;
      payload.appendBytes(part.data(), static_cast<int>(part.size()));
      parts_.push_back(std::move(part));
    }
    if (!check("payload length", total == layout.payloadLength,
               "the parts hold " + std::to_string(total) + " bytes, the header says " +
                   std::to_string(layout.payloadLength)))
      return false;
    const uint32_t sum = Checksum(payload);
    if (!check("payload checksum", sum == layout.payloadChecksum,
               "the payload sums to " + hex(sum) + ", the header says " + hex(layout.payloadChecksum)))
      return false;
    if (result_.package.header.installFlags & PackedPayload) {
      if (!check("payload unpacking", Unpack(payload), "the payload is not a packed block")) return false;
    }
    layout.unpackedPayloadLength = payload.length();
    payload_.takeBytes(payload);
    return true;
  }

  void readRecords() {
    const std::vector<int32_t>& sizes = result_.layout.fileSizes;
    for (size_t i = 0; i < sizes.size(); i++) {
      PackageFile file;
      String name, detail, data;
      int32_t storedChecksum = 0;
      bool whole = payload_.readString(name);
      file.name = toStd(name);
      whole = payload_.readInt(file.kind) && whole;
      whole = payload_.readInt(file.options) && whole;
      whole = payload_.readBlock(data, sizes[i]) && whole;
      whole = payload_.readInt(storedChecksum) && whole;
      whole = payload_.readDateTime(file.time) && whole;
      whole = payload_.readString(detail) && whole;
      file.detail = toStd(detail);
      const std::string which = "file " + std::to_string(i + 1) + " (\"" + file.name + "\")";
      if (!check(which + " record", whole && !file.name.empty(),
                 whole ? "its name is empty" : "the payload ends inside the record"))
        return;
      check(which + " kind", isValidDestinationKind(file.kind), "unknown kind " + std::to_string(file.kind));
      check(which + " options", (file.options & ExistenceRuleMask) != InvalidExistenceRule,
            "existence rule 0x4 is not valid");
      const uint32_t sum = Checksum(data);
      check(which + " data checksum", sum == static_cast<uint32_t>(storedChecksum),
            "the data sums to " + hex(sum) + ", the record says " + hex(static_cast<uint32_t>(storedChecksum)));
      file.data.assign(data.cStr(), data.cStr() + data.length());
      result_.package.files.push_back(std::move(file));
    }
    result_.filesRead = true;
    check("payload size", payload_.remaining() == 0,
          std::to_string(payload_.remaining()) + " bytes follow the last record");
  }

  // Reads the package as the installer does, with every checksum on.
  int installerReading() {
    MemorySource source(file_.data(), static_cast<int64_t>(file_.size()));
    ArchiveHeader header;
    MessageTable messages;
    int code = ReadArchiveHeader(source, header, messages);
    if (code != ArchiveReadOk) return code;
    ByteStream payload;
    code = AppendPayloadPart(payload, header.firstPartLength(), [&](char* area, int32_t n) {
      return source.readAt(header.payloadOffset(), area, n);
    });
    for (size_t i = 0; code == ArchiveReadOk && payload.length() < header.payloadLength && i < parts_.size(); i++) {
      code = AppendPayloadPart(payload, static_cast<int64_t>(parts_[i].size()), [&](char* area, int32_t n) {
        memcpy(area, parts_[i].data(), static_cast<size_t>(n));
        return true;
      });
    }
    if (code == ArchiveReadOk) code = CheckPayloadChecksum(payload, header.payloadChecksum);
    if (code == ArchiveReadOk && header.has(PackedPayload)) code = UnpackPayload(payload);
    payload.seek(0);
    for (int32_t i = 0; code == ArchiveReadOk && i < header.fileCount; i++) {
      FileRecord record;
      code = ReadFileRecord(payload, header.fileSizes[i], true, record);
    }
    return code;
  }

  const Bytes& file_;
  const DiskLoader& loadDisk_;
  PackageSignature signature_;
  std::vector<Bytes> parts_;  // the continuation files read
  PackageContents result_;
  ByteStream header_;
  ByteStream payload_;
  bool complete_ = true;
};

}  // namespace

PackageContents ReadPackageBytes(const Bytes& file, const std::vector<Bytes>& disks) {
  const DiskLoader loader = [&disks](int number, Bytes& contents) {
    const size_t index = static_cast<size_t>(number - FirstContinuationDisk);
    if (index >= disks.size()) return false;
    contents = disks[index];
    return true;
  };
  return Reading(file, loader).run();
}

PackageContents ReadPackage(const std::string& path) {
  const Bytes file = readWholeFile(path);
  const std::string directory = directoryOf(path);
  const DiskLoader loader = [&directory](int number, Bytes& contents) {
    char name[32];
    snprintf(name, sizeof name, DiskFileFormat, number);
    return tryReadWholeFile(joinPath(directory, name), contents);
  };
  return Reading(file, loader).run();
}
