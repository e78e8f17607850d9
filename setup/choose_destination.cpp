#include "setup/choose_destination.h"

#include "archive/format.h"
#include "core/datetext.h"
#include "platform/filesys.h"
#include "platform/shell.h"
#include "setup/portable/destination.h"
#include "setup/portable/installation_state.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/reports.h"
#include "setup/read_archive.h"
#include "setup/user_interface.h"

namespace {

bool driveIsThere(char letter) { return driveExists(letter); }

char upperDriveLetter() {
  const char c = InstallDir.charAt(0);
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Shows why the directory was refused; true when it passed the checks.
bool passesChecks(const String& programFiles) {
  switch (CheckDestination(InstallDir, programFiles, driveIsThere)) {
    case DestinationCheck::Accepted:
      return true;
    case DestinationCheck::Empty:
      return false;
    case DestinationCheck::Invalid:
      ErrorBox("%s\r\n%s", Message(MsgInvalidDirectory), InstallDir);
      return false;
    case DestinationCheck::NoSuchDrive:
      ErrorBox(Message(MsgNoSuchDrive).cStr(), upperDriveLetter());
      return false;
    case DestinationCheck::Root:
      ErrorText(Message(MsgRootNotAllowed).cStr());
      return false;
    case DestinationCheck::ProgramFiles:
      ErrorBox(Message(MsgProgramFilesNotAllowed).cStr(), programFiles);
      return false;
  }
  return false;
}

// Every file rounded up to whole clusters must fit into the free space with
// room to spare; otherwise the user decides.
bool spaceAccepted() {
  const char letter = upperDriveLetter();
  const int64_t required = RequiredSpace(Header.fileSizes, bytesPerCluster(letter));
  const int64_t free = diskFree(letter);
  if (IsEnoughSpace(required, free)) return true;
  const String warning =
      formatString(Message(MsgLowDiskSpace).cStr(), byteSizeText(required), letter, byteSizeText(free));
  return ShowQuestionBox(warning.cStr(), Message(MsgQuestionCaption).cStr(), BoxYesNo | BoxIconHand) == AnswerYes;
}

bool confirmed(bool exists) {
  const String question = formatString(Message(exists ? MsgUseExistingDirectory : MsgCreateDirectory).cStr(), InstallDir);
  return ShowQuestionBox(question.cStr(), Message(MsgDirectoryCaption).cStr(), BoxYesNo | BoxIconQuestion) ==
         AnswerYes;
}

// One round of the destination dialog: true when the directory is accepted
// and exists.
bool directoryAccepted(const String& programFiles) {
  if (!ChooseDirectory(InstallDir)) ExitProgram();
  InstallDir.trim();
  if (!passesChecks(programFiles) || !spaceAccepted()) return false;
  const bool exists = directoryExists(InstallDir);
  if (!confirmed(exists)) return false;
  if (!exists && !makeDirectories(InstallDir)) {
    ErrorBox("%s\n%s", Message(MsgDirectoryNotCreated), InstallDir);
    return false;
  }
  return true;
}

}  // namespace

void ChooseDestination() {
  if (InstallDir.isEmpty()) InstallDir = DefaultInstallDir;
  if (AutomaticMode || !HasInstallFlag(AskDirectory)) {
    createDirectoryOrDie(InstallDir);
    return;
  }
  const String programFiles = programFilesDirectory();
  while (!directoryAccepted(programFiles)) {
  }
}
