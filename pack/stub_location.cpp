#include "pack/stub_location.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

#include "pack/file_io.h"

namespace fs = std::filesystem;

std::string runningProgramPath() {
#ifdef _WIN32
  // The C runtime keeps the program's full path from its start-up; asking
  // it keeps the Windows API out of the builder.
  return _pgmptr != nullptr ? _pgmptr : "";
#else
  std::error_code error;
  const fs::path path = fs::read_symlink("/proc/self/exe", error);
  return error ? "" : path.string();
#endif
}

std::vector<std::string> installedStubCandidates(const std::string& programPath) {
  if (programPath.empty()) return {};
  const fs::path directory = fs::path(programPath).parent_path();
  return {(directory / InstalledStubName).string(),
          (directory / ".." / "share" / "tessaform" / InstalledStubName).lexically_normal().string()};
}

std::string findInstalledStub(const std::string& programPath) {
  for (const std::string& candidate : installedStubCandidates(programPath)) {
    if (isRegularFile(candidate)) return candidate;
  }
  return "";
}
