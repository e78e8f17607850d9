// What the benchmark measures: packers (compressors) and decoders, ours and the
// reference codecs, behind one small interface each so every figure is taken the
// same way for every subject.
#pragma once

#include "bench/corpus.h"

#include <memory>
#include <string>
#include <vector>

namespace bench {

// Packs one buffer. Returns false when the subject cannot pack it.
class Packer {
public:
    virtual ~Packer() = default;
    virtual std::string name() const = 0;
    virtual bool pack(const Bytes& in, Bytes& out) = 0;
};

// Decodes a list of parts. A round is prepare(i) for every part (untimed),
// run(i) for every part (timed, back to back), finish(i) for every part
// (untimed). run() must leave the decoded bytes in a buffer of its own that it
// allocated in run(), as an installer's unpacker has to; finish() compares them
// with the original when asked and releases them.
class Decoder {
public:
    virtual ~Decoder() = default;
    virtual std::string name() const = 0;
    virtual void prepare(size_t) {}
    virtual void run(size_t i) = 0;
    virtual bool finish(size_t i, bool compare) = 0;
};

// Whether this build has our codec (archive/codec.h) and our packer (pack/).
bool oursCodecAvailable();
bool oursPackerAvailable();

// Our packer at its fast or its best level; null when the build has no packer.
std::unique_ptr<Packer> makeOursPacker(bool best);
// `Unpack` over the given packed parts, checked against `originals`.
std::unique_ptr<Decoder> makeOursDecoder(const std::vector<Bytes>& packed, const std::vector<const Bytes*>& originals);
uint32_t oursChecksum(const uint8_t* p, size_t n);
void oursXorWithKey(uint8_t* p, size_t n, uint32_t key);

// The reference codecs; null where the build has no such library (the Windows
// build: Debian ships LZ4 and zlib for the host only).
std::unique_ptr<Packer> makeLz4HcPacker(int level);
std::unique_ptr<Packer> makeZlibPacker(int level);
std::unique_ptr<Decoder> makeLz4Decoder(const std::vector<Bytes>& packed, const std::vector<const Bytes*>& originals);
std::unique_ptr<Decoder> makeZlibDecoder(const std::vector<Bytes>& packed, const std::vector<const Bytes*>& originals);
// memcpy of the originals: the physical limit of any decoder. With `warm` it
// copies into buffers allocated and touched beforehand instead of allocating.
std::unique_ptr<Decoder> makeMemcpyDecoder(const std::vector<const Bytes*>& originals, bool warm);

// Describes the reference libraries of this build, e.g. "LZ4 1.9.4, zlib 1.2.13".
std::string referenceVersions();

}  // namespace bench
