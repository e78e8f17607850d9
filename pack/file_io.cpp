#include "pack/file_io.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <sys/utime.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string systemReason() { return strerror(errno); }

// Component-by-component order, so that "a/b" sorts with "a" and not
// between "a-b" and "a0".
bool pathLess(const std::string& a, const std::string& b) {
  return fs::path(a).compare(fs::path(b)) < 0;
}

std::vector<std::string> splitComponents(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t slash = path.find('/', start);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    if (end > start) parts.push_back(path.substr(start, end - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return parts;
}

// One component against one pattern component: * ? [set] [!set] [a-z].
bool matchComponent(const char* p, const char* s) {
  for (; *p; p++, s++) {
    if (*p == '*') {
      for (const char* rest = s;; rest++) {
        if (matchComponent(p + 1, rest)) return true;
        if (!*rest) return false;
      }
    }
    if (!*s) return false;
    if (*p == '?') continue;
    if (*p == '[') {
      const char* q = p + 1;
      const bool negate = *q == '!' || *q == '^';
      if (negate) q++;
      bool found = false;
      for (bool first = true; *q && (first || *q != ']'); q++, first = false) {
        if (q[1] == '-' && q[2] && q[2] != ']') {
          found = found || (*s >= *q && *s <= q[2]);
          q += 2;
        } else {
          found = found || *s == *q;
        }
      }
      if (*q != ']') {  // no closing bracket: a literal '['
        if (*s != '[') return false;
        continue;
      }
      if (found == negate) return false;
      p = q;
      continue;
    }
    if (*p != *s) return false;
  }
  return !*s;
}

bool matchComponents(const std::vector<std::string>& pattern, size_t pi, const std::vector<std::string>& path,
                     size_t si) {
  if (pi == pattern.size()) return si == path.size();
  if (pattern[pi] == "**") {
    for (size_t k = si; k <= path.size(); k++) {
      if (matchComponents(pattern, pi + 1, path, k)) return true;
    }
    return false;
  }
  return si < path.size() && matchComponent(pattern[pi].c_str(), path[si].c_str()) &&
         matchComponents(pattern, pi + 1, path, si + 1);
}

}  // namespace

bool tryReadWholeFile(const std::string& path, Bytes& contents) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in || isDirectory(path)) return false;
  const std::streamoff size = in.tellg();
  if (size < 0) return false;
  Bytes data(static_cast<size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(data.data()), size);
  if (in.gcount() != size) return false;
  contents.swap(data);
  return true;
}

Bytes readWholeFile(const std::string& path) {
  Bytes contents;
  if (!isRegularFile(path)) {
    throw PackError(path + ": " + (fs::exists(path) ? "not a regular file" : "no such file"));
  }
  if (!tryReadWholeFile(path, contents)) throw PackError(path + ": cannot be read: " + systemReason());
  return contents;
}

namespace {

// Writes contents to path; errors name `shown`, the path the user knows.
void writeFileShownAs(const std::string& path, const Bytes& contents, const std::string& shown) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out.write(reinterpret_cast<const char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
  if (out) out.close();
  if (!out) throw PackError(shown + ": cannot be written: " + systemReason());
}

}  // namespace

void writeWholeFile(const std::string& path, const Bytes& contents) { writeFileShownAs(path, contents, path); }

std::string directoryOf(const std::string& path) {
  const std::string parent = fs::path(path).parent_path().string();
  return parent.empty() ? "." : parent;
}

std::string joinPath(const std::string& directory, const std::string& name) {
  if (directory.empty() || directory == "." || fs::path(name).is_absolute()) return name;
  return (fs::path(directory) / name).string();
}

bool isDirectory(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool isRegularFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

std::vector<std::string> listFilesBelow(const std::string& directory) {
  std::vector<std::string> files;
  std::error_code error;
  for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error)) files.push_back(fs::relative(it->path(), directory, error).generic_string());
  }
  if (error) throw PackError(directory + ": cannot be listed: " + error.message());
  std::sort(files.begin(), files.end(), pathLess);
  return files;
}

bool hasWildcard(const std::string& pattern) { return pattern.find_first_of("*?[") != std::string::npos; }

std::vector<GlobMatch> expandGlob(const std::string& pattern) {
  const std::string generic = fs::path(pattern).generic_string();
  std::vector<std::string> parts = splitComponents(generic);
  std::string base = generic.size() > 0 && generic[0] == '/' ? "/" : "";
  size_t fixed = 0;
  for (; fixed < parts.size() && !hasWildcard(parts[fixed]); fixed++) base += parts[fixed] + "/";
  if (base.empty()) base = "./";
  const std::vector<std::string> rest(parts.begin() + static_cast<std::ptrdiff_t>(fixed), parts.end());
  std::vector<GlobMatch> matches;
  if (!isDirectory(base)) return matches;
  for (const std::string& relative : listFilesBelow(base)) {
    if (matchComponents(rest, 0, splitComponents(relative), 0))
      matches.push_back({base == "./" ? relative : base + relative, relative});
  }
  return matches;
}

bool parseTimeZone(const std::string& text, TimeZone& zone) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
  if (lower == "utc") {
    zone = {TimeZone::Utc, 0};
    return true;
  }
  if (lower == "local") {
    zone = {TimeZone::Local, 0};
    return true;
  }
  int hours, minutes;
  char sign, colon, extra;
  if (sscanf(text.c_str(), "%c%2d%c%2d%c", &sign, &hours, &colon, &minutes, &extra) == 4 &&
      (sign == '+' || sign == '-') && colon == ':' && text.size() == 6 && hours <= 14 && minutes < 60) {
    zone = {TimeZone::Fixed, (sign == '-' ? -1 : 1) * (hours * 60 + minutes)};
    return true;
  }
  return false;
}

int64_t fileModificationTime(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) throw PackError(path + ": " + systemReason());
  return static_cast<int64_t>(info.st_mtime);
}

void setFileModificationTime(const std::string& path, int64_t seconds) {
#ifdef _WIN32
  struct _utimbuf times = {static_cast<time_t>(seconds), static_cast<time_t>(seconds)};
  const bool ok = _utime(path.c_str(), &times) == 0;
#else
  struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
  const bool ok = utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
  if (!ok) throw PackError(path + ": cannot set its time: " + systemReason());
}

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

DateTimeStamp civilFromSeconds(int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    days--;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp + (mp < 10 ? 3 : -9);
  const int64_t y = yoe + era * 400 + (m <= 2);
  return {static_cast<int32_t>(y), static_cast<int32_t>(m), static_cast<int32_t>(d),
          static_cast<int32_t>(rest / 3600), static_cast<int32_t>(rest / 60 % 60), static_cast<int32_t>(rest % 60)};
}

bool isValidRecord(const DateTimeStamp& r) {
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return r.year >= 1601 && r.year <= 30827 && r.month >= 1 && r.month <= 12 && r.day >= 1 &&
         r.day <= days[r.month - 1] && r.hour >= 0 && r.hour < 24 && r.minute >= 0 && r.minute < 60 &&
         r.second >= 0 && r.second < 60 &&
         !(r.month == 2 && r.day == 29 && !(r.year % 4 == 0 && (r.year % 100 != 0 || r.year % 400 == 0)));
}

}  // namespace

DateTimeStamp recordFromUnixTime(int64_t seconds, const TimeZone& zone) {
  if (zone.kind == TimeZone::Local) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm local;
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  }
  return civilFromSeconds(seconds + (zone.kind == TimeZone::Fixed ? zone.offsetMinutes * 60 : 0));
}

bool unixTimeFromRecord(const DateTimeStamp& r, const TimeZone& zone, int64_t& seconds) {
  if (!isValidRecord(r)) return false;
  if (zone.kind == TimeZone::Local) {
    struct tm local = {};
    local.tm_year = r.year - 1900;
    local.tm_mon = r.month - 1;
    local.tm_mday = r.day;
    local.tm_hour = r.hour;
    local.tm_min = r.minute;
    local.tm_sec = r.second;
    local.tm_isdst = -1;
    seconds = static_cast<int64_t>(mktime(&local));
    return true;
  }
  seconds = daysFromCivil(r.year, r.month, r.day) * 86400 + r.hour * 3600 + r.minute * 60 + r.second -
            (zone.kind == TimeZone::Fixed ? zone.offsetMinutes * 60 : 0);
  return true;
}

PendingOutputs::~PendingOutputs() {
  for (const Entry& entry : entries_) {
    std::error_code ignored;
    fs::remove(entry.temporary, ignored);
  }
}

void PendingOutputs::add(const std::string& path, const Bytes& contents) {
  const std::string temporary = path + ".partial";
  entries_.push_back({temporary, path});
  writeFileShownAs(temporary, contents, path);
}

void PendingOutputs::commit() {
  for (const Entry& entry : entries_) {
    std::error_code error;
    fs::rename(entry.temporary, entry.final, error);
    if (error) throw PackError(entry.final + ": cannot be written: " + error.message());
  }
  entries_.clear();
}
