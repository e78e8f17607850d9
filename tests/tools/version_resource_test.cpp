// Reading the file version of a PE image and making it comparable.
#include "pack/version_resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

void put16(Bytes& b, size_t at, uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
  put16(b, at, v);
  put16(b, at + 2, v >> 16);
}
void align4(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}

// One block of a version resource: lengths, type, UTF-16 key, value and
// children, each part aligned to four bytes.
Bytes versionBlock(const std::string& key, const std::string& text, const std::vector<Bytes>& children) {
  Bytes b(6, 0);
  for (char c : key) b.push_back(static_cast<uint8_t>(c)), b.push_back(0);
  b.push_back(0), b.push_back(0);
  align4(b);
  for (char c : text) b.push_back(static_cast<uint8_t>(c)), b.push_back(0);
  if (!text.empty()) b.push_back(0), b.push_back(0);
  for (const Bytes& child : children) {
    align4(b);
    b.insert(b.end(), child.begin(), child.end());
  }
  put16(b, 0, static_cast<uint32_t>(b.size()));
  put16(b, 2, text.empty() ? 0 : static_cast<uint32_t>(text.size() + 1));
  put16(b, 4, text.empty() ? 0 : 1);
  return b;
}

// A minimal PE32 image whose one section holds a resource tree with one
// version resource.
Bytes peWithVersion(const std::string& table, const std::string& fileVersion) {
  const Bytes info = versionBlock(
      "VS_VERSION_INFO", "",
      {versionBlock("StringFileInfo", "",
                    {versionBlock(table, "", {versionBlock("CompanyName", "Tessa", {}),
                                              versionBlock("FileVersion", fileVersion, {})})})});
  const uint32_t sectionRva = 0x1000, sectionOffset = 0x200;
  Bytes rsrc;
  // Root: one id entry, type 16 -> directory at 24; name 1 -> directory at
  // 48; language 0x409 -> data entry at 72; data at 88.
  const uint32_t dirs[][3] = {{0, 16, 0x80000000u | 24}, {24, 1, 0x80000000u | 48}, {48, 0x409, 72}};
  for (const auto& d : dirs) {
    put16(rsrc, d[0] + 14, 1);
    put32(rsrc, d[0] + 16, d[1]);
    put32(rsrc, d[0] + 20, d[2]);
  }
  put32(rsrc, 72, sectionRva + 88);
  put32(rsrc, 76, static_cast<uint32_t>(info.size()));
  rsrc.resize(88);
  rsrc.insert(rsrc.end(), info.begin(), info.end());

  Bytes pe(sectionOffset, 0);
  pe[0] = 'M', pe[1] = 'Z';
  put32(pe, 0x3C, 0x40);
  put32(pe, 0x40, 0x00004550);
  put16(pe, 0x46, 1);           // one section
  put16(pe, 0x54, 224);         // optional header size
  put16(pe, 0x58, 0x10B);       // PE32
  put32(pe, 0x58 + 92, 16);     // data directories
  put32(pe, 0x58 + 96 + 16, sectionRva);
  put32(pe, 0x58 + 96 + 20, static_cast<uint32_t>(rsrc.size()));
  const size_t section = 0x58 + 224;
  put32(pe, section + 8, static_cast<uint32_t>(rsrc.size()));
  put32(pe, section + 12, sectionRva);
  put32(pe, section + 16, static_cast<uint32_t>(rsrc.size()));
  put32(pe, section + 20, sectionOffset);
  pe.insert(pe.end(), rsrc.begin(), rsrc.end());
  return pe;
}

TEST(VersionResourceTest, ReadsTheUsEnglishLatin1FileVersion) {
  EXPECT_EQ(fileVersionText(peWithVersion("040904E4", "4.00.950")), "4.00.950");
  EXPECT_EQ(fileVersionText(peWithVersion("040904e4", "1.2")), "1.2") << "keys compare without case";
  EXPECT_EQ(fileVersionText(peWithVersion("040904B0", "1.2")), "") << "other tables are not read";
}

TEST(VersionResourceTest, DamagedOrForeignFilesGiveNoVersion) {
  const Bytes good = peWithVersion("040904E4", "1.2.3");
  EXPECT_EQ(fileVersionText({}), "");
  EXPECT_EQ(fileVersionText(Bytes(good.begin(), good.begin() + 0x100)), "");
  EXPECT_EQ(fileVersionText(Bytes(good.begin(), good.end() - 10)), "");
  Bytes notPe = good;
  notPe[0x40] = 'X';
  EXPECT_EQ(fileVersionText(notPe), "");
  // Every single-byte change and cut must stay inside the file.
  for (size_t at = 0; at < good.size(); at += 3) {
    Bytes b = good;
    b[at] ^= 0xFF;
    fileVersionText(b);
    fileVersionText(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(at)));
  }
}

TEST(VersionResourceTest, RealLibraryWhenPresent) {
  std::ifstream in("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/npmshtml.dll", std::ios::binary);
  if (!in) GTEST_SKIP() << "no Wine library to read";
  const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(fileVersionText(file).empty());
}

TEST(ComparableVersionTest, PadsEveryField) {
  EXPECT_EQ(comparableVersion("4.00.950"), "0000000004.0000000000.0000000950");
  EXPECT_EQ(comparableVersion("1.2"), "0000000001.0000000002");
  EXPECT_EQ(comparableVersion("12345678901.1"), "12345678901.0000000001");
  EXPECT_EQ(comparableVersion("1.2b"), "0000000001.000000002B");
  EXPECT_EQ(comparableVersion(""), "");
  EXPECT_LT(comparableVersion("1.9"), comparableVersion("1.10"));
}

}  // namespace
