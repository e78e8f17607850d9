// The packed-block codec, the additive checksum and the XOR scrambling of
// the header block (docs/format.md#packed-blocks, #checksum, #scrambling).
#pragma once

#include <stdint.h>

#include "core/core32.h"

// Unpacks a PackedBlock in place: true when block began with the magic and
// was longer than 4 bytes, and now holds the unpacked bytes; false, with
// block unchanged, otherwise.
//
// Damage inside the block is not reported here (the checksums of the
// package report it): a copy whose source is not wholly inside the output
// already produced writes nothing, and an item whose operands run past the
// end of the block ends the unpacking with the bytes produced so far. The
// declared unpacked size only sizes the first allocation, and only as far
// as the block could possibly produce it.
bool Unpack(String& block);

// The additive checksum: seed 0x79E2BC9D, plus each little-endian 32-bit
// word, plus each remaining byte as a signed byte, plus the count. A null
// pointer or a count <= 0 gives the seed alone.
inline uint32_t Checksum(const void* bytes, int32_t count) { return checksumBytes(bytes, count); }
inline uint32_t Checksum(const String& s) { return s.checksum(); }

// XORs each whole 32-bit word with key (little-endian) and the remaining 1
// to 3 bytes with the key's low, second and third byte. Its own inverse.
void XorWithKey(void* bytes, int32_t count, uint32_t key);
inline void XorWithKey(String& s, uint32_t key) { XorWithKey(s.buffer(), s.length(), key); }
