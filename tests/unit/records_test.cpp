// File records from the archive writer read back, and each record check
// with its code, including names that would leave their directory.
#include "archive/records.h"

#include <gtest/gtest.h>

#include <string>

#include "archive/codec.h"
#include "pack/archive_writer.h"

namespace {

PackageFile file(const std::string& name, const std::string& data, int32_t kind = InstallDirFile) {
  PackageFile f;
  f.name = name;
  f.kind = kind;
  f.data.assign(data.begin(), data.end());
  return f;
}

ByteStream streamOf(const Bytes& b) {
  return ByteStream(String(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size())));
}

TEST(FileRecordsTest, ReadBackInOrder) {
  PackageFile app = file("bin\\app.exe", "program bytes");
  app.options = DesktopShortcutOption | OnlyIfAbsent;
  app.time = {2023, 12, 31, 23, 59, 58};
  app.detail = "Tessa App";
  const Bytes records = PayloadRecords({app, file("empty.txt", "", SharedFile)});
  ByteStream payload = streamOf(records);
  FileRecord record;
  ASSERT_EQ(ReadFileRecord(payload, 13, true, record), ArchiveReadOk);
  EXPECT_STREQ(record.name.cStr(), "bin\\app.exe");
  EXPECT_EQ(std::string(record.data, record.size), "program bytes");
  EXPECT_EQ(record.existenceRule(), OnlyIfAbsent);
  EXPECT_EQ(record.time.second, 58);
  EXPECT_STREQ(record.detail.cStr(), "Tessa App");
  ASSERT_EQ(ReadFileRecord(payload, 0, true, record), ArchiveReadOk);
  EXPECT_EQ(record.kind, SharedFile);
  EXPECT_FALSE(record.hasTime()) << "six zero fields are no time stamp";
  EXPECT_EQ(payload.remaining(), 0);
}

// One record with every field given raw, as no builder would write it.
Bytes rawRecord(const std::string& name, int32_t kind, int32_t options, const std::string& data, uint32_t checksum) {
  Bytes b(name.begin(), name.end());
  b.push_back(0);
  auto put = [&b](uint32_t v) {
    for (int i = 0; i < 4; i++) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put(kind);
  put(options);
  b.insert(b.end(), data.begin(), data.end());
  put(checksum);
  for (int i = 0; i < 6; i++) put(0);
  b.push_back(0);
  return b;
}

TEST(FileRecordsTest, ChecksInOrder) {
  const uint32_t good = Checksum("data", 4);
  struct Case {
    const char* what;
    Bytes record;
    int32_t size;
    bool verify;
    int code;
  };
  const Case cases[] = {
      {"empty name", rawRecord("", 0, 0, "data", good), 4, true, CorruptFileName},
      {"short data", rawRecord("a", 0, 0, "data", good), 40, true, CorruptFileData},
      {"bad checksum", rawRecord("a", 2, 4, "data", 1), 4, true, CorruptFileChecksum},
      {"bad checksum unverified", rawRecord("a", 0, 0, "data", 1), 4, false, ArchiveReadOk},
      {"kind 2", rawRecord("a", 2, 4, "data", good), 4, true, CorruptFileKind},
      {"kind 3", rawRecord("a", 3, 0, "data", good), 4, true, CorruptFileKind},
      {"rule 1", rawRecord("a", FontFile, InvalidExistenceRule, "data", good), 4, true, CorruptExistenceRule},
  };
  for (const Case& c : cases) {
    ByteStream payload = streamOf(c.record);
    FileRecord record;
    EXPECT_EQ(ReadFileRecord(payload, c.size, c.verify, record), c.code) << c.what;
  }
  // A record cut inside its time stamp, or before its detail's NUL.
  for (size_t cut : {size_t{10}, size_t{1}}) {
    Bytes record = rawRecord("a", 0, 0, "data", good);
    record.resize(record.size() - cut);
    ByteStream payload = streamOf(record);
    FileRecord read;
    EXPECT_EQ(ReadFileRecord(payload, 4, true, read), CorruptFileData) << cut;
  }
}

TEST(FileRecordsTest, NamesMustStayInsideTheirDirectory) {
  for (const char* name : {"C:\\Windows\\x.dll", "c:x", "\\x", "/x", "\\\\server\\share\\x", "..\\x",
                           "a\\..\\..\\x", "a/../../x", "..", "a\\. .\\x", "a\\...\\x", "a\\.. \\x", "x.txt:stream",
                           "CON", "nul.txt", "bin\\Aux.c", "com1", "LPT9 .log", "prn\\x"}) {
    EXPECT_FALSE(IsContainedFileName(name)) << name;
    ByteStream payload = streamOf(rawRecord(name, 0, 0, "", Checksum("", 0)));
    FileRecord record;
    EXPECT_EQ(ReadFileRecord(payload, 0, true, record), CorruptFileName) << name;
  }
  for (const char* name : {"a.txt", "bin\\a.exe", "a..b\\c", ".profile", "a\\.\\b", "dir/sub/file", "x..",
                           "CONFIG.SYS", "com10", "com0", "LPT", "nul_", "a.con", "console\\x"})
    EXPECT_TRUE(IsContainedFileName(name)) << name;
  // Hidden parents: behind a slash, at the end, padded with blanks.
  for (const char* name : {"a\\..", "a/..", " ..\\x", "a\\ .. \\x", "./../x", "a\\b\\..\\..\\..\\x"})
    EXPECT_FALSE(IsContainedFileName(name)) << name;
}

}  // namespace
