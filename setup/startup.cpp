#include "setup/startup.h"

#include "platform/gfile.h"
#include "platform/phase_profile.h"
#include "platform/system_values.h"
#include "setup/installation.h"
#include "setup/portable/command_line.h"
#include "setup/portable/reports.h"
#include "setup/read_archive.h"
#include "setup/removal.h"
#include "setup/user_interface.h"

namespace {

// The interpreter when %comspec% names none (the 95 family's own).
const char* const DefaultCommandInterpreter = "command.com";

int onAllocationFailure(size_t size) { outOfMemory(size); }

void setCommandInterpreter() {
  CommandInterpreter = ExpandEnvironment("%comspec%");
  if (CommandInterpreter.isEmpty()) CommandInterpreter = DefaultCommandInterpreter;
}

void takeSystemColours() {
  TitleColor = SystemColour(SystemColourWindowText);
  TopColor = SystemColour(SystemColourWindow);
  MonoColor = true;
}

// Fills the process-wide state from the command line; a bad atom ends the
// program in the usage box. Returns whether the removal switch was given.
bool applyCommandLine(const String& tail) {
  CommandLineOptions options;
  String problem;
  if (!ParseCommandLine(tail.cStr(), options, problem)) UsageBox(problem.cStr());
  AutomaticMode = options.automaticMode;
  ProductName = options.productName;
  InstallDirOverride = options.installDirOverride;
  return options.removal;
}

[[noreturn]] void runRemovalMode() {
  if (ProductName.isEmpty()) UsageBox(ProductNameRequired);
  RemovedProduct removed;
  if (Uninstall(ProductName, removed)) {
    PhaseScope phase(Phase::SelfRemoval);
    RemoveUninstaller(removed);
  }
  ExitProgram();
}

void openOwnFile(File& own) {
  String name = OwnFileName(ProcessCommandLine());
  if (!own.openExisting(name.cStr(), true, false, false)) FatalBox(CouldNotOpenFormat, name);
}

}  // namespace

void InstallProcessHandlers() {
  SetReportPlatform(Win32ReportPlatform());
  BindFatalReports();
  // Our own allocations end in outOfMemory already; this covers the rest.
  SetAllocationFailureHandler(onAllocationFailure);
}

void RunProgram(InstanceHandle instance, const char* commandTail) {
  File own;
  bool removal;
  {
    PhaseScope start(Phase::Start);
    setCommandInterpreter();
    ProgramInstance = instance;
    String tail(commandTail);
    takeSystemColours();
    BackgroundWindow = CreateBackgroundWindow(instance, nullptr);
    removal = applyCommandLine(tail);
    if (!removal) openOwnFile(own);
  }
  if (removal) runRemovalMode();
  {
    PhaseScope header(Phase::Header);
    ReadArchive(own);
  }
  {
    PhaseScope phase(Phase::Prepare);
    ChooseLanguage();
  }
  RunInstallation(own);
  ExitProgram();
}
