#include "pack/signature_info.h"

#include <string.h>

#include "archive/header_reader.h"
#include "archive/signed_program.h"
#include "pack/codepage.h"

namespace {

// WIN_CERTIFICATE: length (the 8 header bytes included), revision, type.
constexpr size_t CertificateEntryHeader = 8;
constexpr uint16_t PkcsSignedDataType = 0x0002;

// DER tags used by the signature's structures.
constexpr uint8_t IntegerTag = 0x02;
constexpr uint8_t ObjectIdTag = 0x06;
constexpr uint8_t SequenceTag = 0x30;
constexpr uint8_t SetTag = 0x31;
constexpr uint8_t ContextZeroTag = 0xA0;  // [0], constructed
constexpr uint8_t ContextOneTag = 0xA1;
constexpr uint8_t BmpStringTag = 0x1E;

// One DER element: its tag, its whole encoding and its contents.
struct Element {
  uint8_t tag = 0;
  const uint8_t* start = nullptr;
  size_t size = 0;  // the whole encoding
  const uint8_t* contents = nullptr;
  size_t length = 0;

  bool sameEncoding(const Element& other) const {
    return size == other.size && memcmp(start, other.start, size) == 0;
  }
};

// A run of DER elements read one after the other; every length is checked
// against what is left, so no read leaves the buffer.
class DerReader {
 public:
  DerReader(const uint8_t* bytes, size_t length) : at_(bytes), end_(bytes + length) {}
  explicit DerReader(const Element& e) : DerReader(e.contents, e.length) {}

  bool atEnd() const { return at_ == end_; }

  // The next element; false at the end or when its encoding is broken
  // (indefinite lengths are not DER and are refused).
  bool next(Element& e) {
    const size_t left = static_cast<size_t>(end_ - at_);
    if (left < 2) return false;
    e.start = at_;
    e.tag = at_[0];
    size_t header = 2;
    size_t length = at_[1];
    if (length & 0x80) {
      const size_t count = length & 0x7F;
      if (count == 0 || count > 4 || left < 2 + count) return false;
      length = 0;
      for (size_t i = 0; i < count; i++) length = length << 8 | at_[2 + i];
      header += count;
    }
    if (length > left - header) return false;
    e.contents = at_ + header;
    e.length = length;
    e.size = header + length;
    at_ += e.size;
    return true;
  }

  // The next element, which must carry `tag`.
  bool next(uint8_t tag, Element& e) { return next(e) && e.tag == tag; }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
};

struct AttributeName {
  const char* oid;  // the encoded object identifier
  size_t oidLength;
  const char* name;
};

const AttributeName AttributeNames[] = {
    {"\x55\x04\x03", 3, "CN"}, {"\x55\x04\x06", 3, "C"},   {"\x55\x04\x07", 3, "L"},
    {"\x55\x04\x08", 3, "ST"}, {"\x55\x04\x0A", 3, "O"},   {"\x55\x04\x0B", 3, "OU"},
    {"\x55\x04\x05", 3, "serialNumber"}, {"\x2A\x86\x48\x86\xF7\x0D\x01\x09\x01", 9, "emailAddress"},
};

std::string dottedOid(const Element& oid) {
  std::string out;
  uint64_t value = 0;
  for (size_t i = 0; i < oid.length; i++) {
    value = value << 7 | (oid.contents[i] & 0x7F);
    if (oid.contents[i] & 0x80) {
      if (value > (uint64_t{1} << 56)) return "?";
      continue;
    }
    if (out.empty()) {
      const uint64_t first = value < 80 ? value / 40 : 2;
      out = std::to_string(first) + "." + std::to_string(value - first * 40);
    } else {
      out += "." + std::to_string(value);
    }
    value = 0;
  }
  return out.empty() ? "?" : out;
}

std::string attributeName(const Element& oid) {
  for (const AttributeName& a : AttributeNames) {
    if (oid.length == a.oidLength && memcmp(oid.contents, a.oid, a.oidLength) == 0) return a.name;
  }
  return dottedOid(oid);
}

// A string value as text: BMP strings (UTF-16) converted to UTF-8, the
// others taken as they are; control characters become '?', so that a name
// never moves the terminal's cursor.
std::string valueText(const Element& value) {
  std::string out;
  if (value.tag == BmpStringTag) {
    for (size_t i = 0; i + 1 < value.length; i += 2) {
      appendUtf8(out, static_cast<uint32_t>(value.contents[i]) << 8 | value.contents[i + 1]);
    }
  } else {
    out.assign(reinterpret_cast<const char*>(value.contents), value.length);
  }
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return out;
}

// A Name (a sequence of sets of type and value) as "C=DE, O=..., CN=...",
// in the order stored.
bool nameText(const Element& name, std::string& text) {
  DerReader rdns(name);
  text.clear();
  Element rdn;
  while (!rdns.atEnd()) {
    if (!rdns.next(SetTag, rdn)) return false;
    DerReader attributes(rdn);
    Element attribute;
    while (!attributes.atEnd()) {
      Element oid, value;
      if (!attributes.next(SequenceTag, attribute)) return false;
      DerReader parts(attribute);
      if (!parts.next(ObjectIdTag, oid) || !parts.next(value)) return false;
      text += (text.empty() ? "" : ", ") + attributeName(oid) + "=" + valueText(value);
    }
  }
  return true;
}

// The issuer, serial number and subject of a certificate.
bool certificateNames(const Element& certificate, Element& issuer, Element& serial, Element& subject) {
  DerReader outer(certificate);
  Element tbs, e, validity;
  if (!outer.next(SequenceTag, tbs)) return false;
  DerReader fields(tbs);
  if (!fields.next(e)) return false;
  if (e.tag == ContextZeroTag && !fields.next(e)) return false;  // the version
  serial = e;
  return serial.tag == IntegerTag && fields.next(SequenceTag, e) && fields.next(SequenceTag, issuer) &&
         fields.next(SequenceTag, validity) && fields.next(SequenceTag, subject);
}

}  // namespace

bool SignerSubject(const uint8_t* der, size_t length, std::string& subject, std::string& problem) {
  Element contentInfo, type, explicitContent, signedData, e, certificates, signerInfos;
  DerReader top(der, length);
  DerReader info(nullptr, 0), body(nullptr, 0);
  bool ok = top.next(SequenceTag, contentInfo);
  if (ok) {
    info = DerReader(contentInfo);
    ok = info.next(ObjectIdTag, type) && info.next(ContextZeroTag, explicitContent);
  }
  if (ok) ok = DerReader(explicitContent).next(SequenceTag, signedData);
  if (ok) {
    body = DerReader(signedData);
    ok = body.next(IntegerTag, e) && body.next(SetTag, e) && body.next(SequenceTag, e);
  }
  // The optional certificates [0] and revocation lists [1], then the signers.
  bool haveCertificates = false;
  while (ok && body.next(e)) {
    if (e.tag == ContextZeroTag) {
      certificates = e;
      haveCertificates = true;
    } else if (e.tag == SetTag) {
      signerInfos = e;
      break;
    } else if (e.tag != ContextOneTag) {
      ok = false;
    }
  }
  if (!ok || signerInfos.start == nullptr) return problem = "the signature is no PKCS #7 signed data", false;
  if (!haveCertificates) return problem = "the signature holds no certificates", false;

  // The first signer, named by its certificate's issuer and serial number.
  Element signerInfo, version, id, issuer, serial;
  DerReader signers(signerInfos);
  if (!signers.next(SequenceTag, signerInfo)) return problem = "the signature has no signer", false;
  DerReader signerFields(signerInfo);
  if (!signerFields.next(IntegerTag, version) || !signerFields.next(SequenceTag, id))
    return problem = "the signer is not named by issuer and serial number", false;
  DerReader idFields(id);
  if (!idFields.next(SequenceTag, issuer) || !idFields.next(IntegerTag, serial))
    return problem = "the signer is not named by issuer and serial number", false;

  DerReader certificateList(certificates);
  Element certificate;
  while (certificateList.next(certificate)) {
    Element certIssuer, certSerial, certSubject;
    if (certificate.tag != SequenceTag || !certificateNames(certificate, certIssuer, certSerial, certSubject)) continue;
    if (!certIssuer.sameEncoding(issuer) || !certSerial.sameEncoding(serial)) continue;
    if (!nameText(certSubject, subject)) return problem = "the signer's certificate has an unreadable subject", false;
    return true;
  }
  return problem = "the signer's certificate is not in the signature", false;
}

SignatureInfo ReadSignatureInfo(const Bytes& file) {
  SignatureInfo info;
  MemorySource source(file.data(), static_cast<int64_t>(file.size()));
  PackageSignature signature;
  FindPackageSignature(source, static_cast<int64_t>(file.size()), signature);
  if (!signature.present) return info;
  info.present = true;
  info.tableOffset = signature.fields.securityTableOffset;
  info.tableLength = signature.fields.securityTableLength;
  const uint8_t* table = file.data() + info.tableOffset;
  const size_t entryLength = loadLittleEndian32(table);
  if (info.tableLength < static_cast<int64_t>(CertificateEntryHeader) || entryLength < CertificateEntryHeader ||
      entryLength > static_cast<size_t>(info.tableLength) || loadLittleEndian16(table + 6) != PkcsSignedDataType) {
    info.problem = "the certificate table holds no PKCS #7 signature";
    return info;
  }
  SignerSubject(table + CertificateEntryHeader, entryLength - CertificateEntryHeader, info.signer, info.problem);
  return info;
}
