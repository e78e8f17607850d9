// Signing with the real signer (osslsigncode) and a throw-away certificate
// made by openssl: build --sign and sign (PEM and PKCS#12 with a password
// file) give packages that osslsigncode verifies and tessapack verify and
// info name the signer of; a changed payload byte breaks both; a failed
// signing leaves the package as it was; wrong command lines are refused.
#include <gtest/gtest.h>

#include "pack/file_io.h"
#include "pack/package_reader.h"
#include "pack/signature_info.h"
#include "tests/unit/minimal_program.h"
#include "tool_test_support.h"

namespace {

int shell(const std::string& command) { return system(("(" + command + ") >/dev/null 2>&1").c_str()); }

class Signing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(shell("command -v openssl && command -v osslsigncode"), 0)
        << "openssl and osslsigncode are missing (scripts/bootstrap installs them)";
    const std::string d = dir.path();
    ASSERT_EQ(shell("cd '" + d + "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem "
                    "-days 2 -subj '/O=Tessaform Tests/CN=Tessa Signer' -addext extendedKeyUsage=codeSigning && "
                    "printf secret > pass.txt && openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 "
                    "-passout file:pass.txt"),
              0);
    const Bytes program = test_program::MinimalProgram();
    writeFile(dir / "stub.exe", std::string(program.begin(), program.end()));
    writeFile(dir / "app.txt", std::string(20000, 'x') + "end");
    writeFile(dir / "p.toml", "[package]\nstub = 'stub.exe'\n[product]\nname = 'Signed'\n"
                              "flags = ['VerifyChecksums']\n[[file]]\nsource = 'app.txt'\n");
  }

  RunResult build(const std::string& output, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"build", dir / "p.toml", "-o", dir / output};
    args.insert(args.end(), extra.begin(), extra.end());
    return tessapack(args);
  }
  int signerVerify(const std::string& package) {
    return shell("osslsigncode verify -CAfile '" + dir / "cert.pem" + "' -in '" + dir / package + "'");
  }
  std::vector<std::string> pem() { return {"--cert", dir / "cert.pem", "--key", dir / "key.pem"}; }

  ScratchDirectory dir;
};

TEST_F(Signing, SignedPackagesVerifyAndNameTheirSigner) {
  std::vector<std::string> signBuild = {"--sign"};
  for (const std::string& a : pem()) signBuild.push_back(a);
  ASSERT_EQ(build("built.exe", signBuild).status, ExitSuccess);
  ASSERT_EQ(build("plain.exe").status, ExitSuccess);
  ASSERT_EQ(tessapack({"sign", dir / "plain.exe", "--cert", dir / "cert.p12", "--pass-file", dir / "pass.txt"}).status,
            ExitSuccess);

  for (const char* package : {"built.exe", "plain.exe"}) {
    SCOPED_TRACE(package);
    EXPECT_EQ(signerVerify(package), 0);
    const RunResult verified = tessapack({"verify", dir / package});
    EXPECT_EQ(verified.status, ExitSuccess) << verified.err;
    EXPECT_TRUE(contains(verified.out, "signed by O=Tessaform Tests, CN=Tessa Signer")) << verified.out;
    EXPECT_TRUE(contains(tessapack({"info", dir / package}).out, "Signature:          signed by O=Tessaform Tests"));
    EXPECT_EQ(tessapack({"extract", dir / package, dir / (std::string(package) + ".x")}).status, ExitSuccess);
    EXPECT_EQ(readFile(dir / (std::string(package) + ".x/app.txt")), readFile(dir / "app.txt"));
  }
  const std::string signedPlain = readFile(dir / "plain.exe");

  // One payload byte changed: the signature no longer verifies, and
  // tessapack verify names the payload checksum.
  std::string tampered = signedPlain;
  const PackageLayout layout = ReadPackageBytes(Bytes(tampered.begin(), tampered.end()), {}).layout;
  tampered[static_cast<size_t>(layout.headerOffset + ArchivePrefixSize + layout.storedHeaderLength + 10)] ^= 1;
  writeFile(dir / "tampered.exe", tampered);
  EXPECT_NE(signerVerify("tampered.exe"), 0);
  const RunResult damaged = tessapack({"verify", dir / "tampered.exe"});
  EXPECT_EQ(damaged.status, ExitFailure);
  EXPECT_TRUE(contains(damaged.err, "FAILED payload checksum")) << damaged.err;

  // The signer's own table: every cut-off piece is refused without harm.
  const SignatureInfo info = ReadSignatureInfo(Bytes(signedPlain.begin(), signedPlain.end()));
  ASSERT_TRUE(info.present);
  const uint8_t* der = reinterpret_cast<const uint8_t*>(signedPlain.data()) + info.tableOffset + 8;
  for (size_t n = 0; n + 8 < static_cast<size_t>(info.tableLength); n += 7) {
    std::string subject, problem;
    if (SignerSubject(der, n, subject, problem)) {
      EXPECT_EQ(subject, info.signer);
    }
  }
}

TEST_F(Signing, FailuresLeaveThePackageAndWrongCommandLinesAreRefused) {
  ASSERT_EQ(build("plain.exe").status, ExitSuccess);
  const std::string before = readFile(dir / "plain.exe");
  // A wrong password; a time-stamp server that cannot be reached.
  const std::vector<std::vector<std::string>> failing = {
      {"--cert", dir / "cert.p12", "--pass", "wrong"},
      {"--cert", dir / "cert.pem", "--key", dir / "key.pem", "--timestamp", "http://127.0.0.1:9/"},
  };
  for (const auto& options : failing) {
    std::vector<std::string> args = {"sign", dir / "plain.exe"};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult failed = tessapack(args);
    EXPECT_EQ(failed.status, ExitFailure);
    EXPECT_TRUE(contains(failed.err, "the signer osslsigncode failed")) << failed.err;
    EXPECT_EQ(readFile(dir / "plain.exe"), before);
  }

  // A package whose program is no PE file cannot be signed.
  writeFile(dir / "stub.exe", "MZ not a program");
  ASSERT_EQ(build("fake.exe").status, ExitSuccess);
  std::vector<std::string> sign = {"sign", dir / "fake.exe"};
  for (const std::string& a : pem()) sign.push_back(a);
  const RunResult fake = tessapack(sign);
  EXPECT_EQ(fake.status, ExitFailure);
  EXPECT_TRUE(contains(fake.err, "no Windows program")) << fake.err;

  const std::vector<std::vector<std::string>> usage = {
      {"sign", dir / "plain.exe"},
      {"sign", dir / "plain.exe", "--cert", "c", "--pass", "p", "--pass-file", "f"},
      {"sign", "--cert", "c"},
      {"build", dir / "p.toml", "--cert", "c"},
      {"build", dir / "p.toml", "--sign"},
  };
  for (const auto& args : usage) EXPECT_EQ(tessapack(args).status, ExitUsage) << args[0] << " " << args.size();
}

}  // namespace
