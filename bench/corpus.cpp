#include "bench/corpus.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace bench {
namespace fs = std::filesystem;

namespace {

bool readWholeFile(const fs::path& path, Bytes& out, std::string& error) {
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
    if (!f) {
        error = "cannot open " + path.string();
        return false;
    }
    std::error_code ec;
    uintmax_t size = fs::file_size(path, ec);
    out.resize(ec ? 0 : static_cast<size_t>(size));
    bool ok = !ec && std::fread(out.data(), 1, out.size(), f) == out.size();
    std::fclose(f);
    if (!ok) error = "cannot read " + path.string();
    return ok;
}

void putU32(std::FILE* f, uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

bool getU32(std::FILE* f, uint32_t& v) {
    uint8_t b[4];
    if (std::fread(b, 1, 4, f) != 4) return false;
    v = b[0] | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

}  // namespace

bool loadCorpus(const std::string& dir, const std::string& name, Corpus& corpus, std::string& error) {
    std::vector<fs::path> paths;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file()) paths.push_back(it->path());
    }
    if (ec) {
        error = "cannot list " + dir + ": " + ec.message();
        return false;
    }
    if (paths.empty()) {
        error = "no files in " + dir;
        return false;
    }
    // Byte order of the names, as the corpus script sorted them.
    std::sort(paths.begin(), paths.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
    corpus.name = name;
    corpus.files.assign(paths.size(), Bytes());
    size_t total = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!readWholeFile(paths[i], corpus.files[i], error)) return false;
        total += corpus.files[i].size();
    }
    corpus.stream.clear();
    corpus.stream.reserve(total);
    for (const Bytes& file : corpus.files) corpus.stream.insert(corpus.stream.end(), file.begin(), file.end());
    return true;
}

bool writeBlocks(const std::string& path, const std::vector<Bytes>& blocks, std::string& error) {
    std::string partial = path + ".part";
    std::FILE* f = std::fopen(partial.c_str(), "wb");
    if (!f) {
        error = "cannot create " + partial;
        return false;
    }
    putU32(f, static_cast<uint32_t>(blocks.size()));
    for (const Bytes& block : blocks) {
        putU32(f, static_cast<uint32_t>(block.size()));
        std::fwrite(block.data(), 1, block.size(), f);
    }
    bool ok = !std::ferror(f);
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok) fs::rename(partial, path, ec);
    if (!ok || ec) {
        fs::remove(partial, ec);
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool readBlocks(const std::string& path, std::vector<Bytes>& blocks, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open " + path + " (run the native benchmark first: it writes the packed blocks)";
        return false;
    }
    uint32_t count = 0;
    bool ok = getU32(f, count);
    blocks.clear();
    for (uint32_t i = 0; ok && i < count; ++i) {
        uint32_t size = 0;
        ok = getU32(f, size);
        if (!ok) break;
        Bytes block(size);
        ok = std::fread(block.data(), 1, size, f) == size;
        blocks.push_back(std::move(block));
    }
    std::fclose(f);
    if (!ok) error = "truncated block file " + path;
    return ok;
}

}  // namespace bench
