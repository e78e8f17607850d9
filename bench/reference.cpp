// The codecs people know, measured beside ours: LZ4 (HC for packing, the safe
// decoder for unpacking), zlib, and memcpy as the limit.
#include "bench/subjects.h"

#include <cstdlib>
#include <cstring>

#if TESSA_BENCH_REFERENCE
#include <lz4.h>
#include <lz4hc.h>
#include <zlib.h>
#endif

namespace bench {

namespace {

// Empty buffers have no data pointer; the libraries (and memcpy) get a real one.
const uint8_t kNothing[1] = {0};
const uint8_t* dataOf(const Bytes& b) { return b.empty() ? kNothing : b.data(); }

// Output buffers of the decoders. "Fresh" buffers are allocated inside the timed
// run, as `Unpack` allocates its output; "warm" ones are allocated and touched
// once beforehand, which gives the loop's own speed without the cost of new pages.
class Outputs {
public:
    Outputs(const std::vector<const Bytes*>& originals, bool warm) : originals_(originals), warm_(warm) {
        buffers_.assign(originals.size(), nullptr);
        if (warm_) {
            for (size_t i = 0; i < originals.size(); ++i) {
                buffers_[i] = static_cast<uint8_t*>(std::malloc(originals[i]->size() + 1));
                std::memset(buffers_[i], 0, originals[i]->size() + 1);
            }
        }
    }
    ~Outputs() {
        for (uint8_t* b : buffers_) std::free(b);
    }
    Outputs(const Outputs&) = delete;
    Outputs& operator=(const Outputs&) = delete;

    uint8_t* acquire(size_t i) {
        if (!warm_) buffers_[i] = static_cast<uint8_t*>(std::malloc(originals_[i]->size() + 1));
        return buffers_[i];
    }
    // Compares the first `produced` bytes with the original when asked.
    bool release(size_t i, size_t produced, bool compare) {
        const Bytes& original = *originals_[i];
        bool ok = !compare || (produced == original.size() &&
                               (original.empty() || std::memcmp(buffers_[i], original.data(), produced) == 0));
        if (!warm_) {
            std::free(buffers_[i]);
            buffers_[i] = nullptr;
        }
        return ok;
    }
    size_t size(size_t i) const { return originals_[i]->size(); }

private:
    const std::vector<const Bytes*>& originals_;
    bool warm_;
    std::vector<uint8_t*> buffers_;
};

class MemcpyDecoder : public Decoder {
public:
    MemcpyDecoder(const std::vector<const Bytes*>& originals, bool warm)
        : originals_(originals), out_(originals, warm), warm_(warm) {}
    std::string name() const override { return warm_ ? "memcpy-warm" : "memcpy"; }
    void run(size_t i) override { std::memcpy(out_.acquire(i), dataOf(*originals_[i]), originals_[i]->size()); }
    bool finish(size_t i, bool compare) override { return out_.release(i, out_.size(i), compare); }

private:
    const std::vector<const Bytes*>& originals_;
    Outputs out_;
    bool warm_;
};

#if TESSA_BENCH_REFERENCE

class Lz4HcPacker : public Packer {
public:
    explicit Lz4HcPacker(int level) : level_(level) {}
    std::string name() const override { return "lz4hc" + std::to_string(level_); }
    bool pack(const Bytes& in, Bytes& out) override {
        if (in.size() > LZ4_MAX_INPUT_SIZE) return false;
        out.resize(LZ4_compressBound(static_cast<int>(in.size())));
        int n = LZ4_compress_HC(reinterpret_cast<const char*>(dataOf(in)), reinterpret_cast<char*>(out.data()),
                                static_cast<int>(in.size()), static_cast<int>(out.size()), level_);
        out.resize(n > 0 ? n : 0);
        return n > 0;
    }

private:
    int level_;
};

class ZlibPacker : public Packer {
public:
    explicit ZlibPacker(int level) : level_(level) {}
    std::string name() const override { return "zlib" + std::to_string(level_); }
    bool pack(const Bytes& in, Bytes& out) override {
        uLongf size = compressBound(in.size());
        out.resize(size);
        int rc = compress2(out.data(), &size, dataOf(in), in.size(), level_);
        out.resize(rc == Z_OK ? size : 0);
        return rc == Z_OK;
    }

private:
    int level_;
};

class Lz4Decoder : public Decoder {
public:
    Lz4Decoder(const std::vector<Bytes>& packed, const std::vector<const Bytes*>& originals)
        : packed_(packed), out_(originals, false), produced_(originals.size()) {}
    std::string name() const override { return "lz4"; }
    void run(size_t i) override {
        int n = LZ4_decompress_safe(reinterpret_cast<const char*>(packed_[i].data()),
                                    reinterpret_cast<char*>(out_.acquire(i)), static_cast<int>(packed_[i].size()),
                                    static_cast<int>(out_.size(i)));
        produced_[i] = n < 0 ? size_t(-1) : size_t(n);
    }
    bool finish(size_t i, bool compare) override { return out_.release(i, produced_[i], compare); }

private:
    const std::vector<Bytes>& packed_;
    Outputs out_;
    std::vector<size_t> produced_;
};

class ZlibDecoder : public Decoder {
public:
    ZlibDecoder(const std::vector<Bytes>& packed, const std::vector<const Bytes*>& originals)
        : packed_(packed), out_(originals, false), produced_(originals.size()) {}
    std::string name() const override { return "zlib"; }
    void run(size_t i) override {
        uLongf size = out_.size(i);
        int rc = uncompress(out_.acquire(i), &size, packed_[i].data(), packed_[i].size());
        produced_[i] = rc == Z_OK ? size : size_t(-1);
    }
    bool finish(size_t i, bool compare) override { return out_.release(i, produced_[i], compare); }

private:
    const std::vector<Bytes>& packed_;
    Outputs out_;
    std::vector<size_t> produced_;
};

#endif

}  // namespace

std::unique_ptr<Decoder> makeMemcpyDecoder(const std::vector<const Bytes*>& originals, bool warm) {
    return std::make_unique<MemcpyDecoder>(originals, warm);
}

#if TESSA_BENCH_REFERENCE

std::unique_ptr<Packer> makeLz4HcPacker(int level) { return std::make_unique<Lz4HcPacker>(level); }
std::unique_ptr<Packer> makeZlibPacker(int level) { return std::make_unique<ZlibPacker>(level); }
std::unique_ptr<Decoder> makeLz4Decoder(const std::vector<Bytes>& packed, const std::vector<const Bytes*>& originals) {
    return std::make_unique<Lz4Decoder>(packed, originals);
}
std::unique_ptr<Decoder> makeZlibDecoder(const std::vector<Bytes>& packed, const std::vector<const Bytes*>& originals) {
    return std::make_unique<ZlibDecoder>(packed, originals);
}
std::string referenceVersions() {
    return std::string("LZ4 ") + LZ4_versionString() + ", zlib " + zlibVersion();
}

#else

std::unique_ptr<Packer> makeLz4HcPacker(int) { return nullptr; }
std::unique_ptr<Packer> makeZlibPacker(int) { return nullptr; }
std::unique_ptr<Decoder> makeLz4Decoder(const std::vector<Bytes>&, const std::vector<const Bytes*>&) {
    return nullptr;
}
std::unique_ptr<Decoder> makeZlibDecoder(const std::vector<Bytes>&, const std::vector<const Bytes*>&) {
    return nullptr;
}
std::string referenceVersions() { return "none (no LZ4 or zlib for this target)"; }

#endif

}  // namespace bench
