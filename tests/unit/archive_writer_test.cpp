// The archive writer: the package file laid out byte for byte as the
// installer reads it, read back by the package reader, split over disks,
// and refused where the installer could not read it.
#include "pack/archive_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "archive/byte_stream.h"
#include "archive/codec.h"
#include "pack/package_reader.h"

namespace {

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
String stringOf(const Bytes& b) { return String(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size())); }
Bytes bytesOfString(const String& s) { return Bytes(s.cStr(), s.cStr() + s.length()); }

uint32_t load32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void store32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; i++) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Package samplePackage() {
  Package p;
  PackageHeader& h = p.header;
  h.installFlags = RegisterUninstall | VerifyChecksums | PackedPayload;
  h.stubTime = {2024, 5, 1, 12, 30, 15};
  h.publisher = "Tessaform Samples";
  h.defaultProductName = "Tessa Demo";
  h.productStartMenu = "Samples\\Demo";
  h.defaultInstallDir = "Tessa Demo";
  h.displayVersion = "1.2";
  h.productRegistry = "Tessaform\\Demo";
  h.licenseText = "Licence\r\nterms";
  h.readmeText = "Read me";
  h.uninstallSubdir = "Uninstall";
  h.titleColor = 0x00FFFFFF;
  h.topColor = 0x00800000;
  h.bottomColor = 0x00000000;
  h.preInstallBatch = "echo pre";
  h.uninstallBatch2 = "echo after";
  h.languages = {"English", "Deutsch"};
  h.messages = {{"<product> Setup", "Installation von <product>"}, {"Hello", "Hallo"}, {"%d", "%d"}};
  PackageFile app;
  app.name = "bin\\app.exe";
  app.options = DesktopShortcutOption | StartMenuShortcutOption;
  app.data = bytesOf(std::string(3000, 'a') + "tail");
  app.time = {2023, 12, 31, 23, 59, 58};
  app.detail = "Tessa Demo";
  PackageFile font;
  font.name = "tessa.ttf";
  font.kind = FontFile;
  font.options = OnlyIfAbsent;
  font.data = bytesOf("font bytes");
  font.detail = "Tessa Sans";
  PackageFile empty;
  empty.name = "empty.txt";
  empty.kind = SharedFile;
  p.files = {app, font, empty};
  return p;
}

const Bytes Stub = bytesOf("MZ" + std::string(500, '\x90') + "stub end");

// Lays out a package by hand from a header block and a stored payload, as
// an independent statement of the file layout.
Bytes assemble(const Bytes& stub, const Bytes& header, const Bytes& payload) {
  const uint32_t key = Checksum(header.data(), static_cast<int32_t>(header.size()));
  Bytes stored = header;
  XorWithKey(stored.data(), static_cast<int32_t>(stored.size()), key);
  Bytes file = stub;
  store32(file, ArchiveMagic);
  store32(file, static_cast<uint32_t>(stored.size()));
  store32(file, key);
  file.insert(file.end(), stored.begin(), stored.end());
  file.insert(file.end(), payload.begin(), payload.end());
  store32(file, static_cast<uint32_t>(stub.size()));
  return file;
}

void expectSameTime(const DateTimeStamp& a, const DateTimeStamp& b) {
  EXPECT_EQ(std::vector<int>({a.year, a.month, a.day, a.hour, a.minute, a.second}),
            std::vector<int>({b.year, b.month, b.day, b.hour, b.minute, b.second}));
}

void expectSamePackage(const Package& a, const Package& b) {
  const PackageHeader &x = a.header, &y = b.header;
  EXPECT_EQ(x.installFlags, y.installFlags);
  expectSameTime(x.stubTime, y.stubTime);
  EXPECT_EQ(std::vector<std::string>({x.publisher, x.defaultProductName, x.productStartMenu, x.defaultInstallDir,
                                      x.displayVersion, x.productRegistry, x.licenseText, x.readmeText,
                                      x.uninstallSubdir, x.masterProduct, x.preInstallBatch, x.postInstallBatch,
                                      x.finalBatch, x.uninstallBatch1, x.uninstallBatch2}),
            std::vector<std::string>({y.publisher, y.defaultProductName, y.productStartMenu, y.defaultInstallDir,
                                      y.displayVersion, y.productRegistry, y.licenseText, y.readmeText,
                                      y.uninstallSubdir, y.masterProduct, y.preInstallBatch, y.postInstallBatch,
                                      y.finalBatch, y.uninstallBatch1, y.uninstallBatch2}));
  EXPECT_EQ(std::vector<uint32_t>({x.titleColor, x.topColor, x.bottomColor}),
            std::vector<uint32_t>({y.titleColor, y.topColor, y.bottomColor}));
  EXPECT_EQ(x.picture, y.picture);
  EXPECT_EQ(x.languages, y.languages);
  EXPECT_EQ(x.messages, y.messages);
  ASSERT_EQ(a.files.size(), b.files.size());
  for (size_t i = 0; i < a.files.size(); i++) {
    EXPECT_EQ(a.files[i].name, b.files[i].name);
    EXPECT_EQ(a.files[i].kind, b.files[i].kind);
    EXPECT_EQ(a.files[i].options, b.files[i].options);
    EXPECT_EQ(a.files[i].data, b.files[i].data);
    expectSameTime(a.files[i].time, b.files[i].time);
    EXPECT_EQ(a.files[i].detail, b.files[i].detail);
  }
}

std::string firstFailure(const PackageContents& contents) {
  const PackageCheck* failure = contents.firstFailure();
  return failure ? failure->name : "(none)";
}

// ---------------------------------------------------------------------------
// Layout.

TEST(ArchiveWriterTest, PackageFileLayout) {
  const Package package = samplePackage();
  const ArchiveImage image = WriteArchive(Stub, package, {});
  const Bytes& file = image.package;
  ASSERT_TRUE(std::equal(Stub.begin(), Stub.end(), file.begin()));
  const size_t h = Stub.size();
  EXPECT_EQ(load32(file, file.size() - 4), h);
  EXPECT_EQ(load32(file, h), static_cast<uint32_t>(ArchiveMagic));
  const uint32_t length = load32(file, h + 4), key = load32(file, h + 8);
  EXPECT_EQ(key, image.headerKey);

  String header = stringOf(Bytes(file.begin() + h + 12, file.begin() + h + 12 + length));
  XorWithKey(header, key);
  ASSERT_TRUE(Unpack(header)) << "the header block is packed by default";
  EXPECT_EQ(Checksum(header), key);

  const Bytes payload(file.begin() + h + 12 + length, file.end() - 4);
  EXPECT_EQ(static_cast<int32_t>(payload.size()), image.payloadLength);
  EXPECT_EQ(bytesOfString(header), HeaderBlock(package.header, package.files, Checksum(Stub.data(), static_cast<int32_t>(h)),
                                        static_cast<int32_t>(payload.size()),
                                        Checksum(payload.data(), static_cast<int32_t>(payload.size()))));
  String unpackedPayload = stringOf(payload);
  ASSERT_TRUE(Unpack(unpackedPayload));
  EXPECT_EQ(bytesOfString(unpackedPayload), PayloadRecords(package.files));
}

TEST(ArchiveWriterTest, HeaderFieldsInReadOrder) {
  Package package = samplePackage();
  package.header.installFlags |= RequiresMaster;
  package.header.masterProduct = "Tessa Base";
  package.header.picture = bytesOf("PIXELS");
  ByteStream s(stringOf(HeaderBlock(package.header, package.files, 0x11111111, 77, 0x22222222)));
  int32_t i32;
  uint32_t u32;
  String t;
  DateTimeStamp time;
  auto readInt = [&] { EXPECT_TRUE(s.readInt(i32)); return i32; };
  auto readText = [&] { EXPECT_TRUE(s.readString(t)); return std::string(t.cStr()); };
  EXPECT_EQ(static_cast<uint32_t>(readInt()), package.header.installFlags);
  ASSERT_TRUE(s.readDateTime(time));
  expectSameTime(time, package.header.stubTime);
  EXPECT_EQ(static_cast<uint32_t>(readInt()), 0x11111111u);
  EXPECT_EQ(readInt(), 3);
  EXPECT_EQ(std::vector<int>({readInt(), readInt(), readInt()}), std::vector<int>({3004, 10, 0}));
  EXPECT_EQ(readInt(), 77);
  EXPECT_EQ(static_cast<uint32_t>(readInt()), 0x22222222u);
  for (const char* expected : {"Tessaform Samples", "Tessa Demo", "Samples\\Demo", "Tessa Demo", "1.2",
                               "Tessaform\\Demo", "Licence\r\nterms", "Read me", "Uninstall"})
    EXPECT_EQ(readText(), expected);
  EXPECT_EQ(std::vector<int>({readInt(), readInt(), readInt()}), std::vector<int>({0xFFFFFF, 0x800000, 0}));
  EXPECT_EQ(readInt(), 6);
  String picture;
  ASSERT_TRUE(s.readBlock(picture, 6));
  EXPECT_EQ(std::string(picture.cStr()), "PIXELS");
  EXPECT_EQ(readText(), "Tessa Base");
  for (const char* expected : {"echo pre", "", "", "", "echo after"}) EXPECT_EQ(readText(), expected);
  ASSERT_TRUE(s.readInt(u32));
  EXPECT_EQ(u32, 0u) << "reserved";
  uint8_t languages;
  ASSERT_TRUE(s.readByte(languages));
  EXPECT_EQ(languages, 2);
  EXPECT_EQ(readInt(), 3);
  for (const char* expected : {"English", "Deutsch", "<product> Setup", "Installation von <product>", "Hello",
                               "Hallo", "%d", "%d"})
    EXPECT_EQ(readText(), expected);
  ASSERT_TRUE(s.readInt(u32));
  EXPECT_EQ(u32, HeaderEndMagic);
  EXPECT_EQ(s.remaining(), 0);
}

TEST(ArchiveWriterTest, MasterProductOnlyWithItsFlagAndColoursAlways) {
  Package package = samplePackage();
  package.header.masterProduct = "ignored without RequiresMaster";
  package.header.installFlags &= ~CustomColors;
  const Bytes with = HeaderBlock(package.header, package.files, 0, 1, 0);
  package.header.masterProduct.clear();
  EXPECT_EQ(HeaderBlock(package.header, package.files, 0, 1, 0), with);
  package.header.installFlags |= RequiresMaster;
  EXPECT_EQ(HeaderBlock(package.header, package.files, 0, 1, 0).size(), with.size() + 1);
}

TEST(ArchiveWriterTest, PayloadRecordLayout) {
  PackageFile f;
  f.name = "a.txt";
  f.kind = SystemFile;
  f.options = OnlyIfPresent;
  f.data = bytesOf("xyz");
  f.time = {2001, 2, 3, 4, 5, 6};
  f.detail = "0000000001";
  Bytes expected = bytesOf(std::string("a.txt\0", 6));
  store32(expected, 6);
  store32(expected, 8);
  expected.insert(expected.end(), f.data.begin(), f.data.end());
  store32(expected, Checksum("xyz", 3));
  for (int v : {2001, 2, 3, 4, 5, 6}) store32(expected, static_cast<uint32_t>(v));
  const std::string detail("0000000001\0", 11);
  expected.insert(expected.end(), detail.begin(), detail.end());
  EXPECT_EQ(PayloadRecords({f}), expected);
}

TEST(ArchiveWriterTest, UnpackedHeaderAndPayloadAreStoredAsTheyAre) {
  Package package = samplePackage();
  package.header.installFlags &= ~PackedPayload;
  ArchiveOptions options;
  options.packHeader = false;
  const ArchiveImage image = WriteArchive(Stub, package, options);
  const Bytes records = PayloadRecords(package.files);
  const Bytes header = HeaderBlock(package.header, package.files, Checksum(Stub.data(), static_cast<int32_t>(Stub.size())),
                                   static_cast<int32_t>(records.size()),
                                   Checksum(records.data(), static_cast<int32_t>(records.size())));
  EXPECT_EQ(image.package, assemble(Stub, header, records));
}

// ---------------------------------------------------------------------------
// Reading back.

TEST(ArchiveWriterTest, ReaderGivesBackThePackage) {
  for (bool packed : {false, true}) {
    Package package = samplePackage();
    if (!packed) package.header.installFlags &= ~PackedPayload;
    package.header.picture = bytesOf("not checked by the writer");
    ArchiveOptions options;
    options.packHeader = packed;
    options.level = PackLevel::Fast;
    const PackageContents contents = ReadPackageBytes(WriteArchive(Stub, package, options).package, {});
    EXPECT_TRUE(contents.passed()) << firstFailure(contents);
    EXPECT_EQ(contents.layout.headerPacked, packed);
    expectSamePackage(contents.package, package);
  }
}

TEST(ArchiveWriterTest, SplitsThePayloadOverDisks) {
  Package package = samplePackage();
  package.header.installFlags &= ~PackedPayload;
  package.files[0].data = bytesOf(std::string(10000, 'd'));
  ArchiveOptions options;
  const ArchiveImage whole = WriteArchive(Stub, package, options);
  options.diskSize = static_cast<int64_t>(whole.package.size() - whole.payloadLength) + 1500;
  const ArchiveImage split = WriteArchive(Stub, package, options);
  // 1,500 payload bytes in the package, then whole disks and the rest.
  const int64_t rest = whole.payloadLength - 1500;
  ASSERT_EQ(static_cast<int64_t>(split.disks.size()), (rest + options.diskSize - 1) / options.diskSize);
  EXPECT_EQ(split.package.size(), static_cast<size_t>(options.diskSize));
  Bytes joined(split.package.end() - 4 - 1500, split.package.end() - 4);
  for (const Bytes& disk : split.disks) {
    EXPECT_LE(disk.size(), static_cast<size_t>(options.diskSize));
    EXPECT_FALSE(disk.empty());
    joined.insert(joined.end(), disk.begin(), disk.end());
  }
  EXPECT_EQ(joined, Bytes(whole.package.end() - 4 - whole.payloadLength, whole.package.end() - 4));

  EXPECT_TRUE(ReadPackageBytes(split.package, split.disks).passed());
  const std::vector<Bytes> missing(split.disks.begin(), split.disks.begin() + 1);
  EXPECT_EQ(firstFailure(ReadPackageBytes(split.package, missing)), "payload part Disk3.SEA");
}

TEST(ArchiveWriterTest, DamageNamesTheFailingCheck) {
  const Package package = samplePackage();
  const Bytes good = WriteArchive(Stub, package, {}).package;
  const auto damaged = [&](size_t at) {
    Bytes b = good;
    b[at] ^= 0x40;
    return firstFailure(ReadPackageBytes(b, {}));
  };
  EXPECT_EQ(damaged(10), "program checksum");
  EXPECT_EQ(damaged(Stub.size()), "archive magic");
  EXPECT_EQ(damaged(Stub.size() + 12), "header checksum");
  EXPECT_EQ(damaged(good.size() - 10), "payload checksum");
  EXPECT_EQ(damaged(good.size() - 1), "trailer");
  EXPECT_EQ(firstFailure(ReadPackageBytes(Bytes(good.begin(), good.begin() + 10), {})), "trailer");
  EXPECT_EQ(firstFailure(ReadPackageBytes(Stub, {})), "trailer");

  // A record whose data no longer matches its own checksum, in a payload
  // whose overall checksum is right.
  Bytes records = PayloadRecords(package.files);
  records[20] ^= 1;
  Package unpacked = package;
  unpacked.header.installFlags &= ~PackedPayload;
  const Bytes plainHeader = HeaderBlock(unpacked.header, package.files, Checksum(Stub.data(), static_cast<int32_t>(Stub.size())),
                                        static_cast<int32_t>(records.size()),
                                        Checksum(records.data(), static_cast<int32_t>(records.size())));
  EXPECT_EQ(firstFailure(ReadPackageBytes(assemble(Stub, plainHeader, records), {})),
            "file 1 (\"bin\\app.exe\") data checksum");
}

TEST(ArchiveWriterTest, SameInputSameBytes) {
  const Package package = samplePackage();
  EXPECT_EQ(WriteArchive(Stub, package, {}).package, WriteArchive(Stub, package, {}).package);
}

// ---------------------------------------------------------------------------
// Refusals.

TEST(ArchiveWriterTest, RefusesWhatTheInstallerCouldNotRead) {
  const auto refusal = [](const Package& package, const Bytes& stub = Stub, ArchiveOptions options = {}) {
    try {
      WriteArchive(stub, package, options);
    } catch (const PackError& e) {
      return std::string(e.what());
    }
    return std::string("(written)");
  };
  const auto contains = [](const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  };
  Package p = samplePackage();
  EXPECT_TRUE(contains(refusal(p, {}), "stub) is empty"));

  p = samplePackage();
  p.files.clear();
  EXPECT_TRUE(contains(refusal(p), "at least one file"));

  p = samplePackage();
  p.header.publisher = std::string("a\0b", 3);
  EXPECT_TRUE(contains(refusal(p), "the publisher contains a NUL byte"));

  p = samplePackage();
  p.header.messages[1].pop_back();
  EXPECT_TRUE(contains(refusal(p), "message 1 has 1 texts for 2 languages"));

  p = samplePackage();
  p.header.languages.assign(256, "x");
  EXPECT_TRUE(contains(refusal(p), "1 to 255 languages"));

  p = samplePackage();
  p.files[1].kind = 2;
  EXPECT_TRUE(contains(refusal(p), "unknown destination kind 2"));

  p = samplePackage();
  p.files[1].options = InvalidExistenceRule;
  EXPECT_TRUE(contains(refusal(p), "invalid existence rule"));

  p = samplePackage();
  p.files[2].name.clear();
  EXPECT_TRUE(contains(refusal(p), "file 3 has an empty name"));

  ArchiveOptions tiny;
  tiny.diskSize = 600;
  EXPECT_TRUE(contains(refusal(samplePackage(), Stub, tiny), "leaves no room for the payload"));
}

}  // namespace
