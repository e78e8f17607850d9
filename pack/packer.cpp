#include "pack/packer.h"

#include <string.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "archive/format.h"

namespace {

struct LevelSettings {
  int hashBits;     // at most; small inputs use a smaller table
  int maxChain;     // candidates looked at per position
  int goodLength;   // once a match this long is found, a quarter of them
  int niceLength;   // a match this long ends the search
  int window;       // farthest distance the hash chains reach
  int lazyLength;   // look one position ahead unless the match is this long; 0: never
  int farBits;      // at most; 0: no far table
  int farWindow;    // farthest distance a far-table candidate is used at
};

// Long chains over a long window cost a cache miss per step, and most of
// what a far window adds is long repeats (whole functions, resources,
// paragraphs). So the best level searches its chains only over 64 KiB and
// adds one far candidate per position: the last position whose first
// FarHashLength bytes hashed alike, up to 16 MiB - 1 back. The chain table
// must be longer than the chain window (see Matcher).
constexpr LevelSettings FastSettings = {16, 4, 16, 64, (1 << 20) - 1, 0, 0, 0};
constexpr LevelSettings BestSettings = {17, 24, 16, 256, (1 << 16) - 1, 16, 22, (1 << 24) - 1};

constexpr size_t FarHashLength = 8;

constexpr int MinMatchLength = 4;
constexpr size_t ProgressStep = 1 << 20;

uint32_t load32(const uint8_t* p) {
  uint32_t v;
  memcpy(&v, p, 4);
  return v;
}

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

// A way to write the bytes at a position: a copy (distance > 0) or a run
// (distance 0). gain = bytes covered minus bytes the item takes.
struct Match {
  int length = 0;
  int distance = 0;
  int gain = 0;
};

class Matcher {
 public:
  Matcher(const uint8_t* data, size_t size, const LevelSettings& settings)
      : data_(data), size_(size), settings_(settings) {
    hashBits_ = 10;
    while (hashBits_ < settings.hashBits && (size_t{1} << hashBits_) < size) hashBits_++;
    // No table entry is overwritten while the chain can still reach it:
    // the table either holds every position or is longer than the window.
    const size_t needed = std::min(size, static_cast<size_t>(settings.window) + 1);
    int chainBits = 1;
    while ((size_t{1} << chainBits) < needed) chainBits++;
    chainMask_ = (size_t{1} << chainBits) - 1;
    head_.assign(size_t{1} << hashBits_, -1);
    // Each entry is written when its position is inserted, before anything
    // reads it, so the (large) chain table is left uninitialised.
    chain_.reset(new int32_t[std::min(chainMask_ + 1, size + 1)]);
    if (settings.farBits > 0 && size >= FarHashLength) {
      farBits_ = 10;
      while (farBits_ < settings.farBits && (size_t{1} << farBits_) < size) farBits_++;
      far_.assign(size_t{1} << farBits_, -1);
    }
  }

  // Enters every position before end into the hash chains (once each).
  void insertUpTo(size_t end) {
    const size_t last = size_ >= MinMatchLength ? size_ - MinMatchLength + 1 : 0;
    if (end > last) end = last;
    for (; inserted_ < end; inserted_++) {
      const uint32_t h = hash(inserted_);
      chain_[inserted_ & chainMask_] = head_[h];
      head_[h] = static_cast<int32_t>(inserted_);
      if (!far_.empty() && inserted_ + FarHashLength <= size_)
        far_[farHash(inserted_)] = static_cast<int32_t>(inserted_);
    }
  }

  // The best item for the bytes at pos; gain 0 when nothing beats literals.
  Match bestAt(size_t pos) const {
    const size_t remaining = size_ - pos;
    const Match run = runAt(pos, remaining);
    if (remaining < MinMatchLength) return run;
    const size_t maxLength = std::min<size_t>(remaining, MaxCopyLength);
    Match copy;
    searchChain(pos, maxLength, copy);
    searchFar(pos, maxLength, copy);
    extendPeriod(pos, maxLength, copy);
    return copy.gain > run.gain ? copy : run;
  }

 private:
  uint32_t hash(size_t pos) const {
    return (load32(data_ + pos) * 2654435761u) >> (32 - hashBits_);
  }

  uint32_t farHash(size_t pos) const {
    return static_cast<uint32_t>((load64(data_ + pos) * 0x9E3779B97F4A7C15ull) >> (64 - farBits_));
  }

  void consider(int length, int distance, Match& best) const {
    if (length < MinMatchLength) return;
    const int gain = length - copyItemSize(length, distance);
    if (gain > best.gain) best = {length, distance, gain};
  }

  Match runAt(size_t pos, size_t remaining) const {
    const size_t limit = std::min<size_t>(remaining, MaxRunLength);
    size_t n = 1;
    while (n < limit && data_[pos + n] == data_[pos]) n++;
    if (n < MinRunLength) return Match();
    return {static_cast<int>(n), 0, static_cast<int>(n) - RunItemSize};
  }

  void searchChain(size_t pos, size_t maxLength, Match& best) const {
    int32_t candidate = head_[hash(pos)];
    bool good = false;
    for (int steps = settings_.maxChain; candidate >= 0 && steps > 0; steps--) {
      // Following a chain costs a cache miss per step: once a good match
      // is in hand, only a few more candidates are worth it.
      if (!good && best.length >= settings_.goodLength) {
        good = true;
        steps = std::min(steps, settings_.maxChain / 4);
      }
      const size_t distance = pos - static_cast<size_t>(candidate);
      if (distance > static_cast<size_t>(settings_.window)) break;
      if (distance >= MinCopyDistance) {
        // A copy may not be longer than its distance.
        const size_t limit = std::min(maxLength, distance);
        // Only a longer match can do better (near the 16-bit count's limit
        // a slightly shorter one could, which costs at most two bytes): the
        // four bytes ending one past the best length reject most candidates
        // without a full compare.
        const size_t known = static_cast<size_t>(best.length);
        if (known >= MinMatchLength &&
            (limit <= known || load32(data_ + candidate + known - 3) != load32(data_ + pos + known - 3))) {
          candidate = chain_[static_cast<size_t>(candidate) & chainMask_];
          continue;
        }
        const size_t length = commonLength(data_ + pos, data_ + candidate, limit);
        consider(static_cast<int>(length), static_cast<int>(distance), best);
        if (length >= static_cast<size_t>(settings_.niceLength)) break;
      }
      candidate = chain_[static_cast<size_t>(candidate) & chainMask_];
    }
  }

  // The far candidate only matters beyond the chains' reach; nearer ones
  // the chains have seen already.
  void searchFar(size_t pos, size_t maxLength, Match& best) const {
    if (far_.empty() || pos + FarHashLength > size_ || best.length >= settings_.niceLength) return;
    const int32_t candidate = far_[farHash(pos)];
    if (candidate < 0) return;
    const size_t distance = pos - static_cast<size_t>(candidate);
    if (distance <= static_cast<size_t>(settings_.window) ||
        distance > static_cast<size_t>(settings_.farWindow))
      return;
    const size_t length = commonLength(data_ + pos, data_ + candidate, std::min(maxLength, distance));
    consider(static_cast<int>(length), static_cast<int>(distance), best);
  }

  // Inside a repeating stretch the nearest match is cut short at its own
  // distance; the same pattern two, four, eight ... periods back allows
  // longer copies. This is what packs long runs of one byte.
  void extendPeriod(size_t pos, size_t maxLength, Match& best) const {
    if (best.distance == 0) return;  // no copy found
    for (size_t period = static_cast<size_t>(best.distance); best.length == static_cast<int>(period);) {
      period *= 2;
      if (period > pos || period > static_cast<size_t>(std::max(settings_.window, settings_.farWindow)) || best.length >= static_cast<int>(maxLength)) return;
      const size_t length = commonLength(data_ + pos, data_ + pos - period, std::min(maxLength, period));
      consider(static_cast<int>(length), static_cast<int>(period), best);
    }
  }

  const uint8_t* data_;
  size_t size_;
  LevelSettings settings_;
  int hashBits_;
  int farBits_ = 0;
  size_t chainMask_ = 0;
  size_t inserted_ = 0;
  std::vector<int32_t> head_;
  std::unique_ptr<int32_t[]> chain_;
  std::vector<int32_t> far_;  // position per FarHashLength-byte hash; -1: none
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

void storeLittleEndian32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; i++) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> PackBlock(const uint8_t* data, size_t size, PackLevel level,
                               const PackProgress& progress) {
  if (size > MaxPackInput) throw std::length_error("a packed block holds at most 2 GiB - 1 bytes");
  const LevelSettings& settings = level == PackLevel::Fast ? FastSettings : BestSettings;

  std::vector<uint8_t> out;
  out.reserve(PackedBlockHeaderSize + size / 2 + 64);
  storeLittleEndian32(out, PackedBlockMagic);
  storeLittleEndian32(out, static_cast<uint32_t>(size));
  if (size == 0) return out;

  Matcher matcher(data, size, settings);
  ItemWriter items(out);
  size_t pos = 0;
  size_t literalStart = 0;
  size_t nextProgress = ProgressStep;
  Match current = matcher.bestAt(pos);
  while (pos < size) {
    if (progress && pos >= nextProgress) {
      progress(pos);
      nextProgress = pos + ProgressStep;
    }
    matcher.insertUpTo(pos + 1);
    if (current.gain <= 0) {
      current = ++pos < size ? matcher.bestAt(pos) : Match();
      continue;
    }
    if (current.length < settings.lazyLength && pos + 1 < size) {
      // Taking a literal first costs about one byte; it pays when the match
      // one position later gains more than that.
      const Match next = matcher.bestAt(pos + 1);
      if (next.gain > current.gain + 1) {
        current = next;
        pos++;
        continue;
      }
    }
    items.literals(data + literalStart, pos - literalStart);
    if (current.distance == 0)
      items.run(data[pos], current.length);
    else
      items.copy(current.length, current.distance);
    pos += static_cast<size_t>(current.length);
    literalStart = pos;
    matcher.insertUpTo(pos);
    current = pos < size ? matcher.bestAt(pos) : Match();
  }
  items.literals(data + literalStart, size - literalStart);
  if (progress) progress(size);
  return out;
}
