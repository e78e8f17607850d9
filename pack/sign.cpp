#include "pack/sign.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include <filesystem>
#include <vector>

#include "archive/codec.h"
#include "archive/header_reader.h"
#include "archive/signed_program.h"
#include "pack/codepage.h"
#include "pack/file_io.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace {

// An empty short-literal item: it unpacks to nothing, so a packed block
// followed by any number of them unpacks to the same bytes.
constexpr uint8_t EmptyItem = ShortLiteralItem;
constexpr int SignerAlignment = 8;

// A directory of its own for the signer's input, output and report,
// removed with everything in it.
class WorkDirectory {
 public:
  WorkDirectory() {
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 1000; attempt++) {
      const fs::path candidate = base / ("tessapack-sign-" + std::to_string(processId()) + "-" + std::to_string(attempt));
      std::error_code error;
      if (fs::create_directory(candidate, error)) {
        path_ = candidate;
        return;
      }
    }
    throw PackError("cannot make a working directory in " + base.string());
  }
  ~WorkDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string file(const char* name) const { return (path_ / name).string(); }

 private:
  static long processId() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<long>(getpid());
#endif
  }
  fs::path path_;
};

#ifdef _WIN32
// One argument of a Windows command line, quoted so that the program's
// start-up code splits it back out unchanged.
std::string quotedArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      backslashes++;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}
#endif

// Runs the program args[0] (searched in PATH) with its output and errors
// going to `report`; returns its exit status, or -1 when it could not be
// started.
int runProgram(const std::vector<std::string>& args, const std::string& report) {
#ifdef _WIN32
  std::vector<std::string> quoted;
  for (const std::string& arg : args) quoted.push_back(quotedArgument(arg));
  std::vector<const char*> argv;
  for (const std::string& arg : quoted) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  // The child takes the C runtime's descriptors 1 and 2 as they stand.
  const int log = _open(report.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0600);
  if (log < 0) return -1;
  const int savedOut = _dup(1), savedErr = _dup(2);
  _dup2(log, 1);
  _dup2(log, 2);
  const intptr_t status = _spawnvp(_P_WAIT, args[0].c_str(), argv.data());
  _dup2(savedOut, 1);
  _dup2(savedErr, 2);
  _close(savedOut);
  _close(savedErr);
  _close(log);
  return static_cast<int>(status);
#else
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t child = 0;
  const int started = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// The signer's report, trimmed to what helps: its last few lines.
std::string reportText(const std::string& path) {
  Bytes bytes;
  if (!tryReadWholeFile(path, bytes)) return "";
  std::string text(bytes.begin(), bytes.end());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  size_t start = text.size();
  for (int lines = 0; lines < 4 && start != std::string::npos && start > 0; lines++) start = text.rfind('\n', start - 1);
  return start == std::string::npos ? text : "..." + text.substr(start);
}

std::vector<std::string> signerArguments(const SigningOptions& options, const std::string& in,
                                         const std::string& out) {
  std::vector<std::string> args = {SignerProgram(), "sign", "-h", "sha256"};
  if (options.key.empty()) {
    args.insert(args.end(), {"-pkcs12", options.certificate});
  } else {
    args.insert(args.end(), {"-certs", options.certificate, "-key", options.key});
  }
  if (!options.password.empty()) args.insert(args.end(), {"-pass", options.password});
  if (!options.passwordFile.empty()) args.insert(args.end(), {"-readpass", options.passwordFile});
  if (!options.description.empty()) args.insert(args.end(), {"-n", options.description});
  if (!options.timestampUrl.empty()) args.insert(args.end(), {"-ts", options.timestampUrl});
  args.insert(args.end(), {"-in", in, "-out", out});
  return args;
}

// Reads the package's archive as the installer does; throws when it could
// not, naming the corrupt-archive code.
void readAsInstaller(const Bytes& package, ArchiveHeader& header, const std::string& which) {
  MemorySource source(package.data(), static_cast<int64_t>(package.size()));
  MessageTable messages;
  const int code = ReadArchiveHeader(source, header, messages);
  if (code == NoArchivePresent) throw PackError(which + " carries no archive");
  if (code != ArchiveReadOk)
    throw PackError(which + " is no readable package (the installer would report corrupt-archive code " +
                    std::to_string(code) + ")");
}

// Lengthens the stored header block with empty items (scrambled as the
// block is) so that the file's size becomes a multiple of the signer's
// alignment. A block stored unpacked cannot be lengthened; the signer then
// pads, which the reader also accepts.
void alignForSigner(Bytes& package, const ArchiveHeader& header) {
  const size_t missing = (SignerAlignment - package.size() % SignerAlignment) % SignerAlignment;
  const size_t blockStart = static_cast<size_t>(header.headerOffset) + ArchivePrefixSize;
  uint8_t first[4];
  memcpy(first, package.data() + blockStart, 4);
  XorWithKey(first, 4, header.key);
  if (missing == 0 || loadLittleEndian32(first) != PackedBlockMagic) return;
  const size_t blockEnd = blockStart + static_cast<size_t>(header.storedHeaderLength);
  Bytes items(missing);
  uint8_t key[4];
  storeLittleEndian32(key, header.key);
  for (size_t i = 0; i < missing; i++) items[i] = EmptyItem ^ key[(header.storedHeaderLength + i) % 4];
  package.insert(package.begin() + static_cast<std::ptrdiff_t>(blockEnd), items.begin(), items.end());
  storeLittleEndian32(package.data() + header.headerOffset + 4,
                      static_cast<uint32_t>(header.storedHeaderLength + static_cast<int32_t>(missing)));
}

}  // namespace

std::string SignerProgram() {
  const char* given = getenv("TESSA_OSSLSIGNCODE");
  return given != nullptr && given[0] != 0 ? given : "osslsigncode";
}

Bytes UnsignedForSigning(const Bytes& package) {
  ArchiveHeader header;
  readAsInstaller(package, header, "the package");
  Bytes unsigned_(package.begin(), package.begin() + header.archiveEnd);
  memcpy(unsigned_.data(), header.stubBytes.cStr(), static_cast<size_t>(header.headerOffset));
  ProgramHeaderFields fields;
  const int32_t headLength = std::min<int32_t>(header.headerOffset, PeHeaderReadLength);
  if (!FindProgramHeaderFields(unsigned_.data(), headLength, fields))
    throw PackError("the package's installer program is no Windows program (PE file) that can be signed");
  if (loadLittleEndian32(unsigned_.data() + fields.checksumOffset) != 0)
    throw PackError("the package's installer program has a PE checksum, which signing would change: "
                    "the package comes from an earlier tessapack; build it again");
  if (fields.securityTableOffset != 0 || fields.securityTableLength != 0)
    throw PackError("the package's installer program carries a signature of its own; "
                    "build the package from the unsigned program");
  if (Checksum(header.stubBytes) != header.stubChecksum)
    throw PackError("the package's installer program does not match its checksum in the header");
  alignForSigner(unsigned_, header);
  return unsigned_;
}

Bytes SignPackageBytes(const Bytes& package, const SigningOptions& options) {
  if (options.certificate.empty()) throw PackError("signing needs a certificate (--cert)");
  const Bytes prepared = UnsignedForSigning(package);
  SigningOptions described = options;
  if (described.description.empty()) {
    ArchiveHeader header;
    readAsInstaller(prepared, header, "the package");
    described.description = ansiToUtf8(std::string(header.defaultProductName.cStr(),
                                                    static_cast<size_t>(header.defaultProductName.length())));
  }
  WorkDirectory work;
  const std::string in = work.file("unsigned.exe"), out = work.file("signed.exe"), report = work.file("report.txt");
  writeWholeFile(in, prepared);
  const std::vector<std::string> args = signerArguments(described, in, out);
  const int status = runProgram(args, report);
  if (status == -1)
    throw PackError("cannot run the signer " + args[0] +
                    " (install osslsigncode, or name it in TESSA_OSSLSIGNCODE)");
  Bytes signedPackage;
  if (status != 0 || !tryReadWholeFile(out, signedPackage)) {
    const std::string text = reportText(report);
    throw PackError("the signer " + args[0] + " failed (exit status " + std::to_string(status) + ")" +
                    (text.empty() ? "" : ":\n" + text));
  }
  // What the signer wrote must read as the package it was given.
  ArchiveHeader header;
  readAsInstaller(signedPackage, header, "the signed package");
  if (!header.signedPackage || header.archiveEnd != static_cast<int64_t>(prepared.size()) ||
      Checksum(header.stubBytes) != header.stubChecksum ||
      !std::equal(prepared.begin() + header.headerOffset, prepared.end(), signedPackage.begin() + header.headerOffset))
    throw PackError("the signer " + args[0] + " changed more of the package than its signature and header fields");
  return signedPackage;
}
