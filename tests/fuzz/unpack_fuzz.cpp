// Fuzzes Unpack, the decoder of packed blocks, which reads the header block
// and the payload of every package.
// Property, chosen by the first byte:
//   even: the rest, behind the packed-block magic, unpacks without crashing,
//         reading or writing outside its buffers or allocating beyond what
//         the block can produce;
//   odd:  a round trip: the rest packed by the builder (fast or best, by the
//         second bit) unpacks to exactly the rest.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "archive/codec.h"
#include "archive/format.h"
#include "pack/packer.h"

namespace {

void unpackHostile(const uint8_t* data, size_t size) {
  String block;
  uint8_t magic[4];
  storeLittleEndian32(magic, PackedBlockMagic);
  block.appendBytes(magic, 4);
  block.appendBytes(data, static_cast<int>(size));
  if (!Unpack(block) && size > 0) abort();  // the magic and one byte more: a block
}

void roundTrip(const uint8_t* data, size_t size, PackLevel level) {
  const std::vector<uint8_t> packed = PackBlock(data, size, level);
  String block(reinterpret_cast<const char*>(packed.data()), static_cast<int>(packed.size()));
  if (!Unpack(block) || block.length() != static_cast<int>(size)) abort();
  if (size > 0 && memcmp(block.cStr(), data, size) != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const uint8_t mode = data[0];
  if (mode & 1)
    roundTrip(data + 1, size - 1, (mode & 2) ? PackLevel::Best : PackLevel::Fast);
  else
    unpackHostile(data + 1, size - 1);
  return 0;
}
