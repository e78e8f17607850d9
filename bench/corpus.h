// The benchmark's input: a corpus directory read into memory, and the packed
// blocks the native run hands to the Windows run (whose build has no packer).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

using Bytes = std::vector<uint8_t>;

// One corpus set: its files in C-locale name order and, since an installer's
// payload is one stream, the same bytes as one concatenated buffer.
struct Corpus {
    std::string name;
    std::vector<Bytes> files;
    Bytes stream;
};

// Reads every regular file of `dir` (not recursing). Returns false with `error`
// set when the directory cannot be listed, a file cannot be read, or it holds
// no file at all.
bool loadCorpus(const std::string& dir, const std::string& name, Corpus& corpus, std::string& error);

// A list of blocks in one file: a 32-bit count, then each block as its 32-bit
// length and its bytes (little-endian, like the archive).
bool writeBlocks(const std::string& path, const std::vector<Bytes>& blocks, std::string& error);
bool readBlocks(const std::string& path, std::vector<Bytes>& blocks, std::string& error);

}  // namespace bench
