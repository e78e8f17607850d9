// The installer meets damaged packages: every corrupt-archive code reached
// through the real program, with the exact text (built in while the header
// is read, message 13 of the package afterwards) and exit code 1; and the
// packages it must accept.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "archive/corrupt_codes.h"
#include "tests/e2e/archive_package.h"
#include "tests/e2e/e2e_fixture.h"

namespace {

using e2e::Package;

const char PackageFormat[] = "Damaged package: code %d.";
std::string packageText(int code) { return "Damaged package: code " + std::to_string(code) + "."; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Package soundPackage() {
  Package p;
  p.messages.assign(30, "");
  p.messages[13] = PackageFormat;
  return p;
}

struct Case {
  const char* what;
  std::function<void(Package&)> change;
  std::function<void(std::string&, size_t stubSize)> patch;
  std::string text;
};

class ArchiveCodes : public EndToEnd {
 protected:
  void SetUp() override {
    stub_ = readFile(ProgramPath());
    ASSERT_GT(stub_.size(), 4u);
  }

  // Writes the package to a file of its own and starts it without questions
  // (into the default directory), so that the payload is read at once.
  void startPackage(const std::string& bytes) {
    const std::string path = scratchDirectory() + "/setup" + std::to_string(++written_) + ".exe";
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    start(commandLineFor(path, "/a"), path);
  }

  std::string packageBytes(const Case& c) {
    Package p = soundPackage();
    if (c.change) c.change(p);
    std::string bytes = e2e::packageFile(stub_, p);
    if (c.patch) c.patch(bytes, stub_.size());
    return bytes;
  }

  void expectFatal(const Case& c) {
    SCOPED_TRACE(c.what);
    startPackage(packageBytes(c));
    driver::Window box = expectBox(FatalCaption);
    EXPECT_EQ(lineEnds(box.messageText()), lineEnds(c.text)) << box.describe();
    EXPECT_EQ(dismissAndWait(box), 1);
    captureFailureAndEnd();
  }

  void expectQuietEnd(const Case& c) {
    SCOPED_TRACE(c.what);
    startPackage(packageBytes(c));
    EXPECT_EQ(waitForExit(), 1);
    captureFailureAndEnd();
  }

  std::string stub_;
  int written_ = 0;
};

void setL(std::string& bytes, size_t stubSize, uint32_t length) {
  for (int i = 0; i < 4; i++) bytes[stubSize + 4 + i] = static_cast<char>(length >> (8 * i));
}

TEST_F(ArchiveCodes, HeaderDamageShowsTheBuiltInText) {
  const Case cases[] = {
      {"trailer 0", nullptr, [](std::string& b, size_t) { b.replace(b.size() - 4, 4, 4, '\0'); }, NoArchiveText},
      {"trailer beyond the file", nullptr,
       [](std::string& b, size_t) { b[b.size() - 1] = 0x40; }, corruptText(CorruptTrailer)},
      {"magic", nullptr, [](std::string& b, size_t h) { b[h] ^= 1; }, corruptText(CorruptMagic)},
      {"empty block", nullptr, [](std::string& b, size_t h) { setL(b, h, 0); }, corruptText(CorruptHeaderLength)},
      {"block beyond the trailer", nullptr, [](std::string& b, size_t h) { setL(b, h, 0x7FFFFFF0); },
       corruptText(CorruptFirstPartLength)},
      {"header checksum", [](Package& p) { p.key = 12345; }, nullptr, corruptText(CorruptHeaderChecksum)},
      {"no file", [](Package& p) { p.fileCount = 0; }, nullptr, corruptText(CorruptFileCount)},
      {"no file and no end magic", [](Package& p) { p.fileCount = 0, p.endMagic = 0; }, nullptr,
       corruptText(CorruptFileCount)},
      {"negative size", [](Package& p) { p.sizes = {-1}; }, nullptr, corruptText(CorruptFileSize)},
      {"no payload", [](Package& p) { p.payloadLength = 0; }, nullptr, corruptText(CorruptPayloadLength)},
      {"no language", [](Package& p) { p.languageCount = 0; }, nullptr, corruptText(CorruptLanguageCount)},
      {"10001 messages", [](Package& p) { p.messageCount = 10001; }, nullptr, corruptText(CorruptMessageCount)},
      {"end magic", [](Package& p) { p.endMagic = 0; }, nullptr, corruptText(CorruptEndMagic)},
      {"program checksum", [](Package& p) { p.stubChecksum = 1; }, nullptr, corruptText(CorruptStubChecksum)},
  };
  for (const Case& c : cases) expectFatal(c);
}

TEST_F(ArchiveCodes, PayloadDamageShowsTheMessageOfThePackage) {
  const Case cases[] = {
      {"payload checksum", [](Package& p) { p.payloadChecksum = 1; }, nullptr, packageText(CorruptPayloadChecksum)},
      {"payload checksum, no message 13", [](Package& p) { p.payloadChecksum = 1, p.messages[13] = ""; }, nullptr,
       corruptText(CorruptPayloadChecksum)},
      {"header checksum unchecked, payload checksum checked",
       [](Package& p) { p.flags = 0, p.key = 12345, p.payloadChecksum = 1; }, nullptr,
       packageText(CorruptPayloadChecksum)},
      {"not a packed block", [](Package& p) { p.flags |= PackedPayload; }, nullptr,
       packageText(CorruptPackedPayload)},
      {"empty name", [](Package& p) { p.records[0].name = ""; }, nullptr, packageText(CorruptFileName)},
      {"name leaving its directory", [](Package& p) { p.records[0].name = "..\\..\\evil.txt"; }, nullptr,
       packageText(CorruptFileName)},
      {"short data", [](Package& p) { p.sizes = {1000}; }, nullptr, packageText(CorruptFileData)},
      {"data checksum", [](Package& p) { p.records[0].checksum = 1; }, nullptr, packageText(CorruptFileChecksum)},
      {"kind 3", [](Package& p) { p.records[0].kind = 3; }, nullptr, packageText(CorruptFileKind)},
      {"existence rule 1", [](Package& p) { p.records[0].options = InvalidExistenceRule; }, nullptr,
       packageText(CorruptExistenceRule)},
  };
  for (const Case& c : cases) expectFatal(c);
}

TEST_F(ArchiveCodes, SoundPackagesAreRead) {
  expectQuietEnd({"unpacked header block", nullptr, nullptr, ""});
  expectQuietEnd({"data checksum unchecked", [](Package& p) { p.flags = 0, p.records[0].checksum = 1; }, nullptr, ""});
  expectQuietEnd({"10000 messages", [](Package& p) { p.messages.resize(10000, "m"); }, nullptr, ""});
}

// More bytes than the program can hold (a byte stream ends at 1 GiB) cannot
// be read: the program's own bytes before a header beyond 1 GiB (35), and a
// first payload part of more than 1 GiB (50). The files are sparse.
TEST_F(ArchiveCodes, PartsTooLargeToHold) {
  const std::streamoff gap = std::streamoff{1} << 30;
  const std::string archive = e2e::packageFile(stub_, soundPackage()).substr(stub_.size());
  const std::string directory = scratchDirectory();
  struct Layout {
    const char* what;
    std::string head;
    std::string tail;
    std::string text;
  };
  std::string farArchive = archive;
  farArchive.replace(farArchive.size() - 4, 4, "");
  e2e::put32(farArchive, static_cast<uint32_t>(stub_.size() + gap));
  const Layout layouts[] = {
      {"program", stub_, farArchive, corruptText(CorruptStubUnreadable)},
      {"payload", stub_ + archive.substr(0, archive.size() - 4), archive.substr(archive.size() - 4),
       packageText(CorruptPartUnreadable)},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.what);
    const std::string path = directory + "/" + layout.what + ".exe";
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(layout.head.data(), static_cast<std::streamsize>(layout.head.size()));
      out.seekp(static_cast<std::streamoff>(layout.head.size()) + gap);
      out.write(layout.tail.data(), static_cast<std::streamsize>(layout.tail.size()));
      ASSERT_TRUE(out.good());
    }
    start(commandLineFor(path, "/a"), path);
    driver::Window box = expectBox(FatalCaption);
    EXPECT_EQ(lineEnds(box.messageText()), lineEnds(layout.text)) << box.describe();
    EXPECT_EQ(dismissAndWait(box), 1);
    captureFailureAndEnd();
    DeleteFileA(driver::windowsPath(path).c_str());
  }
}

}  // namespace
