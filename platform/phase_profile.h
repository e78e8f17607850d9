// Phase timers for the end-to-end benchmark (bench/e2e): where an
// installation or a removal spends its time. They exist only in a build
// configured with TESSA_PROFILE=ON, which the benchmark makes for itself;
// in every other build PhaseScope is an empty object and WritePhaseProfile
// does nothing, so the shipped program carries none of it.
//
// A scope charges the time until it ends to its phase, less the time of the
// scopes opened inside it: each phase is exclusive time, and time outside
// every scope is charged to Other. At the process end WritePhaseProfile
// writes one line per phase, "name<TAB>seconds<TAB>scopes", to the file the
// environment variable TESSA_PROFILE_FILE names (nothing when it is unset),
// after two lines for the process: "before-entry" (from its creation by the
// system to our entry) and "program" (from the entry to the end).
#pragma once

enum class Phase {
  Other,
  Start,           // the background window, the command line, the own file
  Header,          // the archive header and the header's directories
  Prepare,         // earlier installation, destination, language, first hook
  Reading,         // the payload's parts read from the file
  Checksum,        // the payload's checksum
  Unpack,          // unpacking the payload
  Records,         // reading (and with VerifyChecksums checking) each record
  Probe,           // asking whether each file is already there
  Directories,     // making each file's folder and listing it for removal
  Create,          // creating each file
  Write,           // writing its bytes
  TimeStamp,       // setting its time
  Close,           // closing it
  Progress,        // progress bar, status line and the message pump
  Registry,        // product keys, shared counts, the uninstall record's values
  Shortcuts,       // the requested shortcuts and the uninstaller's
  UninstallerCopy, // writing Uninstall.EXE
  RemovalList,     // writing the removal list
  Finish,          // hooks, log, the closing of the windows
  RemovalRead,     // removal: the uninstall record, the removal list, first hook, fonts
  DeleteFiles,     // removal: deleting the listed files
  DeleteFolders,   // removal: deleting the listed folders
  SelfRemoval,     // removal: writing and starting the self-removal batch
  Count
};

#ifdef TESSA_PROFILE

class PhaseScope {
 public:
  // With `whole`, the scopes opened inside this one charge this phase too.
  explicit PhaseScope(Phase phase, bool whole = false);
  ~PhaseScope();
  PhaseScope(const PhaseScope&) = delete;
  PhaseScope& operator=(const PhaseScope&) = delete;

 private:
  Phase outer_;
  bool inert_;      // inside a whole scope: charges nothing of its own
  bool outerWhole_;
};

void WritePhaseProfile();

#else

class PhaseScope {
 public:
  explicit PhaseScope(Phase, bool = false) {}
};

inline void WritePhaseProfile() {}

#endif
