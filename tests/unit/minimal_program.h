// A small valid 32-bit Windows program (PE32: headers and one section) as
// the program part of test packages, for the signature reader's tests and
// for signing with the real signer, which accepts only PE files.
#pragma once

#include <stdint.h>

#include <vector>

namespace test_program {

constexpr uint32_t PeOffset = 0x40;
constexpr uint32_t OptionalHeader = PeOffset + 24;
constexpr uint32_t ChecksumField = OptionalHeader + 64;
constexpr uint32_t SecurityEntry = OptionalHeader + 96 + 4 * 8;
constexpr uint32_t HeadersSize = 0x200;

inline void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}
inline uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// The program, `extra` zero bytes longer than its image (as the installer
// ends in its own zero trailer), with a PE checksum field of `checksum`.
inline std::vector<uint8_t> MinimalProgram(size_t extra = 4, uint32_t checksum = 0x0001ABCD) {
  std::vector<uint8_t> b(0x400 + extra, 0);
  b[0] = 'M';
  b[1] = 'Z';
  put32(b, 0x3C, PeOffset);
  put32(b, PeOffset, 0x00004550);        // "PE\0\0"
  put16(b, PeOffset + 4, 0x14C);         // i386
  put16(b, PeOffset + 6, 1);             // one section
  put16(b, PeOffset + 20, 0xE0);         // size of the optional header
  put16(b, PeOffset + 22, 0x0102);       // executable, 32-bit
  put16(b, OptionalHeader, 0x10B);       // PE32
  put32(b, OptionalHeader + 16, 0x1000); // entry point
  put32(b, OptionalHeader + 28, 0x400000);
  put32(b, OptionalHeader + 32, 0x1000); // section alignment
  put32(b, OptionalHeader + 36, 0x200);  // file alignment
  put16(b, OptionalHeader + 40, 4);      // operating system 4.0
  put16(b, OptionalHeader + 48, 4);      // subsystem 4.0
  put32(b, OptionalHeader + 56, 0x2000); // size of image
  put32(b, OptionalHeader + 60, HeadersSize);
  put32(b, ChecksumField, checksum);
  put16(b, OptionalHeader + 68, 2);      // GUI
  put32(b, OptionalHeader + 72, 0x100000);
  put32(b, OptionalHeader + 76, 0x1000);
  put32(b, OptionalHeader + 80, 0x100000);
  put32(b, OptionalHeader + 84, 0x1000);
  put32(b, OptionalHeader + 92, 16);     // data directories
  const size_t section = OptionalHeader + 0xE0;
  const char name[] = ".text";
  for (size_t i = 0; i < 5; i++) b[section + i] = static_cast<uint8_t>(name[i]);
  put32(b, section + 8, 0x200);          // virtual size
  put32(b, section + 12, 0x1000);        // virtual address
  put32(b, section + 16, 0x200);         // raw size
  put32(b, section + 20, 0x200);         // raw offset
  put32(b, section + 36, 0x60000020);    // code, readable, executable
  b[0x200] = 0xC3;                       // ret
  return b;
}

}  // namespace test_program
