// Runs a fuzz target without libFuzzer (where the compiler has none): the
// seed files given on the command line, then mutations of them and random
// inputs, for a fixed number of runs with a fixed start, so that a failure
// repeats. Usage: TARGET [-runs=N] [SEED_FILE_OR_DIRECTORY]...
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Input = std::vector<uint8_t>;

uint64_t State = 0x9E3779B97F4A7C15u;
uint64_t next() {
  State ^= State << 13;
  State ^= State >> 7;
  State ^= State << 17;
  return State;
}

void addSeed(const std::filesystem::path& path, std::vector<Input>& seeds) {
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::directory_iterator(path)) addSeed(entry.path(), seeds);
    return;
  }
  std::ifstream in(path, std::ios::binary);
  seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Input mutate(Input input) {
  const int edits = 1 + static_cast<int>(next() % 8);
  for (int i = 0; i < edits; ++i) {
    const size_t at = input.empty() ? 0 : next() % input.size();
    switch (next() % 4) {
      case 0: if (!input.empty()) input[at] ^= static_cast<uint8_t>(1u << (next() % 8)); break;
      case 1: if (!input.empty()) input[at] = static_cast<uint8_t>(next()); break;
      case 2: input.insert(input.begin() + static_cast<ptrdiff_t>(at), static_cast<uint8_t>(next())); break;
      default: input.resize(at); break;
    }
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  long runs = 20000;
  std::vector<Input> seeds;
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "-runs=", 6) == 0) runs = atol(argv[i] + 6);
    else if (argv[i][0] != '-') addSeed(argv[i], seeds);
  }
  for (const Input& seed : seeds) LLVMFuzzerTestOneInput(seed.data(), seed.size());
  for (long run = 0; run < runs; ++run) {
    Input input;
    if (!seeds.empty() && next() % 4 != 0) {
      input = mutate(seeds[next() % seeds.size()]);
    } else {
      input.resize(next() % 512);
      for (uint8_t& b : input) b = static_cast<uint8_t>(next());
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  printf("%ld runs without a fault\n", runs);
  return 0;
}
