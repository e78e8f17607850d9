// tessa_codec_bench: packs and unpacks the benchmark corpus with our codec and
// with the codecs people know, in one process, and prints every measurement as
// one tab-separated line for bench/report.py:
//
//   SET  MODE  KIND  SUBJECT  VALUE
//
// KIND is input_bytes, files, size (packed bytes), pack_s, unpack_s, loop_s
// (Checksum, XorWithKey and their memcpy) or error. Times are the best of the
// rounds, in seconds; the report turns them into ratios, since absolute times
// on a shared machine are noise. Lines starting with "#" describe the build.
#include "bench/corpus.h"
#include "bench/subjects.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace bench {
namespace {

struct Options {
    std::string corpusRoot;
    std::vector<std::string> sets{"pe-small", "pe-large", "text"};
    std::vector<std::string> modes{"files", "stream"};
    int rounds = 5;
    int packRounds = 1;
    std::string savePacked;
    std::string loadPacked;
    std::string out;
};

const char kUsage[] =
    "usage: tessa_codec_bench [options] CORPUS_DIR\n"
    "\n"
    "Measures our codec against LZ4, zlib and memcpy on the corpus sets in CORPUS_DIR\n"
    "(made by bench/make-corpus) and prints one tab-separated line per figure.\n"
    "\n"
    "  --sets A,B,...      corpus sets to run (default pe-small,pe-large,text)\n"
    "  --modes A,B         files (each file alone), stream (all in one buffer); default both\n"
    "  --rounds N          least rounds of every unpack and loop figure; the best counts (default 5)\n"
    "  --pack-rounds N     rounds of every packing figure (default 1)\n"
    "  --save-packed DIR   write our best-level blocks to DIR/SET.MODE.blocks\n"
    "  --load-packed DIR   read our blocks from DIR instead of packing (for a build without the packer)\n"
    "  --out FILE          write the figures to FILE instead of standard output\n";

using Clock = std::chrono::steady_clock;

// Short figures get more rounds than asked for, until the measured runs of a
// figure add up to kMinSeconds: the best of many short runs is steadier.
constexpr double kMinSeconds = 1.0;
constexpr int kMaxRounds = 50;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        if (comma > start) items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc) return false;
            target = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--sets" && value(v)) {
            o.sets = splitList(v);
        } else if (arg == "--modes" && value(v)) {
            o.modes = splitList(v);
        } else if (arg == "--rounds" && value(v)) {
            o.rounds = std::atoi(v.c_str());
        } else if (arg == "--pack-rounds" && value(v)) {
            o.packRounds = std::atoi(v.c_str());
        } else if (arg == "--save-packed" && value(o.savePacked)) {
        } else if (arg == "--load-packed" && value(o.loadPacked)) {
        } else if (arg == "--out" && value(o.out)) {
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "tessa_codec_bench: unknown or incomplete option %s\n%s", arg.c_str(), kUsage);
            return false;
        } else if (o.corpusRoot.empty()) {
            o.corpusRoot = arg;
        } else {
            std::fprintf(stderr, "tessa_codec_bench: more than one corpus directory\n%s", kUsage);
            return false;
        }
    }
    if (o.corpusRoot.empty() || o.rounds < 1 || o.packRounds < 1) {
        std::fputs(kUsage, stderr);
        return false;
    }
    for (const std::string& m : o.modes) {
        if (m != "files" && m != "stream") {
            std::fprintf(stderr, "tessa_codec_bench: unknown mode %s\n", m.c_str());
            return false;
        }
    }
    return true;
}

class Report {
public:
    explicit Report(std::FILE* f) : f_(f) {}
    void info(const std::string& key, const std::string& value) {
        std::fprintf(f_, "#\t%s\t%s\n", key.c_str(), value.c_str());
    }
    void figure(const std::string& set, const std::string& mode, const char* kind, const std::string& subject,
                double value) {
        std::fprintf(f_, "%s\t%s\t%s\t%s\t%.9g\n", set.c_str(), mode.c_str(), kind, subject.c_str(), value);
        std::fflush(f_);
    }
    void error(const std::string& set, const std::string& mode, const std::string& subject, const std::string& what) {
        std::fprintf(f_, "%s\t%s\terror\t%s\t%s\n", set.c_str(), mode.c_str(), subject.c_str(), what.c_str());
        std::fprintf(stderr, "tessa_codec_bench: %s %s %s: %s\n", set.c_str(), mode.c_str(), subject.c_str(),
                     what.c_str());
        failed_ = true;
    }
    bool failed() const { return failed_; }

private:
    std::FILE* f_;
    bool failed_ = false;
};

void progress(const std::string& set, const std::string& mode, const std::string& what) {
    std::fprintf(stderr, "  %s %s: %s\n", set.c_str(), mode.c_str(), what.c_str());
}

std::string buildDescription() {
    std::string d;
#if defined(_WIN64)
    d = "Windows x86-64";
#elif defined(_WIN32)
    d = "Windows i686";
#elif defined(__x86_64__)
    d = "Linux x86-64";
#elif defined(__i386__)
    d = "Linux i686";
#else
    d = "unknown target";
#endif
#ifdef __VERSION__
    d += ", compiler " __VERSION__;
#endif
#ifdef TESSA_BENCH_FLAGS
    d += ", flags " TESSA_BENCH_FLAGS;
#endif
    return d;
}

// Packs every part; the sizes add up, the time is the best of the rounds.
// Returns false (after reporting) when the packer fails on a part.
bool measurePacker(Packer& packer, const std::vector<const Bytes*>& parts, int rounds, const std::string& set,
                   const std::string& mode, Report& report, std::vector<Bytes>& packed) {
    progress(set, mode, "packing with " + packer.name());
    double best = 0;
    packed.assign(parts.size(), Bytes());
    for (int r = 0; r < rounds; ++r) {
        double total = 0;
        for (size_t i = 0; i < parts.size(); ++i) {
            Clock::time_point start = Clock::now();
            bool ok = packer.pack(*parts[i], packed[i]);
            total += secondsSince(start);
            if (!ok) {
                report.error(set, mode, packer.name(), "packing failed on part " + std::to_string(i));
                return false;
            }
        }
        if (r == 0 || total < best) best = total;
    }
    size_t size = 0;
    for (const Bytes& p : packed) size += p.size();
    report.figure(set, mode, "size", packer.name(), double(size));
    report.figure(set, mode, "pack_s", packer.name(), best);
    return true;
}

// Runs the decoders in turn, round after round, so that a slow moment of the
// machine hits them alike; the first round checks every output.
void measureDecoders(std::vector<std::unique_ptr<Decoder>>& decoders, size_t parts, int rounds,
                     const std::string& set, const std::string& mode, Report& report) {
    std::string names;
    for (auto& d : decoders) names += (names.empty() ? "" : ", ") + d->name();
    progress(set, mode, "unpacking with " + names);
    std::vector<double> best(decoders.size(), 0);
    std::vector<bool> broken(decoders.size(), false);
    double spent = 0;
    for (int r = 0; r < kMaxRounds && (r < rounds || spent < kMinSeconds); ++r) {
        for (size_t d = 0; d < decoders.size(); ++d) {
            if (broken[d]) continue;
            Decoder& decoder = *decoders[d];
            for (size_t i = 0; i < parts; ++i) decoder.prepare(i);
            Clock::time_point start = Clock::now();
            for (size_t i = 0; i < parts; ++i) decoder.run(i);
            double t = secondsSince(start);
            spent += t;
            for (size_t i = 0; i < parts; ++i) {
                if (!decoder.finish(i, r == 0) && !broken[d]) {
                    report.error(set, mode, decoder.name(), "wrong output for part " + std::to_string(i));
                    broken[d] = true;
                }
            }
            if (r == 0 || t < best[d]) best[d] = t;
        }
    }
    for (size_t d = 0; d < decoders.size(); ++d) {
        if (!broken[d]) report.figure(set, mode, "unpack_s", decoders[d]->name(), best[d]);
    }
}

volatile uint32_t g_sink;

// Checksum and XorWithKey against memcpy over the same bytes, all buffers
// touched beforehand: these are the loops' own speeds.
void measureLoops(const Bytes& data, int rounds, const std::string& set, const std::string& mode, Report& report) {
    progress(set, mode, "Checksum, XorWithKey and memcpy");
    Bytes target(data.size() + 1, 0);
    Bytes scratch(data);
    double bestCopy = 0, bestSum = 0, bestXor = 0;
    double spent = 0;
    for (int r = 0; r < kMaxRounds && (r < rounds || spent < kMinSeconds); ++r) {
        Clock::time_point start = Clock::now();
        std::memcpy(target.data(), data.data(), data.size());
        double tCopy = secondsSince(start);
        g_sink = g_sink + target[data.size() / 2];

        start = Clock::now();
        uint32_t sum = oursChecksum(data.data(), data.size());
        double tSum = secondsSince(start);
        g_sink = g_sink + sum;

        start = Clock::now();
        oursXorWithKey(scratch.data(), scratch.size(), 0x5A3C9617u + r);
        double tXor = secondsSince(start);
        g_sink = g_sink + scratch[data.size() / 2];

        spent += tCopy + tSum + tXor;
        if (r == 0 || tCopy < bestCopy) bestCopy = tCopy;
        if (r == 0 || tSum < bestSum) bestSum = tSum;
        if (r == 0 || tXor < bestXor) bestXor = tXor;
    }
    report.figure(set, mode, "loop_s", "memcpy", bestCopy);
    report.figure(set, mode, "loop_s", "checksum", bestSum);
    report.figure(set, mode, "loop_s", "xor", bestXor);
}

void runSet(const Options& o, const Corpus& corpus, const std::string& mode, Report& report) {
    const std::string& set = corpus.name;
    std::vector<const Bytes*> parts;
    if (mode == "stream") {
        parts.push_back(&corpus.stream);
    } else {
        for (const Bytes& f : corpus.files) parts.push_back(&f);
    }
    report.figure(set, mode, "input_bytes", "-", double(corpus.stream.size()));
    report.figure(set, mode, "files", "-", double(corpus.files.size()));

    // Packed forms kept for the decoders: ours at its best level, LZ4 at its
    // best level (HC 12), zlib at its default (6).
    std::vector<Bytes> oursPacked, lz4Packed, zlibPacked, scratch;
    bool haveOurs = false, haveLz4 = false, haveZlib = false;
    std::string blocksFile = set + "." + mode + ".blocks";

    if (!o.loadPacked.empty()) {
        std::string error;
        haveOurs = readBlocks(o.loadPacked + "/" + blocksFile, oursPacked, error) && oursPacked.size() == parts.size();
        if (!haveOurs) report.error(set, mode, "ours-best", error.empty() ? "block count differs" : error);
    } else {
        if (auto p = makeOursPacker(true)) haveOurs = measurePacker(*p, parts, o.packRounds, set, mode, report, oursPacked);
        if (auto p = makeOursPacker(false)) measurePacker(*p, parts, o.packRounds, set, mode, report, scratch);
        if (auto p = makeLz4HcPacker(9)) measurePacker(*p, parts, o.packRounds, set, mode, report, scratch);
        if (auto p = makeLz4HcPacker(12)) haveLz4 = measurePacker(*p, parts, o.packRounds, set, mode, report, lz4Packed);
        if (auto p = makeZlibPacker(6)) haveZlib = measurePacker(*p, parts, o.packRounds, set, mode, report, zlibPacked);
        scratch.clear();
        if (haveOurs && !o.savePacked.empty()) {
            std::string error;
            if (!writeBlocks(o.savePacked + "/" + blocksFile, oursPacked, error)) {
                report.error(set, mode, "ours-best", error);
            }
        }
    }

    std::vector<std::unique_ptr<Decoder>> decoders;
    decoders.push_back(makeMemcpyDecoder(parts, false));
    decoders.push_back(makeMemcpyDecoder(parts, true));
    if (haveOurs && oursCodecAvailable()) decoders.push_back(makeOursDecoder(oursPacked, parts));
    if (haveLz4) decoders.push_back(makeLz4Decoder(lz4Packed, parts));
    if (haveZlib) decoders.push_back(makeZlibDecoder(zlibPacked, parts));
    measureDecoders(decoders, parts.size(), o.rounds, set, mode, report);
    decoders.clear();

    if (mode == "stream" && oursCodecAvailable()) measureLoops(corpus.stream, o.rounds, set, mode, report);
}

// Every decoder allocates its output in the timed part, as `Unpack` must. With
// glibc, freed memory is kept for the next round, so that the best round
// measures the decoders rather than the kernel handing out fresh pages (which
// costs every decoder the same in a real installation). Elsewhere each round
// may get fresh pages; the memcpy into a buffer touched beforehand shows how
// much that costs.
void keepFreedMemory() {
#ifdef __GLIBC__
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 0x7FFFFFFF);
#endif
}

int run(int argc, char** argv) {
    Options o;
    if (!parseOptions(argc, argv, o)) return 2;
    keepFreedMemory();
    std::FILE* f = stdout;
    if (!o.out.empty()) {
        f = std::fopen(o.out.c_str(), "w");
        if (!f) {
            std::fprintf(stderr, "tessa_codec_bench: cannot create %s\n", o.out.c_str());
            return 1;
        }
    }
    Report report(f);
    report.info("build", buildDescription());
    report.info("references", referenceVersions());
    report.info("ours", std::string(oursCodecAvailable() ? "codec" : "no codec") +
                            (oursPackerAvailable() ? ", packer" : ", no packer"));
    for (const std::string& set : o.sets) {
        Corpus corpus;
        std::string error;
        std::fprintf(stderr, "tessa_codec_bench: %s\n", set.c_str());
        if (!loadCorpus(o.corpusRoot + "/" + set, set, corpus, error)) {
            report.error(set, "-", "corpus", error);
            continue;
        }
        for (const std::string& mode : o.modes) runSet(o, corpus, mode, report);
    }
    if (f != stdout) std::fclose(f);
    return report.failed() ? 1 : 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) { return bench::run(argc, argv); }
