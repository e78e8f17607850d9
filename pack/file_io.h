// Files, directories, globs and file times for the builder (native host).
// Errors are PackErrors that name the file.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "pack/package.h"

Bytes readWholeFile(const std::string& path);
// False (contents untouched) when the file cannot be read.
bool tryReadWholeFile(const std::string& path, Bytes& contents);
void writeWholeFile(const std::string& path, const Bytes& contents);

std::string directoryOf(const std::string& path);  // "." for a bare name
std::string joinPath(const std::string& directory, const std::string& name);
bool isDirectory(const std::string& path);
bool isRegularFile(const std::string& path);

// The regular files below directory, as paths relative to it with '/'
// between components, sorted component by component (byte order), so that
// the same tree always gives the same list.
std::vector<std::string> listFilesBelow(const std::string& directory);

// True when pattern holds a wildcard: * ? [
bool hasWildcard(const std::string& pattern);
struct GlobMatch {
  std::string path;      // as it can be opened
  std::string relative;  // below the pattern's fixed leading directories
};
// The regular files matching pattern, sorted as listFilesBelow sorts.
// "*" and "?" match within one path component, "[...]" one character of a
// set, "**" as a whole component any number of components.
std::vector<GlobMatch> expandGlob(const std::string& pattern);

// Time zones in which file times are stored (the package holds local
// times without a zone).
struct TimeZone {
  enum Kind { Utc, Local, Fixed } kind = Utc;
  int offsetMinutes = 0;  // Fixed: east of UTC
};
// "UTC", "local" or "+HH:MM" / "-HH:MM"; false for anything else.
bool parseTimeZone(const std::string& text, TimeZone& zone);

int64_t fileModificationTime(const std::string& path);  // seconds since 1970, UTC
void setFileModificationTime(const std::string& path, int64_t seconds);
DateTimeStamp recordFromUnixTime(int64_t seconds, const TimeZone& zone);
// False when the record is not a valid date and time.
bool unixTimeFromRecord(const DateTimeStamp& record, const TimeZone& zone, int64_t& seconds);

// Output files that appear all at once: each is written to a temporary
// file beside its final path, and commit() renames them into place. When
// the object is destroyed without commit(), the temporary files are
// removed and nothing is left at the final paths.
class PendingOutputs {
 public:
  PendingOutputs() = default;
  PendingOutputs(const PendingOutputs&) = delete;
  PendingOutputs& operator=(const PendingOutputs&) = delete;
  ~PendingOutputs();

  void add(const std::string& path, const Bytes& contents);
  void commit();

 private:
  struct Entry {
    std::string temporary;
    std::string final;
  };
  std::vector<Entry> entries_;
};
