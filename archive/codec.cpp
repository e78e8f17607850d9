#include "archive/codec.h"

#include <string.h>

#include "archive/format.h"

namespace {

// Copies are done in whole steps of CopyStep bytes where both buffers have
// CopySlack bytes to spare behind the bytes that matter; the output keeps
// them at its end.
constexpr int CopyStep = 16;
constexpr int CopySlack = CopyStep;
// The most output Unpack produces: a String holds at most StringSizeLimit
// bytes, the slack included.
constexpr int64_t OutputLimit = StringSizeLimit - CopySlack;

// Copies Size (a multiple of 16) bytes from in to out. Every byte is loaded
// before any is stored, so the two ranges may overlap (a copy within the
// output whose distance is below Size). The bytes travel in 16-byte vector
// values, which the compiler keeps in registers (or in four words where
// the processor has no vector registers).
typedef uint8_t Bytes16 __attribute__((vector_size(16)));

template <int Size>
inline void copyFixed(uint8_t* out, const uint8_t* in) {
  static_assert(Size % 16 == 0, "whole vectors");
  Bytes16 step[Size / 16];
  for (int i = 0; i < Size / 16; i++) memcpy(&step[i], in + 16 * i, 16);
  for (int i = 0; i < Size / 16; i++) memcpy(out + 16 * i, &step[i], 16);
}

// Copies n bytes in whole CopyStep-byte steps: up to CopyStep - 1 bytes
// beyond n are read and written. Right for a copy within one buffer whose
// source ends at or before the destination starts: every byte that matters
// lies before the destination and so is never overwritten by the copy
// itself, whatever the steps write beyond it.
inline void copyWide(uint8_t* out, const uint8_t* in, int n) {
  do {
    copyFixed<CopyStep>(out, in);
    out += CopyStep;
    in += CopyStep;
    n -= CopyStep;
  } while (n > 0);
}

// Reads the one item at in (docs/format.md#packed-blocks) and hands it to
// the sink: run(byte, length), literal(bytes, length, slack: whether
// CopySlack more bytes may be read behind them) or copy(length, distance).
// Returns the next item, or null when the item is cut off by the end of the
// block: every operand count is checked against `end` before it is read.
template <class Sink>
const uint8_t* nextItem(const uint8_t* in, const uint8_t* const end, Sink& sink) {
  const unsigned c = *in++;
  const unsigned value = c & ItemValueMask;
  switch (c & ItemClassMask) {
    case RunItem:
      if (in >= end) return nullptr;
      sink.run(*in++, static_cast<int>(value) + RunBias);
      return in;
    case ShortLiteralItem:
    case LongLiteralItem: {
      unsigned length = value;
      if ((c & ItemClassMask) == LongLiteralItem) {
        if (in >= end) return nullptr;
        length |= static_cast<unsigned>(*in++) << 6;
      }
      if (length > static_cast<unsigned>(end - in)) return nullptr;
      sink.literal(in, static_cast<int>(length), end - in >= static_cast<int32_t>(length) + CopySlack);
      return in + length;
    }
    default: {
      unsigned count = c & CopyCountMask;
      const bool far = (c & CopyFarOffsetBit) != 0;
      const int operands = (count == 0 ? 2 : 0) + 2 + (far ? 1 : 0);
      if (operands > end - in) return nullptr;
      if (count == 0) {
        count = loadLittleEndian16(in);
        in += 2;
      }
      unsigned offset = loadLittleEndian16(in);
      in += 2;
      if (far) offset |= static_cast<unsigned>(*in++) << 16;
      sink.copy(static_cast<int>(count) + CopyLengthBias, static_cast<int32_t>(offset) + CopyDistanceBias);
      return in;
    }
  }
}

// Adds up what the items would write, under the unpacker's rules.
struct LengthCounter {
  int64_t produced = 0;
  void run(uint8_t, int length) { produced += length; }
  void literal(const uint8_t*, int length, bool) { produced += length; }
  void copy(int length, int32_t distance) {
    if (distance <= produced && length <= distance) produced += length;
  }
};

// The most output the items in [in, end) could produce.
int64_t producibleLength(const uint8_t* in, const uint8_t* end) {
  LengthCounter counter;
  while (in && in < end) in = nextItem(in, end, counter);
  return counter.produced;
}

// How many output bytes to allocate before unpacking: the declared size,
// but never more than the block can produce, so that a damaged size field
// cannot demand gigabytes. The cheap arithmetic bound settles most blocks;
// only a declaration far beyond the block's own size pays for a scan.
int32_t outputReservation(int32_t declared, const uint8_t* items, const uint8_t* end) {
  if (declared <= 0) return 0;
  // A block fits a String, so its length is a 32-bit value: dividing it as
  // one keeps the installer free of the 64-bit division helpers.
  const int32_t itemBytes = static_cast<int32_t>(end - items);
  const int64_t arithmeticBound = static_cast<int64_t>(itemBytes / LongCopyItemSize) * MaxCopyLength +
                                  itemBytes % LongCopyItemSize / RunItemSize * MaxRunLength;
  int64_t reservation = declared < arithmeticBound ? declared : arithmeticBound;
  const int64_t unquestioned = static_cast<int64_t>(itemBytes) * 16 > (1 << 20) ? static_cast<int64_t>(itemBytes) * 16 : (1 << 20);
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
  // The end of the room; writes up to CopySlack bytes beyond it are safe.
  uint8_t* roomEnd() const { return roomEnd_; }

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

// The fast path writes every item with whole fixed copies: short literals
// and copies of up to FastCopyLength bytes with one, longer ones with more,
// and runs with one fixed fill. Each item may write up to FastMargin bytes
// beyond its own and read as far beyond its literal bytes, so the path is
// taken while the block and the output's room have FastMargin bytes left.
// The decoder's time goes into the chain from one control byte to the
// next, so the path keeps it short: copies and short literals, nearly all
// the items, come first and take their own branches.
constexpr int FastCopyLength = 32;
constexpr int FastMargin = 72;
static_assert(2 * FastCopyLength <= FastMargin && MaxRunLength <= FastMargin &&
                  1 + 2 * FastCopyLength <= FastMargin && MaxShortLiteralLength <= 2 * FastCopyLength,
              "the fast path's fixed copies and fills stay inside the margin");

// Writes the items into an Output. An item for which the output cannot
// grow writes nothing.
class Unpacker {
 public:
  explicit Unpacker(int32_t reservation) : output_(reservation), out_(output_.base()) {}

  // The items of [in, end): most of them on the fast path, the rest (near
  // either end, long literals, items that need the output to grow) one by
  // one through run, literal and copy. The fast path keeps its pointers in
  // locals: its stores could otherwise alias the members and force them to
  // be read again.
  void unpack(const uint8_t* in, const uint8_t* const end) {
    const uint8_t* const fastEnd = end - in > FastMargin ? end - FastMargin : in;
    uint8_t* out = out_;
    for (;;) {
      const uint8_t* const base = output_.base();
      uint8_t* const roomEnd = output_.roomEnd();
      uint8_t* const outFastEnd = roomEnd - base > FastMargin ? roomEnd - FastMargin : output_.base();
      while (in < fastEnd && out < outFastEnd) {
        const unsigned c = *in;
        if (c >= CopyItem && (c & CopyCountMask) != 0) {
          // A copy with its count in the control byte: 3 bytes, or 4 with
          // the far offset's third byte. The far bit is read without a
          // branch: near and far copies mix too evenly to be predicted, and
          // c >> 5 is 6 or 7 as the item is 3 or 4 bytes long.
          const unsigned far = (c & CopyFarOffsetBit) >> 5;
          const unsigned offsetMask = 0xFFFFu | ((0u - far) & 0xFF0000u);
          const unsigned distance = (loadLittleEndian32(in + 1) & offsetMask) + CopyDistanceBias;
          const unsigned length = (c & CopyCountMask) + CopyLengthBias;
          in += (c >> 5) - 3;
          // The source must lie wholly inside the output already produced.
          if (distance > static_cast<unsigned>(out - base) || length > distance) continue;
          const uint8_t* const source = out - distance;
          copyFixed<FastCopyLength>(out, source);
          if (length > FastCopyLength) copyFixed<CopyStep>(out + FastCopyLength, source + FastCopyLength);
          out += length;
        } else if (c >= ShortLiteralItem && c < LongLiteralItem) {
          const unsigned length = c & ItemValueMask;
          copyFixed<FastCopyLength>(out, in + 1);
          if (length > FastCopyLength) copyFixed<FastCopyLength>(out + FastCopyLength, in + 1 + FastCopyLength);
          out += length;
          in += 1 + length;
        } else if (c >= CopyItem) {
          // A copy with a 16-bit count.
          const uint8_t* const item = in;
          const unsigned length = loadLittleEndian16(in + 1) + CopyLengthBias;
          unsigned distance = loadLittleEndian16(in + 3);
          in += 5;
          if (c & CopyFarOffsetBit) distance |= static_cast<unsigned>(*in++) << 16;
          distance += CopyDistanceBias;
          if (distance > static_cast<unsigned>(out - base) || length > distance) continue;
          if (length > static_cast<unsigned>(roomEnd - out)) {
            in = item;
            break;
          }
          copyWide(out, out - distance, static_cast<int>(length));
          out += length;
        } else if (c >= LongLiteralItem) {
          break;
        } else {
          // The fill may pass the run's end: the next item overwrites it.
          memset(out, in[1], FastMargin);
          out += c + RunBias;
          in += RunItemSize;
        }
      }
      if (in >= end) break;
      out_ = out;
      in = nextItem(in, end, *this);
      out = out_;
      if (!in) return;
    }
    out_ = out;
  }

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
  void copy(int length, int32_t distance) {
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
  if (loadLittleEndian32(start) != PackedBlockMagic) return false;

  // A block shorter than its two header fields declares nothing and holds
  // no items.
  const uint8_t* const end = start + blockLength;
  const uint8_t* in = start + (blockLength < PackedBlockHeaderSize ? blockLength : PackedBlockHeaderSize);
  const int32_t declared =
      blockLength < PackedBlockHeaderSize ? 0 : static_cast<int32_t>(loadLittleEndian32(start + 4));

  Unpacker unpacker(outputReservation(declared, in, end));
  unpacker.unpack(in, end);
  unpacker.finish(block);
  return true;
}

// Whole 16-byte blocks first, as two 64-bit words where the processor has
// them and as four 32-bit words elsewhere; then the remaining words and
// bytes. On little-endian data the key repeated twice is the 64-bit key.
void XorWithKey(void* bytes, int32_t count, uint32_t key) {
  if (!bytes || count <= 0) return;
  uint8_t* p = static_cast<uint8_t*>(bytes);
  uint8_t* const blocksEnd = p + (count & ~15);
#if UINTPTR_MAX > 0xFFFFFFFFu && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  const uint64_t key64 = static_cast<uint64_t>(key) << 32 | key;
  for (; p < blocksEnd; p += 16) {
    uint64_t a, b;
    memcpy(&a, p, 8);
    memcpy(&b, p + 8, 8);
    a ^= key64;
    b ^= key64;
    memcpy(p, &a, 8);
    memcpy(p + 8, &b, 8);
  }
#else
  for (; p < blocksEnd; p += 16) {
    storeLittleEndian32(p, loadLittleEndian32(p) ^ key);
    storeLittleEndian32(p + 4, loadLittleEndian32(p + 4) ^ key);
    storeLittleEndian32(p + 8, loadLittleEndian32(p + 8) ^ key);
    storeLittleEndian32(p + 12, loadLittleEndian32(p + 12) ^ key);
  }
#endif
  uint8_t* const wordsEnd = p + (count & 12);
  for (; p < wordsEnd; p += 4) storeLittleEndian32(p, loadLittleEndian32(p) ^ key);
  for (int i = 0; i < (count & 3); i++) p[i] ^= static_cast<uint8_t>(key >> (8 * i));
}
