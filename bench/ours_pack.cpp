// Our side of the packing figures: the packer of the package builder at its
// fast and its best level.
#include "bench/subjects.h"

#if TESSA_BENCH_PACKER
#include "pack/packer.h"
#endif

namespace bench {

#if TESSA_BENCH_PACKER

namespace {

class OursPacker : public Packer {
public:
    explicit OursPacker(bool best) : best_(best) {}
    std::string name() const override { return best_ ? "ours-best" : "ours-fast"; }
    bool pack(const Bytes& in, Bytes& out) override {
        if (in.size() > MaxPackInput) return false;
        out = PackBlock(in, best_ ? PackLevel::Best : PackLevel::Fast);
        return true;
    }

private:
    bool best_;
};

}  // namespace

bool oursPackerAvailable() { return true; }
std::unique_ptr<Packer> makeOursPacker(bool best) { return std::make_unique<OursPacker>(best); }

#else

bool oursPackerAvailable() { return false; }
std::unique_ptr<Packer> makeOursPacker(bool) { return nullptr; }

#endif

}  // namespace bench
