// The packer: turns bytes into a PackedBlock that Unpack gives back exactly
// (docs/format.md#packed-blocks). Output is deterministic: the same input and
// level always give the same bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <vector>

// Both levels reach 16 MiB back. Both write an item only when it saves a
// few bytes more than it takes, since Unpack pays per item too.
enum class PackLevel {
  Fast,  // greedy, one candidate per position, skipping where nothing repeats
  Best,  // lazy, hash chains over 64 KiB and a far table beyond
};

// Called now and then with the number of input bytes dealt with so far.
using PackProgress = std::function<void(size_t done)>;

// The largest input PackBlock accepts (the size field is a signed 32-bit
// integer); larger input is a std::length_error.
constexpr size_t MaxPackInput = 0x7FFFFFFF;

// Packs size bytes at data (data may be null when size is 0).
std::vector<uint8_t> PackBlock(const uint8_t* data, size_t size, PackLevel level,
                               const PackProgress& progress = {});

inline std::vector<uint8_t> PackBlock(const std::vector<uint8_t>& data, PackLevel level,
                                      const PackProgress& progress = {}) {
  return PackBlock(data.data(), data.size(), level, progress);
}
