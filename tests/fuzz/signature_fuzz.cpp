// Fuzzes the reading of code signatures: finding a certificate table and
// the archive's end before it in any file, and naming the signer from a
// table's PKCS #7 data.
// Property: any bytes give an answer, never a crash or a read outside the
// input; a signature found ends the file, and the archive ends at most 7
// bytes before it, past the program's headers.
//
// Input: a mode byte (even: the rest is a table's DER data; odd: the rest
// is a whole file), then the bytes.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "archive/signed_program.h"
#include "pack/signature_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t* bytes = data + 1;
  const size_t length = size - 1;
  if ((data[0] & 1) == 0) {
    std::string subject, problem;
    if (SignerSubject(bytes, length, subject, problem) == problem.empty()) return 0;
    abort();  // a name comes with no problem, a problem with no name
  }
  MemorySource source(bytes, static_cast<int64_t>(length));
  PackageSignature signature;
  FindPackageSignature(source, static_cast<int64_t>(length), signature);
  if (!signature.present) {
    if (signature.archiveEnd != static_cast<int64_t>(length)) abort();
    return 0;
  }
  const int64_t table = signature.fields.securityTableOffset;
  if (table + signature.fields.securityTableLength != static_cast<int64_t>(length) ||
      signature.archiveEnd > table || signature.archiveEnd < table - 7 || table < signature.fields.headersSize)
    abort();
  ReadSignatureInfo(Bytes(bytes, bytes + length));
  return 0;
}
