// Signing packages with a code signature (docs/format.md#signed-packages):
// tessapack sign and build --sign. The signature itself is made by
// osslsigncode, run as a program; this module prepares the package so that
// it reads the same signed and unsigned, and checks the result.
#pragma once

#include <string>

#include "pack/package.h"

struct SigningOptions {
  std::string certificate;   // PEM or DER certificate (with key), or PKCS#12 (without key)
  std::string key;           // PEM or DER private key; empty for PKCS#12
  std::string password;      // of the key or the PKCS#12 file
  std::string passwordFile;  // the same, read from this file by the signer
  std::string timestampUrl;  // an RFC 3161 time-stamp server; empty: none
  std::string description;   // shown by Windows as the program's name; default: the product name
};

// The signer program: $TESSA_OSSLSIGNCODE, else "osslsigncode" from PATH.
std::string SignerProgram();

// The package (its first file) ready for the signer: an existing signature
// taken off with the signer's header changes undone, and the stored header
// block lengthened by empty items until the file's size is a multiple of 8,
// so that the signer adds no padding before its table. Throws PackError
// when the file is no package the installer could read signed: its archive
// is unreadable, or its program carries a PE checksum or a signature of its
// own (a package from an earlier builder or a signed program as stub).
Bytes UnsignedForSigning(const Bytes& package);

// Signs the package bytes, which must be a package's first file, and
// returns the signed file; throws PackError naming the problem (including
// the signer's own report when it fails).
Bytes SignPackageBytes(const Bytes& package, const SigningOptions& options);
