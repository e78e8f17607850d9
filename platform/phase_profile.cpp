#include "platform/phase_profile.h"

#ifdef TESSA_PROFILE

#include <windows.h>
#include <stdio.h>

namespace {

// The names bench/e2e/report.py knows the phases by, in the order of Phase.
const char* const PhaseNames[] = {
    "other",    "start",        "header",       "prepare",      "reading",      "checksum",
    "unpack",   "records",      "probe",        "folders",      "create",       "write",
    "time-stamp", "close",      "progress",     "registry",     "shortcuts",    "uninstaller-copy",
    "removal-list", "finish",   "removal-read", "delete-files", "delete-folders", "self-removal"};
static_assert(sizeof(PhaseNames) / sizeof(PhaseNames[0]) == static_cast<int>(Phase::Count), "a name per phase");

struct Profile {
  LARGE_INTEGER frequency;
  LARGE_INTEGER entry;      // the counter at the program's entry
  FILETIME entryTime;       // the system time then, against the creation time
  LARGE_INTEGER since;      // when the current phase was last entered or resumed
  Phase current = Phase::Other;
  bool whole = false;       // the current scope takes in the scopes inside it
  LONGLONG ticks[static_cast<int>(Phase::Count)] = {};
  int scopes[static_cast<int>(Phase::Count)] = {};

  // Process-wide objects are constructed first thing at the entry.
  Profile() {
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&entry);
    GetSystemTimeAsFileTime(&entryTime);
    since = entry;
  }

  // Charges the time since `since` to the current phase and makes `next` current.
  void switchTo(Phase next) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    ticks[static_cast<int>(current)] += now.QuadPart - since.QuadPart;
    since = now;
    current = next;
  }
};

Profile TheProfile;

ULONGLONG value(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

}  // namespace

PhaseScope::PhaseScope(Phase phase, bool whole)
    : outer_(TheProfile.current), inert_(TheProfile.whole), outerWhole_(TheProfile.whole) {
  if (inert_) return;
  TheProfile.switchTo(phase);
  TheProfile.whole = whole;
  ++TheProfile.scopes[static_cast<int>(phase)];
}

PhaseScope::~PhaseScope() {
  if (inert_) return;
  TheProfile.switchTo(outer_);
  TheProfile.whole = outerWhole_;
}

void WritePhaseProfile() {
  char path[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA("TESSA_PROFILE_FILE", path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  TheProfile.switchTo(TheProfile.current);
  FILETIME creation, exit, kernel, user;
  double beforeEntry = -1;
  if (GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
    beforeEntry = (static_cast<double>(value(TheProfile.entryTime)) - static_cast<double>(value(creation))) / 1e7;
  }
  const double frequency = static_cast<double>(TheProfile.frequency.QuadPart);
  FILE* out = fopen(path, "w");
  if (out == nullptr) return;
  fprintf(out, "before-entry\t%.6f\t1\n", beforeEntry);
  const double program = static_cast<double>(TheProfile.since.QuadPart - TheProfile.entry.QuadPart) / frequency;
  fprintf(out, "program\t%.6f\t1\n", program);
  for (int i = 0; i < static_cast<int>(Phase::Count); ++i) {
    fprintf(out, "%s\t%.6f\t%d\n", PhaseNames[i], static_cast<double>(TheProfile.ticks[i]) / frequency,
            TheProfile.scopes[i]);
  }
  fclose(out);
}

#endif
