// Who signed a package: the subject of the signer's certificate, read from
// the certificate table a signer appended (docs/format.md#signed-packages).
// This names the signer for tessapack info and verify; it does not check
// the signature itself (osslsigncode verify, and Windows, do that).
#pragma once

#include <string>

#include "pack/package.h"

struct SignatureInfo {
  bool present = false;  // a certificate table ends the file
  int64_t tableOffset = 0;
  int64_t tableLength = 0;
  // The signer's subject, e.g. "C=DE, O=Tessaform Samples, CN=Tessa Demo";
  // control characters are shown as '?'.
  std::string signer;
  // Why the signer could not be named; empty when it could.
  std::string problem;
};

// Reads the table of a package's first file; never throws for damage (a
// table that cannot be read is a `problem`).
SignatureInfo ReadSignatureInfo(const Bytes& file);

// The signer named in a certificate table entry's PKCS#7 SignedData (DER);
// false with `problem` set when it cannot be found. Exposed for the tests.
bool SignerSubject(const uint8_t* der, size_t length, std::string& subject, std::string& problem);
