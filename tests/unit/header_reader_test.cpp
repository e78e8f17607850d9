// The header reader on packages from the archive writer: every field read
// back, every check with its code, the order of the checks, and the rules
// that follow from the header (colours, start-menu folder).
#include "archive/header_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "archive/codec.h"
#include "pack/archive_writer.h"

namespace {

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void append32(Bytes& b, uint32_t v) {
  b.resize(b.size() + 4);
  put32(b, b.size() - 4, v);
}

const Bytes Stub = bytesOf("MZ" + std::string(300, '\x90') + "stub end");

Package samplePackage(uint32_t flags = RegisterUninstall | VerifyChecksums | PackedPayload | CustomColors) {
  Package p;
  PackageHeader& h = p.header;
  h.installFlags = flags;
  h.stubTime = {2024, 5, 1, 12, 30, 15};
  h.publisher = "Tessaform Samples";
  h.defaultProductName = "Tessa Demo";
  h.defaultInstallDir = "<os>\\Demo";
  h.displayVersion = "1.2";
  h.licenseText = "Licence";
  h.uninstallSubdir = "Uninstall";
  h.titleColor = 0x00FFFFFF;
  h.topColor = 0x00800000;
  h.bottomColor = 0x00000080;
  h.masterProduct = "Tessa Base";
  h.preInstallBatch = "echo pre";
  h.uninstallBatch2 = "echo after";
  h.languages = {"English", "Deutsch"};
  h.messages = {{"<product> Setup", "Installation von <product>"}, {"Hello", "Hallo"}};
  PackageFile app;
  app.name = "bin\\app.exe";
  app.data = bytesOf(std::string(3000, 'a') + "tail");
  PackageFile font;
  font.name = "tessa.ttf";
  font.kind = FontFile;
  font.data = bytesOf("font bytes");
  p.files = {app, font};
  return p;
}

// The program, the prefix, the stored block (the unpacked block XORed with
// key, which need not be its checksum), the payload and the trailer.
Bytes assemble(const Bytes& block, uint32_t key, const Bytes& payload = bytesOf("payload")) {
  Bytes stored = block;
  XorWithKey(stored.data(), static_cast<int32_t>(stored.size()), key);
  Bytes file = Stub;
  append32(file, ArchiveMagic);
  append32(file, static_cast<uint32_t>(stored.size()));
  append32(file, key);
  file.insert(file.end(), stored.begin(), stored.end());
  file.insert(file.end(), payload.begin(), payload.end());
  append32(file, static_cast<uint32_t>(Stub.size()));
  return file;
}

Bytes blockOf(const Package& p) {
  return HeaderBlock(p.header, p.files, Checksum(Stub.data(), static_cast<int32_t>(Stub.size())), 7, 0);
}
Bytes assemble(const Bytes& block) { return assemble(block, Checksum(block.data(), static_cast<int32_t>(block.size()))); }

// Where the language count lies: before the message count, the names and
// the table, which end with the end magic.
size_t languageCountAt(const Package& p, const Bytes& block) {
  size_t texts = 0;
  for (const std::string& name : p.header.languages) texts += name.size() + 1;
  for (const auto& message : p.header.messages)
    for (const std::string& text : message) texts += text.size() + 1;
  return block.size() - 4 - texts - 4 - 1;
}

class HeaderReader : public ::testing::Test {
 protected:
  int read(const Bytes& file) {
    MemorySource source(file.data(), static_cast<int64_t>(file.size()));
    header = ArchiveHeader();
    return ReadArchiveHeader(source, header, messages);
  }
  ArchiveHeader header;
  MessageTable messages;
};

TEST_F(HeaderReader, ReadsEveryFieldTheWriterStores) {
  const Package p = samplePackage(RegisterUninstall | VerifyChecksums | PackedPayload | CustomColors | RequiresMaster);
  for (bool packHeader : {true, false}) {
    ArchiveOptions options;
    options.packHeader = packHeader;
    const ArchiveImage image = WriteArchive(Stub, p, options);
    ASSERT_EQ(read(image.package), ArchiveReadOk) << "packed header: " << packHeader;
    EXPECT_EQ(header.installFlags, p.header.installFlags);
    EXPECT_EQ(header.stubTime.year, 2024);
    EXPECT_EQ(header.stubTime.second, 15);
    EXPECT_EQ(header.fileCount, 2);
    EXPECT_EQ(header.fileSizes[0], 3004);
    EXPECT_EQ(header.fileSizes[1], 10);
    EXPECT_EQ(header.payloadLength, image.payloadLength);
    EXPECT_EQ(header.firstPartLength(), image.payloadLength);
    EXPECT_STREQ(header.publisher.cStr(), "Tessaform Samples");
    EXPECT_STREQ(header.defaultInstallDir.cStr(), "<os>\\Demo");
    EXPECT_STREQ(header.uninstallSubdir.cStr(), "Uninstall");
    EXPECT_EQ(header.bottomColor, 0x80u);
    EXPECT_STREQ(header.masterProduct.cStr(), "Tessa Base");
    EXPECT_STREQ(header.uninstallBatch2.cStr(), "echo after");
    EXPECT_EQ(header.stubBytes.length(), static_cast<int>(Stub.size()));
    EXPECT_EQ(messages.languageCount(), 2);
    EXPECT_STREQ(messages.languageName(1).cStr(), "Deutsch");
    EXPECT_STREQ(messages.lookup(1, 1, "", nullptr).cStr(), "Hallo");
  }
}

TEST_F(HeaderReader, FieldsThatDependOnFlagsAreSkipped) {
  Package p = samplePackage(0);  // no CustomColors, no RequiresMaster
  ASSERT_EQ(read(WriteArchive(Stub, p, {}).package), ArchiveReadOk);
  EXPECT_EQ(header.topColor, 0u);
  EXPECT_TRUE(header.masterProduct.isEmpty());
  EXPECT_TRUE(header.picture.isEmpty());
  EXPECT_STREQ(header.preInstallBatch.cStr(), "echo pre");
}

TEST_F(HeaderReader, TrailerPrefixAndBlockLength) {
  const Bytes good = WriteArchive(Stub, samplePackage(), {}).package;
  const size_t h = Stub.size();
  Bytes file = good;
  put32(file, file.size() - 4, 0);
  EXPECT_EQ(read(file), NoArchivePresent);
  EXPECT_EQ(read(bytesOf("abc")), CorruptTrailer);
  for (uint32_t trailer : {0x80000000u, static_cast<uint32_t>(good.size() - 3)}) {
    put32(file, file.size() - 4, trailer);
    EXPECT_EQ(read(file), CorruptTrailer) << trailer;
  }
  file = good;
  file[h] ^= 1;
  EXPECT_EQ(read(file), CorruptMagic);
  file = good;
  put32(file, h + 4, 0);
  EXPECT_EQ(read(file), CorruptHeaderLength);
  // A length beyond the trailer is refused before the block is allocated.
  for (uint32_t length : {0x7FFFFFFFu, static_cast<uint32_t>(good.size() - h - 15)}) {
    put32(file, h + 4, length);
    EXPECT_EQ(read(file), CorruptFirstPartLength) << length;
  }
  // The prefix itself lies partly beyond the end: it reads as zero.
  file = good;
  put32(file, file.size() - 4, static_cast<uint32_t>(good.size() - 6));
  EXPECT_EQ(read(file), CorruptMagic);
}

TEST_F(HeaderReader, ChecksumsAreCheckedOnlyWithVerifyChecksums) {
  for (uint32_t flags : {uint32_t{VerifyChecksums}, 0u}) {
    const Bytes block = blockOf(samplePackage(flags));
    const int expected = flags ? CorruptHeaderChecksum : ArchiveReadOk;
    EXPECT_EQ(read(assemble(block, 0x12345678)), expected) << "header, flags " << flags;
    Bytes file = assemble(block);
    file[10] ^= 0x40;  // a byte of the program
    EXPECT_EQ(read(file), flags ? CorruptStubChecksum : ArchiveReadOk) << "program, flags " << flags;
  }
}

TEST_F(HeaderReader, FieldChecksInOrder) {
  const Package p = samplePackage();
  const Bytes good = blockOf(p);
  const size_t payloadLengthAt = 36 + 4 * p.files.size();
  const size_t languagesAt = languageCountAt(p, good);
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    bool isByte;
    int code;
  };
  const Case cases[] = {
      {"no file", 32, 0, false, CorruptFileCount},
      {"negative size", 40, 0xFFFFFFFF, false, CorruptFileSize},
      {"no payload", payloadLengthAt, 0, false, CorruptPayloadLength},
      {"no language", languagesAt, 0, true, CorruptLanguageCount},
      {"10001 messages", languagesAt + 1, 10001, false, CorruptMessageCount},
      {"no message", languagesAt + 1, 0, false, CorruptMessageCount},
      {"end magic", good.size() - 4, 0, false, CorruptEndMagic},
      {"texts beyond the end", languagesAt + 1, 3, false, CorruptEndMagic},
  };
  for (const Case& c : cases) {
    Bytes block = good;
    if (c.isByte) block[c.at] = static_cast<uint8_t>(c.value);
    else put32(block, c.at, c.value);
    EXPECT_EQ(read(assemble(block)), c.code) << c.what;
    EXPECT_TRUE(messages.isEmpty()) << c.what;
    // Broken twice: the earlier check names the code.
    put32(block, block.size() - 4, 0);
    EXPECT_EQ(read(assemble(block)), c.code) << c.what << " and no end magic";
  }
  Bytes cut = good;
  cut.resize(cut.size() - 6);
  EXPECT_EQ(read(assemble(cut)), CorruptEndMagic);
}

TEST_F(HeaderReader, CountsBeyondTheBlockAllocateNothing) {
  Bytes block = blockOf(samplePackage());
  put32(block, 32, 0x7FFFFFFF);  // the sizes run far past the end and read as zero
  EXPECT_NE(read(assemble(block)), ArchiveReadOk);
  EXPECT_LE(header.fileSizes.count(), static_cast<int>(block.size() / 4));
}

TEST_F(HeaderReader, TenThousandMessagesFit) {
  Package p = samplePackage();
  p.header.languages = {"English"};
  p.header.messages.assign(10000, {"m"});
  ASSERT_EQ(read(assemble(blockOf(p))), ArchiveReadOk);
  EXPECT_EQ(messages.messageCount(), 10000);
  EXPECT_STREQ(messages.lookup(9999, 0, "", nullptr).cStr(), "m");
  EXPECT_TRUE(messages.lookup(10000, 0, "", nullptr).isEmpty());
}

class FailingStubSource : public MemorySource {
 public:
  using MemorySource::MemorySource;
  bool readAt(int64_t offset, void* buffer, int32_t n) override {
    return offset != 0 && MemorySource::readAt(offset, buffer, n);
  }
};

TEST_F(HeaderReader, UnreadableProgramBytes) {
  const Bytes file = WriteArchive(Stub, samplePackage(), {}).package;
  FailingStubSource source(file.data(), static_cast<int64_t>(file.size()));
  EXPECT_EQ(ReadArchiveHeader(source, header, messages), CorruptStubUnreadable);
  EXPECT_TRUE(messages.isEmpty());
}

TEST(HeaderRules, ColoursAndStartMenuFolder) {
  ArchiveHeader h;
  h.titleColor = 1;
  h.topColor = 2;
  h.bottomColor = 3;
  BackgroundColours c = {10, 20, 30, true};
  ApplyHeaderColours(h, c);
  EXPECT_EQ(c.title, 10u) << "neither CustomColors nor a picture";
  h.picture = "BM";
  ApplyHeaderColours(h, c);
  EXPECT_EQ(c.title, 1u);
  EXPECT_EQ(c.top, 20u);
  h.installFlags = CustomColors;
  ApplyHeaderColours(h, c);
  EXPECT_EQ(c.top, 2u);
  EXPECT_EQ(c.bottom, 3u);
  EXPECT_FALSE(c.mono);
  c.mono = true;
  h.bottomColor = 2;
  ApplyHeaderColours(h, c);
  EXPECT_TRUE(c.mono);

  EXPECT_STREQ(StartMenuFolder(h, "Demo").cStr(), "Demo");
  h.publisher = "Maker";
  EXPECT_STREQ(StartMenuFolder(h, "Demo").cStr(), "Maker\\Demo");
  h.productStartMenu = "Own";
  EXPECT_STREQ(StartMenuFolder(h, "Demo").cStr(), "Own");
}

}  // namespace
