// Fuzzes the builder's manifest reader over manifest texts.
// Property: any text is loaded or refused with one PackError that names the
// manifest and the place ("path:line:column: reason", or "path: cannot be
// read" for a text the TOML reader cannot take at all). Any other exception
// or crash is a fault.
//
// The manifest is written into a scratch directory holding a small text file,
// a picture and a directory with two files, so that the keys naming sources
// are reached. Texts that could name a source outside the scratch directory
// (a slash, "..", or a TOML escape that could spell either) are skipped: the
// reader would read or list whatever they name, which is not what is tested.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "pack/file_io.h"
#include "pack/manifest.h"
#include "pack/package.h"

namespace {

const std::string& scratchDirectory() {
  static std::string directory;
  if (!directory.empty()) return directory;
  char pattern[] = "/tmp/manifest_fuzz.XXXXXX";
  if (!mkdtemp(pattern)) abort();
  directory = pattern;
  const std::string text = "Some text\nover two lines\n";
  writeWholeFile(directory + "/License.txt", Bytes(text.begin(), text.end()));
  // A 1x1 24-bit bitmap.
  const uint8_t picture[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                             1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0x20, 0x40, 0x80, 0};
  writeWholeFile(directory + "/Picture.bmp", Bytes(picture, picture + sizeof picture));
  if (mkdir((directory + "/Docs").c_str(), 0700) != 0) abort();
  writeWholeFile(directory + "/Docs/One.txt", Bytes(text.begin(), text.end()));
  writeWholeFile(directory + "/Docs/Two.txt", Bytes(text.begin(), text.end()));
  return directory;
}

bool mayLeaveScratch(const std::string& text) {
  return text.find('/') != std::string::npos || text.find("..") != std::string::npos ||
         text.find("\\u") != std::string::npos || text.find("\\U") != std::string::npos ||
         text.find("\\x") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (mayLeaveScratch(text)) return 0;
  const std::string path = scratchDirectory() + "/product.toml";
  writeWholeFile(path, Bytes(data, data + size));
  try {
    LoadManifest(path);
  } catch (const PackError& e) {
    const std::string message = e.what();
    if (message.compare(0, path.size() + 1, path + ":") != 0) abort();
  }
  return 0;
}
