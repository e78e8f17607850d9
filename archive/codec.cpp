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

// Reads the items of [in, end) (docs/format.md#packed-blocks) and hands
// each to the sink: run(byte, length), literal(bytes, length, slack: whether
// CopySlack more bytes may be read behind them) and copy(length, distance).
// Every operand count is checked against `end` before it is read; an item
// cut off by the end of the block ends the walk.
template <class Sink>
void forEachItem(const uint8_t* in, const uint8_t* const end, Sink& sink) {
  while (in < end) {
    const unsigned c = *in++;
    const unsigned value = c & ItemValueMask;
    switch (c & ItemClassMask) {
      case RunItem:
        if (in >= end) return;
        sink.run(*in++, static_cast<int>(value) + RunBias);
        break;
      case ShortLiteralItem:
      case LongLiteralItem: {
        unsigned length = value;
        if ((c & ItemClassMask) == LongLiteralItem) {
          if (in >= end) return;
          length |= static_cast<unsigned>(*in++) << 6;
        }
        if (length > static_cast<unsigned>(end - in)) return;
        sink.literal(in, static_cast<int>(length), end - in >= static_cast<int64_t>(length) + CopySlack);
        in += length;
        break;
      }
      default: {
        unsigned count = c & CopyCountMask;
        const bool far = (c & CopyFarOffsetBit) != 0;
        const int operands = (count == 0 ? 2 : 0) + 2 + (far ? 1 : 0);
        if (operands > end - in) return;
        if (count == 0) {
          count = in[0] | in[1] << 8;
          in += 2;
        }
        unsigned offset = in[0] | in[1] << 8;
        in += 2;
        if (far) offset |= static_cast<unsigned>(*in++) << 16;
        sink.copy(static_cast<int>(count) + CopyLengthBias, static_cast<int64_t>(offset) + CopyDistanceBias);
        break;
      }
    }
  }
}

// Adds up what the items would write, under the unpacker's rules.
struct LengthCounter {
  int64_t produced = 0;
  void run(uint8_t, int length) { produced += length; }
  void literal(const uint8_t*, int length, bool) { produced += length; }
  void copy(int length, int64_t distance) {
    if (distance <= produced && length <= distance) produced += length;
  }
};

// The most output the items in [in, end) could produce.
int64_t producibleLength(const uint8_t* in, const uint8_t* end) {
  LengthCounter counter;
  forEachItem(in, end, counter);
  return counter.produced;
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

// Writes the items into an Output. An item for which the output cannot
// grow writes nothing.
class Unpacker {
 public:
  explicit Unpacker(int32_t reservation) : output_(reservation), out_(output_.base()) {}

  void run(uint8_t byte, int length) {
    if (!output_.makeRoom(out_, length)) return;
    memset(out_, byte, static_cast<size_t>(length));
    out_ += length;
  }

  // The output always has the slack; the block may not.
  void literal(const uint8_t* bytes, int length, bool slack) {
    if (!output_.makeRoom(out_, length)) return;
    if (slack)
      copyWide(out_, bytes, length);
    else
      memcpy(out_, bytes, static_cast<size_t>(length));
    out_ += length;
  }

  // The source must lie wholly inside the output already produced: a copy
  // never overlaps what it writes.
  void copy(int length, int64_t distance) {
    if (distance > out_ - output_.base() || length > distance) return;
    if (!output_.makeRoom(out_, length)) return;
    copyWide(out_, out_ - distance, length);
    out_ += length;
  }

  void finish(String& destination) { output_.finish(out_, destination); }

 private:
  Output output_;
  uint8_t* out_;
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

  Unpacker unpacker(outputReservation(declared, in, end));
  forEachItem(in, end, unpacker);
  unpacker.finish(block);
  return true;
}

void XorWithKey(void* bytes, int32_t count, uint32_t key) {
  if (!bytes || count <= 0) return;
  uint8_t* p = static_cast<uint8_t*>(bytes);
  uint8_t* const wordsEnd = p + (count & ~3);
  for (; p < wordsEnd; p += 4) store32(p, load32(p) ^ key);
  for (int i = 0; i < (count & 3); i++) p[i] ^= static_cast<uint8_t>(key >> (8 * i));
}
