#include "pack/packer.h"

#include <string.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "archive/format.h"
#include "pack/package.h"

namespace {

// What a level does. Sizes are in bytes of packed output.
//
// The decoder pays per item as well as per byte, and a copy from far back
// costs it a cache miss: so an item is only written when it saves itemCost
// bytes beyond its own size, a copy that starts inside a literal stretch
// stretchCost more (it mostly cuts the stretch in two: one more item and its
// control byte), and a copy from beyond the near window farCost more. That
// trades a little size for far fewer items.
struct LevelSettings {
  int hashBits;    // near hash table, at most (small inputs use a smaller one)
  int hashLength;  // bytes the near hash covers: shorter matches are not looked for
  int maxChain;    // near candidates looked at per position
  int goodLength;  // once a match this long is in hand, a quarter of the rest
  int niceLength;  // a match this long ends the search
  int lazyLength;  // look one position ahead unless the match is this long; 0: greedy
  int farBits;     // far table, at most; 0: no far table
  int farStride;   // the far table holds every farStride-th position (a power of two)
  int farBelow;    // the far table is asked only while the best match is shorter
  int itemCost;    // bytes an item must save beyond its own size
  int stretchCost; // bytes an item inside a literal stretch must save in addition
  int farCost;     // bytes a copy from beyond the near window must save in addition
  int skipShift;   // greedy: after 2^skipShift misses in a row, skip ahead faster; 0: never
  int enterInside; // of a longer item, only this many positions at each end are entered; 0: all
};

// The near window is what the 16-bit chain links reach: most copies, and the
// ones the decoder finds in its cache. Beyond it, up to MaxCopyDistance back,
// two things find repeats: the newest position of each near hash, at any
// distance (all the fast level has), and the far table, which keeps the last
// FarWays positions per hash of 8 bytes. What a long window adds is mostly
// long repeats (whole functions, resources, paragraphs of similar files), so
// the far table enters only every farStride-th position, and a repeat found a
// few bytes late is extended backwards over the pending literals. The table
// is kept small (4 MiB at the best level) on purpose: it is read at random,
// and a larger one costs a cache miss per position for little gain.
constexpr LevelSettings FastSettings = {16, 6, 1, 8, 32, 0, 0, 1, 0, 1, 1, 4, 4, 2};
// The best level's item costs are set where the decoder keeps pace with
// LZ4's on binaries (pe-small of the benchmark corpus: 0.78x LZ4 HC 9's size;
// item costs of 1, 2 and 3 gave 0.75x its size but 16% more items).
constexpr LevelSettings BestSettings = {17, 5, 24, 32, 256, 32, 18, 4, 64, 2, 2, 6, 0, 64};

static_assert((FastSettings.farStride & (FastSettings.farStride - 1)) == 0 &&
                  (BestSettings.farStride & (BestSettings.farStride - 1)) == 0,
              "far strides are powers of two");

constexpr uint32_t ChainEnd = 0xFFFF;  // chain link: no older position within reach
constexpr size_t NearWindow = ChainEnd - 1;

constexpr int MinMatchLength = 4;
constexpr size_t ProgressStep = 1 << 20;

uint64_t load64(const uint8_t* p) {
  uint64_t v;
  memcpy(&v, p, 8);
  return v;
}

// Length of the common prefix of a and b, at most limit.
size_t commonLength(const uint8_t* a, const uint8_t* b, size_t limit) {
  size_t n = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  while (n + 8 <= limit) {
    const uint64_t diff = load64(a + n) ^ load64(b + n);
    if (diff) return n + static_cast<size_t>(__builtin_ctzll(diff)) / 8;
    n += 8;
  }
#endif
  while (n < limit && a[n] == b[n]) n++;
  return n;
}

// Bytes a copy item takes: control byte, 16-bit count when the length does
// not fit the control byte, 16-bit offset, and the offset's third byte when
// the distance needs it.
int copyItemSize(int length, int distance) {
  const bool countInControl = length > CopyLengthBias && length <= MaxShortCopyLength;
  return 1 + (countInControl ? 0 : 2) + 2 + (distance > MaxNearCopyDistance ? 1 : 0);
}

// A way to write the bytes from start on: a copy (distance > 0) or a run
// (distance 0). gain = bytes covered minus the bytes the item takes minus the
// far cost; length 0: nothing found.
struct Match {
  size_t start = 0;
  int length = 0;
  int distance = 0;
  int gain = 0;

  size_t end() const { return start + static_cast<size_t>(length); }
};

// A position in the far table, and a second hash of its bytes that rejects
// most wrong candidates without reading them (a cache miss each).
struct FarEntry {
  int32_t position = -1;  // -1: none
  uint32_t check = 0;
};

// The far table keeps the last FarWays positions per hash, newest first, in
// one cache line.
constexpr int FarWays = 2;
struct FarBucket {
  FarEntry ways[FarWays];
};

class Matcher {
 public:
  Matcher(const uint8_t* data, size_t size, const LevelSettings& settings)
      : data_(data), size_(size), settings_(settings) {
    // Positions in the last 7 bytes are not hashed: every hash reads 8 bytes.
    hashEnd_ = size >= 8 ? size - 7 : 0;
    hashBits_ = tableBits(settings.hashBits, size);
    hashShift_ = 64 - 8 * settings.hashLength;
    head_.assign(size_t{1} << hashBits_, -1);
    // Each link is written when its position is entered, before anything
    // reads it, so the chain table is left uninitialised.
    chain_.reset(new uint16_t[std::min<size_t>(ChainEnd + 1, size + 1)]);
    chainMask_ = size > ChainEnd ? ChainEnd : ~size_t{0};
    if (settings.farBits > 0 && size > NearWindow) {
      farBits_ = tableBits(settings.farBits, size / static_cast<size_t>(settings.farStride));
      far_.assign(size_t{1} << farBits_, FarBucket());
    }
  }

  // Enters the positions from the last one entered up to end (exclusive).
  // Positions must be entered in increasing order; skipTo leaves some out.
  void insertUpTo(size_t end) {
    end = std::min(end, hashEnd_);
    const size_t farMask = static_cast<size_t>(settings_.farStride) - 1;
    for (; next_ < end; next_++) {
      const uint32_t h = nearHash(next_);
      const int32_t previous = head_[h];
      const size_t delta = previous < 0 ? ChainEnd : next_ - static_cast<size_t>(previous);
      chain_[next_ & chainMask_] = static_cast<uint16_t>(std::min<size_t>(delta, ChainEnd));
      head_[h] = static_cast<int32_t>(next_);
      if (!far_.empty() && (next_ & farMask) == 0) {
        const uint64_t bytes = load64(data_ + next_);
        FarEntry* ways = far_[farIndex(bytes)].ways;
        std::copy_backward(ways, ways + FarWays - 1, ways + FarWays);
        ways[0] = {static_cast<int32_t>(next_), farCheck(bytes)};
      }
    }
  }

  // Leaves the positions before pos out of the tables.
  void skipTo(size_t pos) { next_ = std::max(next_, pos); }

  // The best item for the bytes at pos; a copy may start earlier, down to
  // floor, when the bytes before it repeat too. Only positions entered so
  // far (all before pos) are candidates.
  Match bestAt(size_t pos, size_t floor) const {
    const size_t remaining = size_ - pos;
    Match best = runAt(pos, remaining);
    if (remaining < MinMatchLength) return best;
    const size_t maxLength = std::min<size_t>(remaining, MaxCopyLength);
    prefetchFar(pos + 2);
    Match copy;
    copy.start = pos;
    searchChain(pos, maxLength, copy);
    searchFar(pos, maxLength, copy);
    extendPeriod(pos, maxLength, copy);
    extendBackwards(floor, copy);
    if (copy.gain > best.gain) best = copy;
    if (best.length > 0) {
      prefetchFar(best.end());
      prefetchFar(best.end() + 1);
    }
    return best;
  }

 private:
  static int tableBits(int most, size_t entries) {
    int bits = 10;
    while (bits < most && (size_t{1} << bits) < entries) bits++;
    return bits;
  }

  uint32_t nearHash(size_t pos) const {
    return static_cast<uint32_t>(((load64(data_ + pos) << hashShift_) * 0x9E3779B97F4A7C15ull) >> (64 - hashBits_));
  }

  // The far table is large and read at random: its entries for the
  // positions likely to be searched next (two on, and the two after the
  // item found) are fetched early.
  void prefetchFar(size_t pos) const {
    if (!far_.empty() && pos < hashEnd_) __builtin_prefetch(&far_[farIndex(load64(data_ + pos))]);
  }

  uint32_t farIndex(uint64_t bytes) const {
    return static_cast<uint32_t>((bytes * 0xC2B2AE3D27D4EB4Full) >> (64 - farBits_));
  }

  static uint32_t farCheck(uint64_t bytes) { return static_cast<uint32_t>((bytes * 0x9E3779B97F4A7C15ull) >> 32); }

  static int copyGain(int length, int distance, int farCost) {
    return length - copyItemSize(length, distance) - (distance > MaxNearCopyDistance ? farCost : 0);
  }

  void consider(size_t pos, int length, int distance, Match& best) const {
    if (length < MinMatchLength) return;
    const int gain = copyGain(length, distance, settings_.farCost);
    if (gain > best.gain || best.length == 0) best = {pos, length, distance, gain};
  }

  Match runAt(size_t pos, size_t remaining) const {
    const size_t limit = std::min<size_t>(remaining, MaxRunLength);
    size_t n = 1;
    while (n < limit && data_[pos + n] == data_[pos]) n++;
    if (n < MinRunLength) return Match();
    return {pos, static_cast<int>(n), 0, static_cast<int>(n) - RunItemSize};
  }

  void searchChain(size_t pos, size_t maxLength, Match& best) const {
    if (pos >= hashEnd_) return;
    const int32_t head = head_[nearHash(pos)];
    if (head < 0) return;
    size_t candidate = static_cast<size_t>(head);
    int steps = settings_.maxChain;
    bool good = false;
    while (true) {
      // The newest position of the hash is a candidate at any distance;
      // the links reach only the near window (and an older position's link
      // may have been overwritten).
      const size_t distance = pos - candidate;
      if (distance > (candidate == static_cast<size_t>(head) ? MaxCopyDistance : NearWindow)) break;
      if (distance >= MinCopyDistance) {
        // A copy may not be longer than its distance.
        const size_t limit = std::min(maxLength, distance);
        // Only a longer match can do better (near the 16-bit count's limit
        // a slightly shorter one could, which costs at most two bytes): the
        // four bytes ending one past the best length reject most candidates
        // without a full compare. Not so when the best is a far copy (the
        // newest position of the hash), which a shorter near one may beat.
        const size_t known = static_cast<size_t>(best.length);
        if (known < MinMatchLength || best.distance > MaxNearCopyDistance ||
            (limit > known &&
             loadLittleEndian32(data_ + candidate + known - 3) == loadLittleEndian32(data_ + pos + known - 3))) {
          const size_t length = commonLength(data_ + pos, data_ + candidate, limit);
          consider(pos, static_cast<int>(length), static_cast<int>(distance), best);
          if (length >= static_cast<size_t>(settings_.niceLength)) break;
        }
        // Following a chain costs a cache miss per step: once a good match
        // is in hand, only a few more candidates are worth it. Positions
        // too close to copy from (inside a run) cost no step.
        if (--steps <= 0) break;
        if (!good && best.length >= settings_.goodLength) {
          good = true;
          steps = std::min(steps, settings_.maxChain / 4);
        }
      }
      if (distance > NearWindow) break;
      const uint32_t delta = chain_[candidate & chainMask_];
      if (delta == ChainEnd) break;
      candidate -= delta;
    }
  }

  void searchFar(size_t pos, size_t maxLength, Match& best) const {
    if (far_.empty() || pos >= hashEnd_ || best.length >= settings_.farBelow) return;
    const uint64_t bytes = load64(data_ + pos);
    const uint32_t check = farCheck(bytes);
    for (const FarEntry& entry : far_[farIndex(bytes)].ways) {
      if (entry.position < 0) return;
      if (entry.check != check) continue;
      const size_t candidate = static_cast<size_t>(entry.position);
      const size_t distance = pos - candidate;
      if (distance > MaxCopyDistance) return;
      if (distance < MinCopyDistance || distance == static_cast<size_t>(best.distance) ||
          bytes != load64(data_ + candidate))
        continue;
      const size_t length = commonLength(data_ + pos, data_ + candidate, std::min(maxLength, distance));
      consider(pos, static_cast<int>(length), static_cast<int>(distance), best);
    }
  }

  // Inside a repeating stretch the nearest match is cut short at its own
  // distance; the same pattern two, four, eight ... periods back allows
  // longer copies. This is what packs long runs of one byte.
  void extendPeriod(size_t pos, size_t maxLength, Match& best) const {
    if (best.length == 0) return;
    for (size_t period = static_cast<size_t>(best.distance); best.length == static_cast<int>(period);) {
      period *= 2;
      if (period > pos || period > MaxCopyDistance || best.length >= static_cast<int>(maxLength)) return;
      const size_t length = commonLength(data_ + pos, data_ + pos - period, std::min(maxLength, period));
      consider(pos, static_cast<int>(length), static_cast<int>(period), best);
    }
  }

  // Moves the start of a copy back over bytes that repeat as well, down to
  // floor (the first byte not yet written). Needed where the match was found
  // late: the far table holds only every farStride-th position, and the
  // greedy level does not look at every position.
  void extendBackwards(size_t floor, Match& copy) const {
    if (copy.length == 0) return;
    const size_t distance = static_cast<size_t>(copy.distance);
    size_t start = copy.start;
    size_t length = static_cast<size_t>(copy.length);
    while (start > floor && start > distance && length < distance && length < MaxCopyLength &&
           data_[start - 1] == data_[start - 1 - distance]) {
      start--;
      length++;
    }
    if (start == copy.start) return;
    copy.start = start;
    copy.length = static_cast<int>(length);
    copy.gain = copyGain(copy.length, copy.distance, settings_.farCost);
  }

  const uint8_t* data_;
  size_t size_;
  LevelSettings settings_;
  size_t hashEnd_ = 0;
  int hashBits_ = 0;
  int hashShift_ = 0;
  int farBits_ = 0;
  size_t chainMask_ = 0;
  size_t next_ = 0;  // the next position to enter
  std::vector<int32_t> head_;           // last position per near hash; -1: none
  std::unique_ptr<uint16_t[]> chain_;   // per position: distance to the previous one of its hash
  std::vector<FarBucket> far_;          // last entered positions per far hash
};

// Appends the items of a block.
class ItemWriter {
 public:
  explicit ItemWriter(std::vector<uint8_t>& out) : out_(out) {}

  void literals(const uint8_t* p, size_t n) {
    while (n > 0) {
      const size_t chunk = std::min<size_t>(n, MaxLongLiteralLength);
      if (chunk <= static_cast<size_t>(MaxShortLiteralLength)) {
        out_.push_back(static_cast<uint8_t>(ShortLiteralItem | chunk));
      } else {
        out_.push_back(static_cast<uint8_t>(LongLiteralItem | (chunk & ItemValueMask)));
        out_.push_back(static_cast<uint8_t>(chunk >> 6));
      }
      out_.insert(out_.end(), p, p + chunk);
      p += chunk;
      n -= chunk;
    }
  }

  void run(uint8_t byte, int length) {
    out_.push_back(static_cast<uint8_t>(RunItem | (length - RunBias)));
    out_.push_back(byte);
  }

  void copy(int length, int distance) {
    const unsigned count = static_cast<unsigned>(length - CopyLengthBias);
    const unsigned offset = static_cast<unsigned>(distance - CopyDistanceBias);
    const bool far = offset > 0xFFFF;
    const bool countInControl = count >= 1 && count <= CopyCountMask;
    out_.push_back(static_cast<uint8_t>(CopyItem | (far ? CopyFarOffsetBit : 0) |
                                        (countInControl ? count : 0)));
    if (!countInControl) {
      out_.push_back(static_cast<uint8_t>(count));
      out_.push_back(static_cast<uint8_t>(count >> 8));
    }
    out_.push_back(static_cast<uint8_t>(offset));
    out_.push_back(static_cast<uint8_t>(offset >> 8));
    if (far) out_.push_back(static_cast<uint8_t>(offset >> 16));
  }

 private:
  std::vector<uint8_t>& out_;
};

// Walks the input once, writing literal stretches and the items the level
// chooses; reports progress now and then.
class Parser {
 public:
  Parser(const uint8_t* data, size_t size, const LevelSettings& settings, std::vector<uint8_t>& out,
         const PackProgress& progress)
      : data_(data), size_(size), settings_(settings), matcher_(data, size, settings), items_(out),
        progress_(progress) {}

  // Greedy: the first item worth writing is written. Where nothing repeats,
  // the positions looked at grow sparser, and of a long copy only the ends
  // are entered into the tables.
  void greedy() {
    size_t misses = 0;
    while (pos_ < size_) {
      reportProgress();
      matcher_.insertUpTo(pos_);
      const Match m = matcher_.bestAt(pos_, literalStart_);
      if (!worthWriting(m)) {
        const size_t step = settings_.skipShift > 0 ? 1 + (misses++ >> settings_.skipShift) : 1;
        matcher_.insertUpTo(pos_ + 1);
        pos_ += step;
        matcher_.skipTo(pos_);
        continue;
      }
      misses = 0;
      write(m);
    }
    finish();
  }

  // Lazy: before an item is written, the position after it is asked too,
  // and wins when it saves more than the literal it leaves behind costs.
  void lazy() {
    Match current = search(pos_);
    while (pos_ < size_) {
      reportProgress();
      if (!worthWriting(current)) {
        current = ++pos_ < size_ ? search(pos_) : Match();
        continue;
      }
      if (current.length < settings_.lazyLength && pos_ + 1 < size_) {
        const Match next = search(pos_ + 1);
        if (prefer(next, current)) {
          current = next;
          pos_++;
          continue;
        }
      }
      write(current);
      current = pos_ < size_ ? search(pos_) : Match();
    }
    finish();
  }

 private:
  Match search(size_t pos) {
    matcher_.insertUpTo(pos);
    return matcher_.bestAt(pos, literalStart_);
  }

  bool worthWriting(const Match& m) const {
    const int cost = settings_.itemCost + (m.start > literalStart_ ? settings_.stretchCost : 0);
    return m.length > 0 && m.gain > cost;
  }

  // What writing the bytes from `from` up to start as literals costs: a
  // byte each, and a new item (its control byte and itemCost) when no
  // literal is pending at `from`.
  int literalCost(size_t from, size_t start) const {
    if (start <= from) return 0;
    return static_cast<int>(start - from) + (from == literalStart_ ? 1 + settings_.itemCost : 0);
  }

  // Whether b is the better choice than a, counting the literals each needs
  // first.
  bool prefer(const Match& b, const Match& a) const {
    if (!worthWriting(b)) return false;
    const size_t from = std::min(a.start, b.start);
    return b.gain - literalCost(from, b.start) > a.gain - literalCost(from, a.start);
  }

  // Writes the pending literals and m. Of a long item only the positions
  // near its ends are entered into the tables: the ones inside are mostly
  // found again through the item's own source.
  void write(const Match& m) {
    const size_t inside = static_cast<size_t>(settings_.enterInside);
    if (inside > 0 && static_cast<size_t>(m.length) > 2 * inside) {
      matcher_.insertUpTo(m.start + inside);
      matcher_.skipTo(m.end() - inside);
    }
    items_.literals(data_ + literalStart_, m.start - literalStart_);
    if (m.distance == 0)
      items_.run(data_[m.start], m.length);
    else
      items_.copy(m.length, m.distance);
    pos_ = m.end();
    literalStart_ = pos_;
  }

  void finish() {
    items_.literals(data_ + literalStart_, size_ - literalStart_);
    if (progress_) progress_(size_);
  }

  void reportProgress() {
    if (progress_ && pos_ >= nextProgress_) {
      progress_(pos_);
      nextProgress_ = pos_ + ProgressStep;
    }
  }

  const uint8_t* data_;
  size_t size_;
  const LevelSettings& settings_;
  Matcher matcher_;
  ItemWriter items_;
  const PackProgress& progress_;
  size_t pos_ = 0;
  size_t literalStart_ = 0;  // the first byte no item has written yet
  size_t nextProgress_ = ProgressStep;
};

}  // namespace

std::vector<uint8_t> PackBlock(const uint8_t* data, size_t size, PackLevel level,
                               const PackProgress& progress) {
  if (size > MaxPackInput) throw std::length_error("a packed block holds at most 2 GiB - 1 bytes");
  const LevelSettings& settings = level == PackLevel::Fast ? FastSettings : BestSettings;

  std::vector<uint8_t> out;
  out.reserve(PackedBlockHeaderSize + size / 2 + 64);
  appendLittleEndian32(out, PackedBlockMagic);
  appendLittleEndian32(out, static_cast<uint32_t>(size));
  if (size == 0) return out;

  Parser parser(data, size, settings, out, progress);
  if (settings.lazyLength > 0)
    parser.lazy();
  else
    parser.greedy();
  return out;
}
