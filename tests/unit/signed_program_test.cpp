// Signed packages as the readers see them: a package with a certificate
// table appended the way a signer does it (padding, header fields) reads
// exactly as it did unsigned, whatever the padding and however many zero
// bytes end the trailer; damage is still found; the builder writes the
// program's PE checksum as 0 and prepares a package for the signer.
#include "archive/signed_program.h"

#include <gtest/gtest.h>

#include "archive/header_reader.h"
#include "pack/archive_writer.h"
#include "pack/package_reader.h"
#include "pack/sign.h"
#include "tests/unit/minimal_program.h"

namespace {

using namespace test_program;

Package samplePackage() {
  Package p;
  p.header.installFlags = VerifyChecksums | PackedPayload;
  p.header.defaultProductName = "Signed";
  p.header.languages = {"English"};
  p.header.messages = {{"Setup"}};
  PackageFile file;
  file.name = "app.txt";
  file.data = Bytes(5000, 'a');
  p.files.push_back(file);
  return p;
}

Bytes unsignedPackage(size_t programExtra) {
  return WriteArchive(MinimalProgram(programExtra), samplePackage(), ArchiveOptions()).package;
}

// What a signer does: `padding` zero bytes, the table, the security entry
// pointing at it and a new PE checksum.
Bytes signedLike(Bytes package, size_t padding, uint32_t tableLength = 1200) {
  package.insert(package.end(), padding, 0);
  const uint32_t table = static_cast<uint32_t>(package.size());
  package.insert(package.end(), tableLength, 0x5A);
  put32(package, SecurityEntry, table);
  put32(package, SecurityEntry + 4, tableLength);
  put32(package, ChecksumField, 0xDEADBEEF);
  return package;
}

int readHeader(const Bytes& package, ArchiveHeader& header) {
  MemorySource source(package.data(), static_cast<int64_t>(package.size()));
  MessageTable messages;
  return ReadArchiveHeader(source, header, messages);
}

std::string failedChecks(const PackageContents& contents, const std::string& except = "") {
  std::string failed;
  for (const PackageCheck& c : contents.checks) {
    if (!c.passed && c.name != except) failed += c.name + ": " + c.detail + "\n";
  }
  return failed;
}

TEST(SignedPackage, ReadsAsUnsignedWithAnyPaddingAndTrailer) {
  // Programs of 0x404 and 0x1000 bytes: trailers 04 04 00 00 and 00 10 00 00.
  for (size_t extra : {size_t{4}, size_t{0xC00}}) {
    const Bytes plain = unsignedPackage(extra);
    ArchiveHeader expected;
    ASSERT_EQ(readHeader(plain, expected), ArchiveReadOk);
    EXPECT_FALSE(expected.signedPackage);
    for (size_t padding = 0; padding < 8; padding++) {
      SCOPED_TRACE("program " + std::to_string(extra) + ", padding " + std::to_string(padding));
      const Bytes package = signedLike(plain, padding);
      ArchiveHeader header;
      ASSERT_EQ(readHeader(package, header), ArchiveReadOk);
      EXPECT_TRUE(header.signedPackage);
      EXPECT_EQ(header.archiveEnd, static_cast<int64_t>(plain.size()));
      EXPECT_EQ(header.headerOffset, expected.headerOffset);
      EXPECT_EQ(header.firstPartLength(), expected.firstPartLength());
      EXPECT_TRUE(header.stubBytes == expected.stubBytes) << "the program as the builder wrote it";
      EXPECT_EQ(failedChecks(ReadPackageBytes(package, {}), "signature"), "");
    }
  }
}

TEST(SignedPackage, DamageIsFoundAsInTheUnsignedPackage) {
  const Bytes plain = unsignedPackage(4);
  ArchiveHeader header;
  ASSERT_EQ(readHeader(plain, header), ArchiveReadOk);
  const size_t payload = static_cast<size_t>(header.payloadOffset()) + 10;
  struct Case {
    const char* what;
    size_t offset;
    int installerCode;        // from ReadArchiveHeader
    const char* failedCheck;  // the first the package reader names
  } cases[] = {
      {"program byte", 0x300, CorruptStubChecksum, "program checksum"},
      {"payload byte", payload, ArchiveReadOk, "payload checksum"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes damagedPlain = plain;
    damagedPlain[c.offset] ^= 0x20;
    for (const Bytes& package : {damagedPlain, signedLike(damagedPlain, 4)}) {
      ArchiveHeader read;
      EXPECT_EQ(readHeader(package, read), c.installerCode);
      const PackageContents contents = ReadPackageBytes(package, {});
      const std::string failed = failedChecks(contents, "signature");
      EXPECT_EQ(failed.substr(0, failed.find(':')), c.failedCheck) << failed;
    }
  }
  // A table that does not end the file is no signature: the file reads as
  // an unsigned one with bytes appended.
  Bytes notAtEnd = signedLike(plain, 0);
  notAtEnd.push_back(1);
  ArchiveHeader read;
  EXPECT_NE(readHeader(notAtEnd, read), ArchiveReadOk);
  EXPECT_FALSE(read.signedPackage);
}

TEST(SignedPackage, BuilderPreparesTheProgramAndThePackage) {
  // The PE checksum field is written as 0; other programs stay as given.
  const Bytes plain = unsignedPackage(4);
  EXPECT_EQ(get32(plain, ChecksumField), 0u);
  EXPECT_EQ(get32(MinimalProgram(4), ChecksumField), 0x1ABCDu);
  const Bytes other = {'M', 'Z', 1, 2, 3};
  EXPECT_TRUE(std::equal(other.begin(), other.end(), WriteArchive(other, samplePackage(), ArchiveOptions()).package.begin()));

  // For the signer: a multiple of 8 bytes through empty items in the header
  // block, read the same; a signed package gives back the same bytes.
  for (size_t extra = 0; extra < 8; extra++) {
    SCOPED_TRACE(extra);
    const Bytes package = unsignedPackage(extra);
    const Bytes prepared = UnsignedForSigning(package);
    EXPECT_EQ(prepared.size() % 8, 0u);
    EXPECT_LT(prepared.size() - package.size(), 8u);
    EXPECT_EQ(failedChecks(ReadPackageBytes(prepared, {})), "");
    EXPECT_TRUE(UnsignedForSigning(signedLike(prepared, 0)) == prepared);
    ArchiveHeader a, b;
    ASSERT_EQ(readHeader(package, a), ArchiveReadOk);
    ASSERT_EQ(readHeader(prepared, b), ArchiveReadOk);
    EXPECT_EQ(a.key, b.key);
    EXPECT_EQ(b.storedHeaderLength - a.storedHeaderLength, static_cast<int32_t>(prepared.size() - package.size()));
  }
  // What cannot be signed so that it still reads: a program with a PE
  // checksum (an earlier builder's package) or a signature of its own.
  Bytes withChecksum = unsignedPackage(4);
  put32(withChecksum, ChecksumField, 0x1234);
  Bytes withSignature = unsignedPackage(4);
  put32(withSignature, SecurityEntry, 0x300);
  put32(withSignature, SecurityEntry + 4, 0x10);
  for (const Bytes& package : {withChecksum, withSignature, WriteArchive(other, samplePackage(), ArchiveOptions()).package})
    EXPECT_THROW(UnsignedForSigning(package), PackError);
}

}  // namespace
