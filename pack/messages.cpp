#include "pack/messages.h"

#include <string.h>

#include <algorithm>

#include "archive/format.h"

namespace {

const std::vector<MessageRole> Roles = {
    {MsgDisplayTitle, "display-title", "the display title", "", ""},
    {MsgIntroduction, "introduction", "the introduction question", "", ""},
    {MsgReinstallCaption, "reinstall-caption", "the caption of the reinstall question", "", ""},
    {MsgReinstallVersionUnknown, "reinstall-version-unknown", "the reinstall question's first line when a version is unknown", "", ""},
    {MsgReinstallSameVersion, "reinstall-same-version", "the reinstall question's first line when the versions are equal", "", ""},
    {MsgReinstallOlderInstalled, "reinstall-older-installed", "the reinstall question's first line when the installed version is older", "", ""},
    {MsgReinstallNewerInstalled, "reinstall-newer-installed", "the reinstall question's first line when the installed version is newer", "", ""},
    {MsgReinstallClosing, "reinstall-closing", "the closing text of the reinstall question", "", ""},
    {MsgProgressReading, "progress-reading", "the progress text while the files are read", "", ""},
    {MsgAlreadyInstalled, "already-installed", "the error when the product may not be installed again", "", ""},
    {MsgUninstallFailed, "uninstall-failed", "the uninstaller's report of what it could not remove", "s", "the list of what remains"},
    {MsgDirectoryPrompt, "directory-prompt", "the destination prompt and folder-browser title", "", ""},
    {MsgMasterMissing, "master-missing", "the error when the master product is not installed", "s", "the master product"},
    {MsgCorruptArchive, "corrupt-archive", "the report of a damaged package", "d", "the error code"},
    {MsgInvalidDirectory, "invalid-directory", "the error for an invalid directory name (the name follows on the next line)", "", ""},
    {MsgUninstallDoneCaption, "uninstall-done-caption", "the caption of the uninstaller's completion message", "", ""},
    {MsgNoSuchDrive, "no-such-drive", "the error when the drive does not exist", "c", "the drive letter"},
    {MsgRootNotAllowed, "root-not-allowed", "the error for a root directory", "", ""},
    {MsgProgramFilesNotAllowed, "program-files-not-allowed", "the error for the Program Files directory itself", "s", "the Program Files directory"},
    {MsgLowDiskSpace, "low-disk-space", "the warning about too little disk space", "scs", "the space needed, the drive letter and the free space"},
    {MsgQuestionCaption, "question-caption", "the caption of the cancel, restart and disk-space questions and of the uninstaller's failure report", "", ""},
    {MsgErrorCaption, "error-caption", "the caption of error messages", "", ""},
    {MsgUseExistingDirectory, "use-existing-directory", "the question whether to install into an existing directory", "s", "the directory"},
    {MsgCreateDirectory, "create-directory", "the question whether to create the directory", "s", "the directory"},
    {MsgDirectoryCaption, "directory-caption", "the caption of the destination dialog and its questions", "", ""},
    {MsgDirectoryNotCreated, "directory-not-created", "the error for a directory that could not be created (the directory follows)", "", ""},
    {MsgInsertDisk, "insert-disk", "the request for the next disk", "dc", "the disk number and the drive letter"},
    {MsgInsertDiskCaption, "insert-disk-caption", "the caption of the disk request", "", ""},
    {MsgConfirmAbort, "confirm-abort", "the question whether to cancel the installation", "", ""},
    {MsgProgressUnpacking, "progress-unpacking", "the progress text while the files are unpacked", "", ""},
    {MsgUninstallSpare, "uninstall-spare", "a spare text kept for the uninstaller (not shown at present)", "", ""},
    {MsgCouldNotWrite, "could-not-write", "the log line for a file that could not be written (the path follows)", "", ""},
    {MsgProgressShortcuts, "progress-shortcuts", "the progress text while shortcuts are made", "", ""},
    {MsgUninstallShortcut, "uninstall-shortcut", "the name of the uninstall shortcut (a space and the product name follow)", "", ""},
    {MsgUninstallDone, "uninstall-done", "the uninstaller's completion message", "", ""},
    {MsgSharedRemovalCaption, "shared-removal-caption", "the caption of the uninstaller's shared-file question", "", ""},
    {MsgProgressUninstallData, "progress-uninstall-data", "the progress text while the uninstall data is written", "", ""},
    {MsgRestartQuestion, "restart-question", "the question whether to restart Windows", "", ""},
    {MsgSpare, "spare", "a spare text (not shown at present)", "", ""},
    {MsgProgressHeading, "progress-heading", "the heading of the progress dialog", "", ""},
    {MsgInstallProblems, "install-problems", "the report of problems, offering the log", "s", "the log file"},
    {MsgInstallProblemsCaption, "install-problems-caption", "the caption of the problem report", "", ""},
    {MsgInstallDone, "install-done", "the completion message", "", ""},
    {MsgInstallDoneCaption, "install-done-caption", "the caption of the completion message (also the last line of the log)", "", ""},
    {MsgLicenseCaption, "license-caption", "the caption of the licence dialog", "", ""},
    {MsgLicenseAccept, "license-accept", "the licence dialog's accept button", "", ""},
    {MsgLicenseDecline, "license-decline", "the licence dialog's decline button", "", ""},
    {MsgLicensePrompt, "license-prompt", "the licence dialog's prompt", "", ""},
    {MsgContinueButton, "continue-button", "the continue button", "", ""},
    {MsgAbortButton, "abort-button", "the cancel button", "", ""},
    {MsgReadmeCaption, "readme-caption", "the caption of the read-me dialog", "", ""},
    {MsgReadmePrompt, "readme-prompt", "the read-me dialog's prompt", "", ""},
    {MsgBrowseButton, "browse-button", "the browse button", "", ""},
    {MsgUninstallQuestion, "uninstall-question", "the uninstaller's opening question", "", ""},
    {MsgProgressCaption, "progress-caption", "the caption of the progress dialog", "", ""},
    {MsgUninstallCaption, "uninstall-caption", "the caption of the uninstaller's opening question", "", ""},
    {MsgFontRemovalQuestion, "font-removal-question", "the uninstaller's question before removing a font", "s", "the font name"},
    {MsgFontRemovalCaption, "font-removal-caption", "the caption of the font question", "", ""},
    {MsgCouldNotRemove, "could-not-remove", "the uninstaller's line for what it could not remove (the path follows)", "", ""},
    {MsgSharedRemovalQuestion, "shared-removal-question", "the uninstaller's question before deleting an unused shared file", "s", "the file"},
};
static_assert(StandardMessageCount == 60, "one role per standard message");

const char* const EnglishTexts[StandardMessageCount] = {
    "<product> Setup",
    "Welcome to the installation of <product>.\r\n\r\n"
    "This program will install <product> on your computer. Please close all other programs "
    "before you continue.\r\n\r\nDo you want to install <product> now?",
    "<product> Is Already Installed",
    "<product> is already installed on this computer, in the directory:",
    "This version of <product> is already installed on this computer, in the directory:",
    "An older version of <product> is installed on this computer, in the directory:",
    "A newer version of <product> is already installed on this computer, in the directory:",
    "Do you want to install <product> over the existing installation?",
    "Reading the installation files...",
    "<product> is already installed on this computer and cannot be installed again.\r\n\r\n"
    "To install it anew, first remove it with Add/Remove Programs in the Control Panel.",
    "Some parts of <product> could not be removed:\r\n\r\n%s\r\n"
    "You can delete them yourself, or run the uninstallation again after restarting Windows.",
    "Choose the directory into which <product> will be installed:",
    "This product needs %s, which is not installed on this computer.\r\n\r\n"
    "Please install it first, then run this installation again.",
    "The installation package is damaged and cannot be used.\r\n\r\n"
    "Please obtain a new copy of the package from your vendor.\r\n\r\nError code: %d",
    "The following directory name is not valid. Please enter a full path that begins with a "
    "drive letter, such as C:\\Program Files\\<product>.",
    "Uninstallation Complete",
    "Drive %c: does not exist. Please choose a directory on another drive.",
    "<product> cannot be installed into the root directory of a drive. Please choose a "
    "directory below it.",
    "<product> cannot be installed directly into %s. Please choose a directory below it.",
    "Installing <product> needs %s of disk space, but drive %c: has only %s free.\r\n\r\n"
    "Do you want to install anyway?",
    "<product>",
    "Setup Error",
    "The directory %s already exists.\r\n\r\nDo you want to install <product> into it?",
    "The directory %s does not exist.\r\n\r\nDo you want to create it?",
    "Installation Directory",
    "The following directory could not be created:",
    "Please insert disk %d into drive %c: and choose OK.",
    "Next Disk",
    "Do you want to cancel the installation of <product>?",
    "Unpacking the installation files...",
    "Removing <product>...",
    "Could not write:",
    "Creating shortcuts...",
    "Uninstall",
    "<product> has been removed from your computer.",
    "Remove Shared File",
    "Saving the uninstall information...",
    "Windows must be restarted to complete the installation of <product>.\r\n\r\n"
    "Do you want to restart Windows now?",
    "Please wait...",
    "Installing <product>",
    "The installation of <product> has finished, but there were problems. They are listed in "
    "the log file:\r\n%s\r\n\r\nDo you want to view the log now?",
    "Installation Problems",
    "<product> has been installed successfully.",
    "Installation Complete",
    "License Agreement",
    "I &Accept",
    "I &Decline",
    "Please read the following license agreement. You must accept its terms to install "
    "<product>.",
    "&Continue",
    "&Cancel",
    "Read Me",
    "Please read the following information about <product>.",
    "&Browse...",
    "Do you want to remove <product> and all of its components from your computer?",
    "<product> Setup",
    "Remove <product>",
    "Do you want to remove the font %s?",
    "Remove Font",
    "Could not remove:",
    "The shared file %s is no longer used by any program.\r\n\r\nDo you want to delete it?",
};

const char* const GermanTexts[StandardMessageCount] = {
    "Installation von <product>",
    "Willkommen bei der Installation von <product>.\r\n\r\n"
    "Dieses Programm installiert <product> auf Ihrem Computer. Bitte beenden Sie alle anderen "
    "Programme, bevor Sie fortfahren.\r\n\r\nMöchten Sie <product> jetzt installieren?",
    "<product> ist bereits installiert",
    "<product> ist auf diesem Computer bereits installiert, im Verzeichnis:",
    "Diese Version von <product> ist auf diesem Computer bereits installiert, im Verzeichnis:",
    "Eine ältere Version von <product> ist auf diesem Computer installiert, im Verzeichnis:",
    "Eine neuere Version von <product> ist auf diesem Computer bereits installiert, im "
    "Verzeichnis:",
    "Möchten Sie <product> über die vorhandene Installation installieren?",
    "Die Installationsdateien werden gelesen...",
    "<product> ist auf diesem Computer bereits installiert und kann nicht erneut installiert "
    "werden.\r\n\r\nUm es neu zu installieren, entfernen Sie es zuerst mit „Software“ in der "
    "Systemsteuerung.",
    "Einige Teile von <product> konnten nicht entfernt werden:\r\n\r\n%s\r\n"
    "Sie können sie selbst löschen oder die Deinstallation nach einem Neustart von Windows "
    "wiederholen.",
    "Wählen Sie das Verzeichnis, in das <product> installiert werden soll:",
    "Dieses Produkt benötigt %s, das auf diesem Computer nicht installiert ist.\r\n\r\n"
    "Bitte installieren Sie es zuerst und starten Sie danach diese Installation erneut.",
    "Das Installationspaket ist beschädigt und kann nicht verwendet werden.\r\n\r\n"
    "Bitte besorgen Sie sich bei Ihrem Anbieter eine neue Kopie des Pakets.\r\n\r\n"
    "Fehlercode: %d",
    "Der folgende Verzeichnisname ist ungültig. Bitte geben Sie einen vollständigen Pfad mit "
    "Laufwerksbuchstaben ein, zum Beispiel C:\\Programme\\<product>.",
    "Deinstallation abgeschlossen",
    "Das Laufwerk %c: existiert nicht. Bitte wählen Sie ein Verzeichnis auf einem anderen "
    "Laufwerk.",
    "<product> kann nicht in das Stammverzeichnis eines Laufwerks installiert werden. Bitte "
    "wählen Sie ein Unterverzeichnis.",
    "<product> kann nicht direkt in %s installiert werden. Bitte wählen Sie ein "
    "Unterverzeichnis.",
    "Für die Installation von <product> werden %s Speicherplatz benötigt, auf Laufwerk %c: "
    "sind aber nur %s frei.\r\n\r\nMöchten Sie trotzdem installieren?",
    "<product>",
    "Installationsfehler",
    "Das Verzeichnis %s existiert bereits.\r\n\r\nMöchten Sie <product> in dieses Verzeichnis "
    "installieren?",
    "Das Verzeichnis %s existiert nicht.\r\n\r\nMöchten Sie es anlegen?",
    "Installationsverzeichnis",
    "Das folgende Verzeichnis konnte nicht angelegt werden:",
    "Bitte legen Sie Diskette %d in Laufwerk %c: ein und wählen Sie OK.",
    "Nächste Diskette",
    "Möchten Sie die Installation von <product> abbrechen?",
    "Die Installationsdateien werden entpackt...",
    "<product> wird entfernt...",
    "Konnte nicht geschrieben werden:",
    "Verknüpfungen werden angelegt...",
    "Deinstallation von",
    "<product> wurde von Ihrem Computer entfernt.",
    "Gemeinsam genutzte Datei entfernen",
    "Die Deinstallationsdaten werden gespeichert...",
    "Windows muss neu gestartet werden, um die Installation von <product> abzuschließen."
    "\r\n\r\nMöchten Sie Windows jetzt neu starten?",
    "Bitte warten...",
    "<product> wird installiert",
    "Die Installation von <product> ist beendet, aber es sind Probleme aufgetreten. Sie sind in "
    "dieser Protokolldatei aufgeführt:\r\n%s\r\n\r\nMöchten Sie das Protokoll jetzt ansehen?",
    "Probleme bei der Installation",
    "<product> wurde erfolgreich installiert.",
    "Installation abgeschlossen",
    "Lizenzvereinbarung",
    "Ich &stimme zu",
    "Ich &lehne ab",
    "Bitte lesen Sie die folgende Lizenzvereinbarung. Sie müssen ihren Bedingungen zustimmen, "
    "um <product> zu installieren.",
    "&Weiter",
    "&Abbrechen",
    "Liesmich",
    "Bitte lesen Sie die folgenden Informationen zu <product>.",
    "&Durchsuchen...",
    "Möchten Sie <product> und alle zugehörigen Komponenten von Ihrem Computer entfernen?",
    "Installation von <product>",
    "<product> entfernen",
    "Möchten Sie die Schriftart %s entfernen?",
    "Schriftart entfernen",
    "Konnte nicht entfernt werden:",
    "Die gemeinsam genutzte Datei %s wird von keinem Programm mehr verwendet.\r\n\r\n"
    "Möchten Sie sie löschen?",
};

const std::vector<BuiltinLanguage> Languages = {
    {"english", "English", EnglishTexts},
    {"german", "Deutsch", GermanTexts},
};

bool equalsIgnoringCase(const std::string& a, const char* b) {
  return a.size() == strlen(b) &&
         std::equal(a.begin(), a.end(), b, [](char x, char y) { return tolower(x) == tolower(y); });
}

// The conversion letters of text in order ('s', 'd', 'c', or '?' for any
// other conversion), "%%" passed over. Sets reason for forms the
// installer's formatter must not meet: width or precision from an argument,
// length modifiers and %n.
std::string conversionsOf(const std::string& text, std::string& reason) {
  std::string found;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] != '%') continue;
    if (i + 1 < text.size() && text[i + 1] == '%') {
      i++;
      continue;
    }
    size_t j = i + 1;
    while (j < text.size() && strchr("-+ #0", text[j])) j++;
    while (j < text.size() && (isdigit(static_cast<unsigned char>(text[j])) || text[j] == '.')) j++;
    if (j >= text.size()) {
      reason = "a lone \"%\" at the end";
      return found;
    }
    const char c = text[j];
    if (c == '*') {
      reason = "a width or precision \"*\", which takes an argument of its own";
      return found;
    }
    if (strchr("hlLqjztI", c)) {
      size_t end = j;
      while (end + 1 < text.size() && strchr("hlLqjztI0123456789", text[end])) end++;
      reason = "a size modifier in \"" + text.substr(i, end - i + 1) + "\"; write plain %s, %d or %c";
      return found;
    }
    if (c == 's') {
      found += 's';
    } else if (c == 'c') {
      found += 'c';
    } else if (strchr("diuxXo", c)) {
      found += 'd';
    } else {
      reason = "the conversion \"" + text.substr(i, j - i + 1) + "\"";
      return found;
    }
    i = j;
  }
  return found;
}

std::string describeConversions(const std::string& letters) {
  if (letters.empty()) return "none";
  std::string out;
  for (char c : letters) {
    if (!out.empty()) out += ' ';
    out += '%';
    out += c;
  }
  return out;
}

bool isUninstallerMessage(int number) {
  for (int n : UninstallerMessages) {
    if (n == number) return true;
  }
  return false;
}

bool hasLineStartingWithTilde(const std::string& text) {
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == '~' && (i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r')) return true;
  }
  return false;
}

std::string withoutPlaceholders(std::string text) {
  for (const char* placeholder : {"<product>", "<os>"}) {
    const std::string p = placeholder;
    for (size_t at = 0; (at = text.find(p, at)) != std::string::npos;) text.erase(at, p.size());
  }
  return text;
}

}  // namespace

const std::vector<MessageRole>& messageRoles() { return Roles; }

int messageNumberForKey(const std::string& key) {
  if (!key.empty() && key.size() <= 5 && std::all_of(key.begin(), key.end(), ::isdigit)) {
    const int n = std::stoi(key);
    return n < StandardMessageCount ? n : -1;
  }
  for (const MessageRole& role : Roles) {
    if (key == role.key) return role.number;
  }
  return -1;
}

const std::vector<BuiltinLanguage>& builtinLanguages() { return Languages; }

const BuiltinLanguage* findBuiltinLanguage(const std::string& keyOrName) {
  for (const BuiltinLanguage& language : Languages) {
    if (equalsIgnoringCase(keyOrName, language.key) || equalsIgnoringCase(keyOrName, language.name))
      return &language;
  }
  return nullptr;
}

std::string checkMessageText(int number, const std::string& text) {
  const MessageRole& role = Roles.at(static_cast<size_t>(number));
  const std::string label = "message " + std::to_string(number) + " (" + role.key + ", " + role.description + ")";
  const std::string wanted = role.conversions;
  if (wanted.empty()) {
    if (text.find('%') != std::string::npos)
      return label + " is shown without conversions and may not contain a percent sign";
  } else {
    std::string reason;
    const std::string found = conversionsOf(text, reason);
    if (!reason.empty()) return label + " has " + reason;
    if (found != wanted)
      return label + " needs the conversions " + describeConversions(wanted) + " (" + role.arguments +
             "), in this order, but has " + describeConversions(found);
  }
  if (isUninstallerMessage(number) && hasLineStartingWithTilde(text))
    return label + " is kept for the uninstaller, where a line beginning with \"~\" would end it early";
  if (number == MsgUninstallShortcut &&
      withoutPlaceholders(text).find_first_of("\\/:*?\"<>|") != std::string::npos)
    return label + " becomes part of a file name and may not contain any of \\ / : * ? \" < > |";
  return "";
}
