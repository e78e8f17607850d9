// The package manifest: a TOML file that names everything a package holds
// (docs/format.md#manifest describes every key). Loading it reads every
// source it names, so a loaded Manifest is ready to be written.
#pragma once

#include <string>

#include "pack/archive_writer.h"
#include "pack/file_io.h"
#include "pack/package.h"

struct Manifest {
  std::string path;
  std::string stubPath;    // [package] stub, resolved; "" when not given
  std::string outputPath;  // [package] output, resolved; "" when not given
  bool stubTimeGiven = false;  // [package] stub-time; else the stub's own time
  TimeZone timeZone;           // of every file time taken from the disk
  ArchiveOptions options;
  Package package;
};

// Throws PackError "path:line:column: reason" for anything wrong in the
// manifest, and names any source that cannot be read.
Manifest LoadManifest(const std::string& path);
