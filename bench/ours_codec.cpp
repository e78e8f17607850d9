// Our side of the unpacking figures: `Unpack`, `Checksum` and `XorWithKey`
// exactly as the installer calls them.
#include "bench/subjects.h"

#include <cstring>

#if TESSA_BENCH_OURS
#include "archive/codec.h"
#endif

namespace bench {

#if TESSA_BENCH_OURS

namespace {

// Each run unpacks a String holding a copy of the block, as the installer
// does with the payload it has read; the copy is made in prepare(), outside
// the timed part, and Unpack's own allocation of the output is timed.
class OursDecoder : public Decoder {
public:
    OursDecoder(const std::vector<Bytes>& packed, const std::vector<const Bytes*>& originals)
        : packed_(packed), originals_(originals), blocks_(packed.size()), unpacked_(packed.size(), false) {}
    std::string name() const override { return "ours"; }
    void prepare(size_t i) override {
        blocks_[i].assign(reinterpret_cast<const char*>(packed_[i].data()), static_cast<int>(packed_[i].size()));
    }
    void run(size_t i) override { unpacked_[i] = Unpack(blocks_[i]); }
    bool finish(size_t i, bool compare) override {
        const Bytes& original = *originals_[i];
        bool ok = !compare ||
                  (unpacked_[i] && size_t(blocks_[i].length()) == original.size() &&
                   (original.empty() || std::memcmp(blocks_[i].buffer(), original.data(), original.size()) == 0));
        blocks_[i].reset();
        return ok;
    }

private:
    const std::vector<Bytes>& packed_;
    const std::vector<const Bytes*>& originals_;
    std::vector<String> blocks_;
    std::vector<bool> unpacked_;
};

}  // namespace

bool oursCodecAvailable() { return true; }

std::unique_ptr<Decoder> makeOursDecoder(const std::vector<Bytes>& packed, const std::vector<const Bytes*>& originals) {
    return std::make_unique<OursDecoder>(packed, originals);
}

uint32_t oursChecksum(const uint8_t* p, size_t n) { return Checksum(p, static_cast<int32_t>(n)); }

void oursXorWithKey(uint8_t* p, size_t n, uint32_t key) { XorWithKey(p, static_cast<int32_t>(n), key); }

#else

bool oursCodecAvailable() { return false; }
std::unique_ptr<Decoder> makeOursDecoder(const std::vector<Bytes>&, const std::vector<const Bytes*>&) {
    return nullptr;
}
uint32_t oursChecksum(const uint8_t*, size_t) { return 0; }
void oursXorWithKey(uint8_t*, size_t, uint32_t) {}

#endif

}  // namespace bench
