#include "pack/cli.h"

#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "pack/archive_writer.h"
#include "pack/bitmap.h"
#include "pack/codepage.h"
#include "pack/file_io.h"
#include "pack/init.h"
#include "pack/manifest.h"
#include "pack/package_reader.h"
#include "pack/progress.h"
#include "pack/sign.h"
#include "pack/signature_info.h"
#include "pack/stub_location.h"

namespace {

constexpr char VersionText[] = "tessapack (Tessaform) 5.0\n";

constexpr char MainHelp[] =
    "Usage: tessapack COMMAND [OPTION]... [ARGUMENT]...\n"
    "Build and inspect Tessaform installation packages.\n"
    "\n"
    "Commands:\n"
    "  init DIR               start a package of your own: a commented manifest and\n"
    "                         a product folder in DIR that build as they are\n"
    "  build MANIFEST         build a package from a TOML manifest\n"
    "  info PACKAGE           show the header, flags, languages and files of a package\n"
    "  list PACKAGE           list the names of the files in a package\n"
    "  verify PACKAGE         check every checksum and record of a package\n"
    "  sign PACKAGE           sign a package with a code signature (osslsigncode)\n"
    "  extract PACKAGE DIR    write the files of a package into DIR\n"
    "  help [COMMAND]         show this help, or the help of COMMAND\n"
    "\n"
    "Options:\n"
    "  -h, --help             show this help\n"
    "      --version          show the version\n"
    "\n"
    "Run 'tessapack COMMAND --help' for the options of a command.\n"
    "Exit status: 0 on success, 1 when a build, check or extraction fails,\n"
    "2 for a wrong command line.\n";

constexpr char BuildHelp[] =
    "Usage: tessapack build [OPTION]... MANIFEST\n"
    "Build an installation package from the TOML manifest MANIFEST.\n"
    "\n"
    "  -o, --output=FILE      write the package to FILE (default: [package] output,\n"
    "                         else the manifest's name with .exe, in the current\n"
    "                         directory)\n"
    "      --stub=FILE        the installer program the package starts with\n"
    "                         (default: [package] stub, else the tessaform.exe\n"
    "                         installed with tessapack; see tessapack --version)\n"
    "      --level=LEVEL      packing level: fast or best (default: [package] level,\n"
    "                         else best)\n"
    "      --sign             sign the package (its first file), with the options\n"
    "                         of tessapack sign: --cert, --key, --pass, --pass-file,\n"
    "                         --timestamp\n"
    "  -h, --help             show this help\n"
    "\n"
    "When [package] disk-size splits the package, the continuation files\n"
    "Disk2.SEA, Disk3.SEA, ... are written next to it. The same manifest and\n"
    "sources always give the same bytes. When the build fails, nothing is left at\n"
    "the output paths. On a terminal, long builds show a progress bar.\n";

constexpr char InitHelp[] =
    "Usage: tessapack init DIR\n"
    "Write a starter package into DIR (made when missing; it must be empty): a\n"
    "commented manifest, setup.toml, a read-me, a licence and a folder for the\n"
    "product's files, which build as they are. The product is named after DIR's\n"
    "last component.\n"
    "\n"
    "  -h, --help             show this help\n";

constexpr char InfoHelp[] =
    "Usage: tessapack info [OPTION]... PACKAGE\n"
    "Show the header fields, flags, languages and files of PACKAGE.\n"
    "\n"
    "      --messages         also show every message in every language\n"
    "  -h, --help             show this help\n";

constexpr char ListHelp[] =
    "Usage: tessapack list PACKAGE\n"
    "List the names of the files in PACKAGE, one a line, in package order.\n"
    "\n"
    "  -h, --help             show this help\n";

constexpr char VerifyHelp[] =
    "Usage: tessapack verify [OPTION]... PACKAGE\n"
    "Check PACKAGE: its layout, the header, program, payload and file checksums\n"
    "(whatever its flags say), and every file record. Continuation files are read\n"
    "from the package's directory. Exits with 0 when every check passes, else\n"
    "with 1, naming the first failing check.\n"
    "\n"
    "  -q, --quiet            print nothing when every check passes\n"
    "  -h, --help             show this help\n";

constexpr char SignHelp[] =
    "Usage: tessapack sign [OPTION]... PACKAGE\n"
    "Sign PACKAGE (of a split package, its first file) with a code signature,\n"
    "made by osslsigncode ($TESSA_OSSLSIGNCODE names another copy). A signature\n"
    "already there is replaced. The package is replaced only when signing\n"
    "succeeds.\n"
    "\n"
    "      --cert=FILE        the signing certificate (PEM or DER) with --key, or a\n"
    "                         PKCS#12 file holding certificate and key without it\n"
    "      --key=FILE         the private key (PEM or DER)\n"
    "      --pass=PASSWORD    the password of the key or the PKCS#12 file\n"
    "      --pass-file=FILE   the same, read from FILE\n"
    "      --timestamp=URL    have the signature time-stamped by this RFC 3161 server\n"
    "  -h, --help             show this help\n";

constexpr char ExtractHelp[] =
    "Usage: tessapack extract [OPTION]... PACKAGE DIR\n"
    "Verify PACKAGE and write its files into DIR, with their stored times.\n"
    "Files for the installation directory go to DIR itself; shared files to\n"
    "DIR/shared, fonts to DIR/fonts and system files to DIR/system.\n"
    "\n"
    "      --time-zone=ZONE   the zone of the stored times: UTC (default), local,\n"
    "                         or an offset such as +01:00\n"
    "      --force            overwrite files that exist already\n"
    "  -h, --help             show this help\n";

// A command's arguments after parsing: options with values (by key),
// options without, and operands in order.
struct Arguments {
  std::string command;
  std::vector<std::string> operands;
  std::map<std::string, std::string> values;
  std::vector<std::string> set;
  bool help = false;
  std::string programPath;  // the running tessapack, for its installed tree

  bool has(const std::string& flag) const { return std::find(set.begin(), set.end(), flag) != set.end(); }

  bool usageError(std::ostream& err, const std::string& message) const {
    err << "tessapack " << command << ": " << message << "\n"
        << "Try 'tessapack " << command << " --help' for more information.\n";
    return false;
  }
};

std::string hex8(uint32_t v) {
  char text[16];
  snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

std::string colourText(uint32_t colour) {
  char text[16];
  snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, colour >> 8 & 0xFF, colour >> 16 & 0xFF);
  return text;
}

std::string timeText(const DateTimeStamp& t) {
  if (isEmptyTime(t)) return "none";
  char text[64];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::string flagNames(uint32_t flags) {
  std::string out = hex8(flags);
  uint32_t unnamed = flags;
  for (const InstallFlagName& f : InstallFlagNames) {
    if (flags & f.bit) out += std::string(" ") + f.name;
    unnamed &= ~f.bit;
  }
  if (unnamed) out += " +" + hex8(unnamed);
  return out;
}

const char* kindName(int32_t kind) {
  switch (kind) {
    case InstallDirFile: return "app";
    case SharedFile: return "shared";
    case FontFile: return "font";
    case StartupFile: return "startup";
    case SystemFile: return "system";
    default: return "?";
  }
}

const char* ruleName(int32_t options) {
  switch (options & ExistenceRuleMask) {
    case AlwaysInstall: return "always";
    case OnlyIfPresent: return "if-present";
    case OnlyIfAbsent: return "if-absent";
    default: return "invalid";
  }
}

std::string shortcutsText(int32_t options) {
  std::string out;
  if (options & DesktopShortcutOption) out = "desktop";
  if (options & StartMenuShortcutOption) out += out.empty() ? "start-menu" : ",start-menu";
  return out.empty() ? "-" : out;
}

std::string shown(const std::string& ansi) { return ansiToUtf8(ansi); }

// A text field in one line: "none", or its length and the start of its
// first line.
std::string summary(const std::string& ansi) {
  if (ansi.empty()) return "none";
  const std::string firstLine = ansi.substr(0, ansi.find_first_of("\r\n"));
  const std::string start = firstLine.substr(0, 50);
  return std::to_string(ansi.size()) + " bytes: " + shown(start) + (start.size() < ansi.size() ? " ..." : "");
}

void field(std::ostream& out, const char* label, const std::string& value) {
  std::string padded = std::string(label) + ":";
  padded.resize(std::max<size_t>(padded.size() + 1, 20), ' ');
  out << padded << value << "\n";
}

std::string diskName(int number) {
  char name[32];
  snprintf(name, sizeof name, DiskFileFormat, number);
  return name;
}

// Reads a package for a command; prints the failure and returns false when
// the header cannot be read at all.
bool readForCommand(const std::string& path, const std::string& command, PackageContents& contents,
                    std::ostream& err) {
  try {
    contents = ReadPackage(path);
  } catch (const PackError& e) {
    err << "tessapack " << command << ": " << e.what() << "\n";
    return false;
  }
  if (!contents.headerRead) {
    const PackageCheck* failure = contents.firstFailure();
    err << "tessapack " << command << ": " << path << ": not a readable package: " << failure->name << ": "
        << failure->detail << "\n";
    return false;
  }
  return true;
}

std::string signatureText(const SignatureInfo& signature) {
  if (!signature.present) return "none";
  const std::string table = " (" + std::to_string(signature.tableLength) + " bytes at " +
                            std::to_string(signature.tableOffset) + ")";
  if (!signature.problem.empty()) return "present, signer unknown: " + signature.problem + table;
  return "signed by " + signature.signer + table;
}

void printHeader(const std::string& path, const PackageContents& contents, std::ostream& out) {
  const PackageHeader& h = contents.package.header;
  const PackageLayout& l = contents.layout;
  field(out, "Package", path + " (" + std::to_string(l.fileSize) + " bytes)");
  field(out, "Program", std::to_string(l.headerOffset) + " bytes, checksum " + hex8(l.stubChecksum) + ", time " +
                            timeText(h.stubTime));
  field(out, "Header", std::string(l.headerPacked ? "packed, " : "not packed, ") +
                           std::to_string(l.storedHeaderLength) + " bytes stored, " + std::to_string(l.headerLength) +
                           " unpacked, key " + hex8(l.headerKey));
  std::string parts;
  for (size_t i = 0; i < l.partLengths.size(); i++)
    parts += (i ? ", " : "") + (i ? diskName(static_cast<int>(i) + 1) : std::string("package")) + " " +
             std::to_string(l.partLengths[i]);
  field(out, "Payload", std::string(h.installFlags & PackedPayload ? "packed, " : "not packed, ") +
                            std::to_string(l.payloadLength) + " bytes stored (" + parts + "), checksum " +
                            hex8(l.payloadChecksum));
  field(out, "Signature", signatureText(contents.signature));
  field(out, "Flags", flagNames(h.installFlags));
  field(out, "Product name", shown(h.defaultProductName));
  field(out, "Publisher", shown(h.publisher));
  field(out, "Version", shown(h.displayVersion));
  field(out, "Start-menu folder", shown(h.productStartMenu));
  field(out, "Install directory", shown(h.defaultInstallDir));
  field(out, "Registry key", shown(h.productRegistry));
  field(out, "Uninstall folder", shown(h.uninstallSubdir));
  if (h.installFlags & RequiresMaster) field(out, "Master product", shown(h.masterProduct));
  field(out, "Title colour", colourText(h.titleColor));
  field(out, "Top colour", colourText(h.topColor));
  field(out, "Bottom colour", colourText(h.bottomColor));
  const PictureInfo picture = pictureInfo(h.picture);
  field(out, "Picture", h.picture.empty() ? "none"
                                          : std::to_string(picture.width) + " x " + std::to_string(picture.height) +
                                                ", " + std::to_string(picture.bitsPerPixel) + " bits per pixel, " +
                                                std::to_string(h.picture.size()) + " bytes");
  field(out, "Licence", summary(h.licenseText));
  field(out, "Read-me", summary(h.readmeText));
  field(out, "Pre-install hook", summary(h.preInstallBatch));
  field(out, "Post-install hook", summary(h.postInstallBatch));
  field(out, "Final hook", summary(h.finalBatch));
  field(out, "Before-uninstall", summary(h.uninstallBatch1));
  field(out, "After-uninstall", summary(h.uninstallBatch2));
  std::string languages;
  for (const std::string& name : h.languages) languages += (languages.empty() ? "" : ", ") + shown(name);
  field(out, "Languages", languages);
  field(out, "Messages", std::to_string(h.messages.size()));
}

void printFiles(const PackageContents& contents, std::ostream& out) {
  const std::vector<PackageFile>& files = contents.package.files;
  field(out, "Files", std::to_string(contents.layout.fileSizes.size()));
  for (const PackageFile& f : files) {
    char line[160];
    snprintf(line, sizeof line, "  %-7s %-10s %-18s %10zu  %-19s  ", kindName(f.kind), ruleName(f.options),
             shortcutsText(f.options).c_str(), f.data.size(), timeText(f.time).c_str());
    out << line << shown(f.name);
    if (!f.detail.empty()) out << "  [" << shown(f.detail) << "]";
    out << "\n";
  }
}

void printMessages(const PackageHeader& h, std::ostream& out) {
  for (size_t m = 0; m < h.messages.size(); m++) {
    for (size_t l = 0; l < h.languages.size(); l++) {
      std::string text = shown(h.messages[m][l]);
      for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.replace(at, 2, "\\n");
      out << "  " << m << " " << shown(h.languages[l]) << ": " << text << "\n";
    }
  }
}

int reportFailedChecks(const std::string& command, const std::string& path, const PackageContents& contents,
                       std::ostream& err) {
  for (const PackageCheck& c : contents.checks) {
    if (!c.passed) err << "tessapack " << command << ": " << path << ": FAILED " << c.name << ": " << c.detail << "\n";
  }
  return ExitFailure;
}

int commandInfo(Arguments& a, std::ostream& out, std::ostream& err) {
  if (a.operands.size() != 1) return a.usageError(err, "give one PACKAGE"), ExitUsage;
  PackageContents contents;
  if (!readForCommand(a.operands[0], "info", contents, err)) return ExitFailure;
  printHeader(a.operands[0], contents, out);
  printFiles(contents, out);
  if (a.has("--messages")) {
    out << "Message table:\n";
    printMessages(contents.package.header, out);
  }
  if (!contents.passed()) return reportFailedChecks("info", a.operands[0], contents, err);
  return ExitSuccess;
}

int commandList(Arguments& a, std::ostream& out, std::ostream& err) {
  if (a.operands.size() != 1) return a.usageError(err, "give one PACKAGE"), ExitUsage;
  PackageContents contents;
  if (!readForCommand(a.operands[0], "list", contents, err)) return ExitFailure;
  for (const PackageFile& f : contents.package.files) out << shown(f.name) << "\n";
  if (!contents.filesRead) return reportFailedChecks("list", a.operands[0], contents, err);
  return ExitSuccess;
}

int commandVerify(Arguments& a, std::ostream& out, std::ostream& err) {
  if (a.operands.size() != 1) return a.usageError(err, "give one PACKAGE"), ExitUsage;
  const std::string& path = a.operands[0];
  PackageContents contents;
  try {
    contents = ReadPackage(path);
  } catch (const PackError& e) {
    err << "tessapack verify: " << e.what() << "\n";
    return ExitFailure;
  }
  if (!contents.passed()) return reportFailedChecks("verify", path, contents, err);
  if (!a.has("-q") && !a.has("--quiet"))
    out << path << ": OK (" << contents.package.files.size() << " files, " << contents.checks.size()
        << " checks)" << (contents.signature.present ? "; " + signatureText(contents.signature) : "") << "\n";
  return ExitSuccess;
}

// Where a file of the package goes below the extraction directory; ""
// when its name could reach outside it.
std::string extractionPath(const PackageFile& file) {
  std::string name = file.name;
  std::replace(name.begin(), name.end(), '\\', '/');
  if (name.empty() || name[0] == '/' || name.find(':') != std::string::npos) return "";
  for (size_t start = 0; start <= name.size();) {
    const size_t end = std::min(name.find('/', start), name.size());
    const std::string part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return "";
    start = end + 1;
  }
  switch (file.kind) {
    case SharedFile: return "shared/" + name;
    case FontFile: return "fonts/" + name;
    case SystemFile: return "system/" + name;
    default: return name;
  }
}

int commandExtract(Arguments& a, std::ostream& err) {
  if (a.operands.size() != 2) return a.usageError(err, "give a PACKAGE and a DIR"), ExitUsage;
  TimeZone zone;
  if (a.values.count("zone") && !parseTimeZone(a.values["zone"], zone))
    return a.usageError(err, "the time zone must be UTC, local or an offset such as +01:00"), ExitUsage;
  const std::string& path = a.operands[0];
  const std::string& directory = a.operands[1];
  PackageContents contents;
  if (!readForCommand(path, "extract", contents, err)) return ExitFailure;
  if (!contents.passed()) return reportFailedChecks("extract", path, contents, err);
  std::vector<std::string> targets;
  for (const PackageFile& file : contents.package.files) {
    const std::string relative = extractionPath(file);
    if (relative.empty()) {
      err << "tessapack extract: " << path << ": the file name \"" << shown(file.name)
          << "\" would reach outside " << directory << "; nothing was extracted\n";
      return ExitFailure;
    }
    const std::string target = joinPath(directory, ansiToUtf8(relative));
    if (std::find(targets.begin(), targets.end(), target) != targets.end() ||
        (!a.has("--force") && std::filesystem::exists(target))) {
      err << "tessapack extract: " << target << " exists already (use --force to overwrite); nothing was extracted\n";
      return ExitFailure;
    }
    targets.push_back(target);
  }
  try {
    for (size_t i = 0; i < targets.size(); i++) {
      const PackageFile& file = contents.package.files[i];
      std::filesystem::create_directories(std::filesystem::path(targets[i]).parent_path());
      writeWholeFile(targets[i], file.data);
      int64_t seconds;
      if (isEmptyTime(file.time)) continue;
      if (unixTimeFromRecord(file.time, zone, seconds))
        setFileModificationTime(targets[i], seconds);
      else
        err << "tessapack extract: " << targets[i] << ": its stored time " << timeText(file.time)
            << " is not a valid date; the file keeps the time of extraction\n";
    }
  } catch (const std::exception& e) {
    err << "tessapack extract: " << e.what() << "\n";
    return ExitFailure;
  }
  return ExitSuccess;
}

// The signing options of sign and build --sign; false after a usage
// error.
bool signingOptions(Arguments& a, SigningOptions& options, std::ostream& err) {
  if (!a.values.count("cert")) return a.usageError(err, "signing needs --cert");
  if (a.values.count("pass") && a.values.count("pass-file"))
    return a.usageError(err, "give --pass or --pass-file, not both");
  options.certificate = a.values["cert"];
  options.key = a.values.count("key") ? a.values["key"] : "";
  options.password = a.values.count("pass") ? a.values["pass"] : "";
  options.passwordFile = a.values.count("pass-file") ? a.values["pass-file"] : "";
  options.timestampUrl = a.values.count("timestamp") ? a.values["timestamp"] : "";
  return true;
}

int commandSign(Arguments& a, std::ostream& err) {
  if (a.operands.size() != 1) return a.usageError(err, "give one PACKAGE"), ExitUsage;
  SigningOptions options;
  if (!signingOptions(a, options, err)) return ExitUsage;
  const std::string& path = a.operands[0];
  try {
    const Bytes signedPackage = SignPackageBytes(readWholeFile(path), options);
    PendingOutputs output;
    output.add(path, signedPackage);
    output.commit();
  } catch (const std::exception& e) {  // PackError, or a file that cannot be replaced
    err << "tessapack sign: " << path << ": " << e.what() << "\n";
    return ExitFailure;
  }
  return ExitSuccess;
}

std::string defaultOutput(const std::string& manifestPath) {
  return std::filesystem::path(manifestPath).stem().string() + ".exe";
}

// The installer program a build starts with: --stub, else [package] stub,
// else the one installed with this tessapack.
std::string chosenStub(const Arguments& a, const Manifest& manifest) {
  if (a.values.count("stub")) return a.values.at("stub");
  if (!manifest.stubPath.empty()) return manifest.stubPath;
  const std::string installed = findInstalledStub(a.programPath);
  if (installed.empty()) {
    std::string looked;
    for (const std::string& candidate : installedStubCandidates(a.programPath))
      looked += (looked.empty() ? "" : ", ") + candidate;
    throw PackError("no installer program: give --stub FILE or [package] stub in the manifest" +
                    (looked.empty() ? std::string() : " (none is installed at " + looked + ")"));
  }
  return installed;
}

int commandBuild(Arguments& a, std::ostream& err) {
  if (a.operands.size() != 1) return a.usageError(err, "give one MANIFEST"), ExitUsage;
  if (a.values.count("level") && a.values["level"] != "fast" && a.values["level"] != "best")
    return a.usageError(err, "the level is fast or best"), ExitUsage;
  SigningOptions signing;
  const bool sign = a.has("--sign");
  if (sign && !signingOptions(a, signing, err)) return ExitUsage;
  for (const char* key : {"cert", "key", "pass", "pass-file", "timestamp"}) {
    if (!sign && a.values.count(key)) return a.usageError(err, "signing options need --sign"), ExitUsage;
  }
  try {
    Manifest manifest = LoadManifest(a.operands[0]);
    if (a.values.count("level")) manifest.options.level = a.values["level"] == "fast" ? PackLevel::Fast : PackLevel::Best;
    const std::string stubPath = chosenStub(a, manifest);
    const Bytes stub = readWholeFile(stubPath);
    if (!manifest.stubTimeGiven)
      manifest.package.header.stubTime = recordFromUnixTime(fileModificationTime(stubPath), manifest.timeZone);
    const std::string output = a.values.count("output") ? a.values["output"]
                               : !manifest.outputPath.empty() ? manifest.outputPath
                                                              : defaultOutput(a.operands[0]);
    size_t payload = 0;
    for (const PackageFile& f : manifest.package.files) payload += f.data.size() + f.name.size() + 48;
    ProgressBar bar("Packing", payload);
    manifest.options.progress = [&bar](size_t done) { bar.update(done); };
    ArchiveImage image = WriteArchive(stub, manifest.package, manifest.options);
    if (sign) image.package = SignPackageBytes(image.package, signing);

    PendingOutputs outputs;
    outputs.add(output, image.package);
    for (size_t i = 0; i < image.disks.size(); i++)
      outputs.add(joinPath(directoryOf(output), diskName(FirstContinuationDisk + static_cast<int>(i))), image.disks[i]);
    outputs.commit();
  } catch (const PackError& e) {
    err << "tessapack build: " << e.what() << "\n";
    return ExitFailure;
  } catch (const std::bad_alloc&) {
    err << "tessapack build: out of memory\n";
    return ExitFailure;
  } catch (const std::exception& e) {
    err << "tessapack build: " << e.what() << "\n";
    return ExitFailure;
  }
  return ExitSuccess;
}

struct Command {
  const char* name;
  const char* help;
  std::map<std::string, std::string> withValue;  // option name -> value key
  std::vector<std::string> flags;
  std::function<int(Arguments&, std::ostream&, std::ostream&)> run;
};

// Options may come before, between or after the operands; "--" ends them.
// A value follows its option as the next argument or after "=" in a long
// option.
bool parseArguments(const std::vector<std::string>& args, const Command& command, Arguments& parsed,
                    std::ostream& err) {
  parsed.command = command.name;
  bool operandsOnly = false;
  for (size_t i = 0; i < args.size(); i++) {
    const std::string& arg = args[i];
    if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
      parsed.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      parsed.help = true;
      continue;
    }
    const size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    const auto valued = command.withValue.find(name);
    if (valued != command.withValue.end()) {
      if (equals != std::string::npos) {
        parsed.values[valued->second] = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        parsed.values[valued->second] = args[++i];
      } else {
        return parsed.usageError(err, "option " + name + " needs a value");
      }
    } else if (equals == std::string::npos &&
               std::find(command.flags.begin(), command.flags.end(), name) != command.flags.end()) {
      parsed.set.push_back(name);
    } else {
      return parsed.usageError(err, "unknown option " + arg);
    }
  }
  return true;
}

const std::vector<Command>& commands() {
  static const std::vector<Command> list = {
      {"build", BuildHelp,
       {{"-o", "output"}, {"--output", "output"}, {"--stub", "stub"}, {"--level", "level"}, {"--cert", "cert"},
        {"--key", "key"}, {"--pass", "pass"}, {"--pass-file", "pass-file"}, {"--timestamp", "timestamp"}},
       {"--sign"},
       [](Arguments& a, std::ostream&, std::ostream& err) { return commandBuild(a, err); }},
      {"init", InitHelp, {}, {},
       [](Arguments& a, std::ostream& out, std::ostream& err) {
         if (a.operands.size() != 1) return a.usageError(err, "give one DIR"), ExitUsage;
         return WriteStarterProject(a.operands[0], out, err) ? ExitSuccess : ExitFailure;
       }},
      {"info", InfoHelp, {}, {"--messages"}, commandInfo},
      {"list", ListHelp, {}, {}, commandList},
      {"verify", VerifyHelp, {}, {"-q", "--quiet"}, commandVerify},
      {"sign", SignHelp,
       {{"--cert", "cert"}, {"--key", "key"}, {"--pass", "pass"}, {"--pass-file", "pass-file"},
        {"--timestamp", "timestamp"}},
       {},
       [](Arguments& a, std::ostream&, std::ostream& err) { return commandSign(a, err); }},
      {"extract", ExtractHelp, {{"--time-zone", "zone"}}, {"--force"},
       [](Arguments& a, std::ostream&, std::ostream& err) { return commandExtract(a, err); }},
  };
  return list;
}

const Command* findCommand(const std::string& name) {
  for (const Command& c : commands()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

// The version, and the installer program a build uses when no stub is named.
int commandVersion(const std::string& programPath, std::ostream& out) {
  out << VersionText;
  const std::string stub = findInstalledStub(programPath);
  std::error_code error;
  const uintmax_t size = stub.empty() ? 0 : std::filesystem::file_size(stub, error);
  if (!stub.empty() && !error) {
    out << "Installer program: " << stub << " (" << size << " bytes)\n";
  } else {
    out << "Installer program: none installed with this tessapack; give --stub FILE or [package] stub\n";
  }
  return ExitSuccess;
}

}  // namespace

int RunTessapack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return RunTessapack(args, out, err, runningProgramPath());
}

int RunTessapack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const std::string& programPath) {
  if (args.empty()) {
    err << "tessapack: missing command\nTry 'tessapack --help' for more information.\n";
    return ExitUsage;
  }
  const std::string& first = args[0];
  if (first == "-h" || first == "--help") return out << MainHelp, ExitSuccess;
  if (first == "--version") return commandVersion(programPath, out);
  if (first == "help") {
    if (args.size() == 1) return out << MainHelp, ExitSuccess;
    const Command* command = findCommand(args[1]);
    if (!command) {
      err << "tessapack: unknown command '" << args[1] << "'\nTry 'tessapack --help' for more information.\n";
      return ExitUsage;
    }
    return out << command->help, ExitSuccess;
  }
  const Command* command = findCommand(first);
  if (!command) {
    err << "tessapack: unknown command '" << first << "'\nTry 'tessapack --help' for more information.\n";
    return ExitUsage;
  }
  Arguments arguments;
  if (!parseArguments(std::vector<std::string>(args.begin() + 1, args.end()), *command, arguments, err))
    return ExitUsage;
  if (arguments.help) return out << command->help, ExitSuccess;
  arguments.programPath = programPath;
  return command->run(arguments, out, err);
}
