#include "archive/codec.h"

#include <string.h>

#include "archive/format.h"

namespace {

uint32_t load32(const uint8_t* p) {
  uint32_t word;
  memcpy(&word, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap32(word);
#endif
  return word;
}

void store32(uint8_t* p, uint32_t word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap32(word);
#endif
  memcpy(p, &word, 4);
}

// Copies are done in 16-byte steps where both buffers have this much to
// spare behind the bytes that matter; the output keeps it at its end.
constexpr int CopySlack = 16;
// The most output Unpack produces: a String holds at most StringSizeLimit
// bytes, the slack included.
constexpr int64_t OutputLimit = StringSizeLimit - CopySlack;

// Copies n bytes in whole 16-byte steps: up to 15 bytes beyond n are read
// and written. Right for a copy within one buffer whose source ends at or
// before the destination starts: every byte that matters lies before the
// destination and so is never overwritten by the copy itself (the steps use
// memmove because a step may overlap the next bytes when the distance is
// below 16).
inline void copyWide(uint8_t* out, const uint8_t* in, int n) {
  do {
    memmove(out, in, CopySlack);
    out += CopySlack;
    in += CopySlack;
    n -= CopySlack;
  } while (n > 0);
}

// The most output the items in [in, end) could produce, replaying the
// unpacker's rules on lengths alone (a copy counts when its source would lie
// inside what came before it). Stops where an item's operands run past end,
// as the unpacker does.
int64_t producibleLength(const uint8_t* in, const uint8_t* end) {
  int64_t produced = 0;
  while (in < end) {
    const unsigned c = *in++;
    const unsigned value = c & ItemValueMask;
    switch (c & ItemClassMask) {
      case RunItem:
        if (in >= end) return produced;
        in++;
        produced += value + RunBias;
        break;
      case ShortLiteralItem:
        if (value > static_cast<unsigned>(end - in)) return produced;
        in += value;
        produced += value;
        break;
      case LongLiteralItem: {
        if (in >= end) return produced;
        const unsigned length = value | static_cast<unsigned>(*in++) << 6;
        if (length > static_cast<unsigned>(end - in)) return produced;
        in += length;
        produced += length;
        break;
      }
      default: {
        unsigned count = c & CopyCountMask;
        const bool far = (c & CopyFarOffsetBit) != 0;
        const int operands = (count == 0 ? 2 : 0) + 2 + (far ? 1 : 0);
        if (operands > end - in) return produced;
        if (count == 0) {
          count = in[0] | in[1] << 8;
          in += 2;
        }
        unsigned offset = in[0] | in[1] << 8;
        in += 2;
        if (far) offset |= static_cast<unsigned>(*in++) << 16;
        const int64_t length = count + CopyLengthBias;
        const int64_t distance = offset + CopyDistanceBias;
        if (distance <= produced && length <= distance) produced += length;
        break;
      }
    }
  }
  return produced;
}

// How many output bytes to allocate before unpacking: the declared size,
// but never more than the block can produce, so that a damaged size field
// cannot demand gigabytes. The cheap arithmetic bound settles most blocks;
// only a declaration far beyond the block's own size pays for a scan.
int32_t outputReservation(int32_t declared, const uint8_t* items, const uint8_t* end) {
  if (declared <= 0) return 0;
  const int64_t itemBytes = end - items;
  const int64_t arithmeticBound = itemBytes / LongCopyItemSize * MaxCopyLength +
                                  itemBytes % LongCopyItemSize / RunItemSize * MaxRunLength;
  int64_t reservation = declared < arithmeticBound ? declared : arithmeticBound;
  const int64_t unquestioned = itemBytes * 16 > (1 << 20) ? itemBytes * 16 : (1 << 20);
  if (reservation > unquestioned) {
    const int64_t producible = producibleLength(items, end);
    if (producible < reservation) reservation = producible;
  }
  return static_cast<int32_t>(reservation < OutputLimit ? reservation : OutputLimit);
}

// The output of Unpack: a String that always keeps CopySlack bytes beyond
// the room handed out, so that wide copies never leave the buffer.
class Output {
 public:
  explicit Output(int32_t reservation) { grow(reservation); }

  uint8_t* base() const { return base_; }

  // Room for n more bytes at cursor, which follows the buffer if it moves;
  // false when the output would pass OutputLimit (the item is then not
  // performed).
  bool makeRoom(uint8_t*& cursor, int32_t n) {
    if (n <= roomEnd_ - cursor) return true;
    const int64_t produced = cursor - base_;
    const int64_t needed = produced + n;
    if (needed > OutputLimit) return false;
    int64_t room = static_cast<int64_t>(roomEnd_ - base_) * 2;
    if (room > OutputLimit) room = OutputLimit;
    grow(room > needed ? room : needed);
    cursor = base_ + produced;
    return true;
  }

  // Cuts the output to the bytes produced and hands it to destination.
  void finish(const uint8_t* cursor, String& destination) {
    bytes_.resize(static_cast<int>(cursor - base_));
    destination.swap(bytes_);
  }

 private:
  void grow(int64_t room) {
    bytes_.resize(static_cast<int>(room + CopySlack));
    base_ = reinterpret_cast<uint8_t*>(bytes_.buffer());
    roomEnd_ = base_ + room;
  }

  String bytes_;
  uint8_t* base_ = nullptr;
  uint8_t* roomEnd_ = nullptr;
};

}  // namespace

bool Unpack(String& block) {
  const int32_t blockLength = block.length();
  if (blockLength <= 4) return false;
  const uint8_t* const start = reinterpret_cast<const uint8_t*>(block.buffer());
  if (load32(start) != PackedBlockMagic) return false;

  // A block shorter than its two header fields declares nothing and holds
  // no items.
  const uint8_t* const end = start + blockLength;
  const uint8_t* in = start + (blockLength < PackedBlockHeaderSize ? blockLength : PackedBlockHeaderSize);
  const int32_t declared = blockLength < PackedBlockHeaderSize ? 0 : static_cast<int32_t>(load32(start + 4));

  Output output(outputReservation(declared, in, end));
  uint8_t* out = output.base();

  // See docs/format.md#packed-blocks for the items. Every operand count is
  // checked against `end` before it is read; an item cut off by the end of
  // the block stops the loop.
  while (in < end) {
    const unsigned c = *in++;
    const unsigned value = c & ItemValueMask;
    switch (c & ItemClassMask) {
      case RunItem: {
        if (in >= end) goto finished;
        const int length = static_cast<int>(value) + RunBias;
        const uint8_t byte = *in++;
        if (!output.makeRoom(out, length)) break;
        memset(out, byte, static_cast<size_t>(length));
        out += length;
        break;
      }
      case ShortLiteralItem:
      case LongLiteralItem: {
        unsigned length = value;
        if ((c & ItemClassMask) == LongLiteralItem) {
          if (in >= end) goto finished;
          length |= static_cast<unsigned>(*in++) << 6;
        }
        if (length > static_cast<unsigned>(end - in)) goto finished;
        const int n = static_cast<int>(length);
        if (output.makeRoom(out, n)) {
          // The output always has the slack; the block may not.
          if (end - in >= n + CopySlack)
            copyWide(out, in, n);
          else
            memcpy(out, in, length);
          out += n;
        }
        in += n;
        break;
      }
      default: {
        unsigned count = c & CopyCountMask;
        const bool far = (c & CopyFarOffsetBit) != 0;
        const int operands = (count == 0 ? 2 : 0) + 2 + (far ? 1 : 0);
        if (operands > end - in) goto finished;
        if (count == 0) {
          count = in[0] | in[1] << 8;
          in += 2;
        }
        unsigned offset = in[0] | in[1] << 8;
        in += 2;
        if (far) offset |= static_cast<unsigned>(*in++) << 16;
        const int length = static_cast<int>(count) + CopyLengthBias;
        const int64_t distance = static_cast<int64_t>(offset) + CopyDistanceBias;
        // The source must lie wholly inside the output already produced:
        // a copy never overlaps what it writes.
        if (distance > out - output.base() || length > distance) break;
        if (!output.makeRoom(out, length)) break;
        copyWide(out, out - distance, length);
        out += length;
        break;
      }
    }
  }
finished:
  output.finish(out, block);
  return true;
}

void XorWithKey(void* bytes, int32_t count, uint32_t key) {
  if (!bytes || count <= 0) return;
  uint8_t* p = static_cast<uint8_t*>(bytes);
  uint8_t* const wordsEnd = p + (count & ~3);
  for (; p < wordsEnd; p += 4) store32(p, load32(p) ^ key);
  for (int i = 0; i < (count & 3); i++) p[i] ^= static_cast<uint8_t>(key >> (8 * i));
}
