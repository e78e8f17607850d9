// The package format, shared by the installer (which reads packages) and the
// builder (which writes them). Every magic number, flag bit, kind, option
// bit, fixed size and message number of the format is defined here once.
// docs/format.md describes the layout these constants belong to.
//
// Portable: no STL, no windows.h. All integers in a package are 32-bit
// little-endian whatever the pointer size of the program reading it.
#pragma once

#include <stdint.h>

#include "core/date_time_stamp.h"

// --- Layout of the package file (docs/format.md#package-file) -------------

// First field of the archive, right after the program's own bytes.
constexpr int32_t ArchiveMagic = 12345678;  // 0x00BC614E
// Magic, stored header length L and key K precede the stored header block.
constexpr int ArchivePrefixSize = 12;
// The last four bytes of the package hold the header offset H.
constexpr int ArchiveTrailerSize = 4;
// The stored header block must be at least this long.
constexpr int32_t MinimumHeaderBlockLength = 1;
// Continuation files of the payload: "Disk2.SEA", "Disk3.SEA", ... in the
// directory of the package. The package itself is part 1.
inline constexpr char DiskFileFormat[] = "Disk%d.SEA";
constexpr int FirstContinuationDisk = 2;

// --- Packed blocks (docs/format.md#packed-blocks) --------------------------

constexpr uint32_t PackedBlockMagic = 0x9EC72BA1u;
// Magic and the declared unpacked size.
constexpr int PackedBlockHeaderSize = 8;

// Control byte: the top two bits give the class, the low six bits a value.
constexpr uint8_t ItemClassMask = 0xC0;
constexpr uint8_t ItemValueMask = 0x3F;
constexpr uint8_t RunItem = 0x00;
constexpr uint8_t ShortLiteralItem = 0x40;
constexpr uint8_t LongLiteralItem = 0x80;
constexpr uint8_t CopyItem = 0xC0;
// Copy items: bit 0x20 selects a 24-bit offset; the low five bits are the
// count (0 means a 16-bit count follows).
constexpr uint8_t CopyFarOffsetBit = 0x20;
constexpr uint8_t CopyCountMask = 0x1F;

constexpr int RunBias = 3;  // a run writes value + 3 bytes
constexpr int MinRunLength = RunBias;
constexpr int MaxRunLength = ItemValueMask + RunBias;           // 66
constexpr int MaxShortLiteralLength = ItemValueMask;            // 63
constexpr int MaxLongLiteralLength = (0xFF << 6) | ItemValueMask;  // 16383
constexpr int CopyLengthBias = 3;     // length = count + 3
constexpr int CopyDistanceBias = 4;   // distance = offset + 4
constexpr int MaxShortCopyLength = CopyCountMask + CopyLengthBias;  // 34
constexpr int MaxCopyLength = 0xFFFF + CopyLengthBias;              // 65538
constexpr int MinCopyDistance = CopyDistanceBias;
constexpr int MaxNearCopyDistance = 0xFFFF + CopyDistanceBias;       // 16-bit offset
constexpr int MaxCopyDistance = 0xFFFFFF + CopyDistanceBias;         // 24-bit offset
// The densest items: a copy of five bytes (control byte, 16-bit count,
// 16-bit offset) writes 65538 bytes; a run of two bytes writes 66. No block
// can unpack to more than these ratios allow.
constexpr int LongCopyItemSize = 5;
constexpr int RunItemSize = 2;

// --- Header block (docs/format.md#header-block) ----------------------------

constexpr uint32_t HeaderEndMagic = 0xD3E82B97u;
constexpr int HeaderReservedSize = 4;  // one byte, one byte, one 16-bit value
constexpr int MaxLanguageCount = 255;  // the count is stored in one byte
constexpr int32_t MinMessageCount = 1;
constexpr int32_t MaxMessageCount = 10000;

// File times and the program's time are DateTimeStamps: six 32-bit
// integers, local time. All six zero in a file record means "give the file
// no time stamp".
constexpr int DateTimeRecordSize = 24;
static_assert(sizeof(DateTimeStamp) == DateTimeRecordSize, "the record is six 32-bit integers");

// The product flag word `InstallFlags`. Bits not named here mean nothing to
// the installer and are carried along as they are.
enum InstallFlag : uint32_t {
  NoReinstall = 0x00000001,
  HiddenBatch = 0x00000002,
  RegisterUninstall = 0x00000004,
  ConfirmFontRemoval = 0x00000010,
  PackedPayload = 0x00000020,
  AlwaysWriteLog = 0x00000040,
  AskDirectory = 0x00000080,
  ForceAutomatic = 0x00000100,
  QuietUninstall = 0x00000200,
  RemoveInstallDir = 0x00000400,
  VerifyChecksums = 0x00000800,
  AddToPath = 0x00001000,
  CustomColors = 0x00002000,
  RestartRequired = 0x00004000,
  BackgroundPicture = 0x00008000,
  RequiresMaster = 0x00010000,
  ConfirmSharedRemoval = 0x00020000,
  VerifyWrites = 0x00040000,
  ClearReadOnly = 0x00080000,
};

struct InstallFlagName {
  const char* name;
  uint32_t bit;
};

inline constexpr InstallFlagName InstallFlagNames[] = {
    {"NoReinstall", NoReinstall},
    {"HiddenBatch", HiddenBatch},
    {"RegisterUninstall", RegisterUninstall},
    {"ConfirmFontRemoval", ConfirmFontRemoval},
    {"PackedPayload", PackedPayload},
    {"AlwaysWriteLog", AlwaysWriteLog},
    {"AskDirectory", AskDirectory},
    {"ForceAutomatic", ForceAutomatic},
    {"QuietUninstall", QuietUninstall},
    {"RemoveInstallDir", RemoveInstallDir},
    {"VerifyChecksums", VerifyChecksums},
    {"AddToPath", AddToPath},
    {"CustomColors", CustomColors},
    {"RestartRequired", RestartRequired},
    {"BackgroundPicture", BackgroundPicture},
    {"RequiresMaster", RequiresMaster},
    {"ConfirmSharedRemoval", ConfirmSharedRemoval},
    {"VerifyWrites", VerifyWrites},
    {"ClearReadOnly", ClearReadOnly},
};
constexpr int InstallFlagNameCount =
    static_cast<int>(sizeof(InstallFlagNames) / sizeof(InstallFlagNames[0]));

// --- File records (docs/format.md#file-records) ----------------------------

enum DestinationKind : int32_t {
  InstallDirFile = 0,
  SharedFile = 1,
  FontFile = 4,
  StartupFile = 5,  // installation directory; its shortcut also goes to Startup
  SystemFile = 6,
};

inline bool isValidDestinationKind(int32_t kind) {
  return kind == InstallDirFile || kind == SharedFile || kind == FontFile ||
         kind == StartupFile || kind == SystemFile;
}

// Shortcuts are honoured for the installation-directory kinds only.
inline bool kindTakesShortcuts(int32_t kind) {
  return kind == InstallDirFile || kind == StartupFile;
}

enum FileOption : int32_t {
  DesktopShortcutOption = 0x1,
  StartMenuShortcutOption = 0x2,
  ExistenceRuleMask = 0xC,
};

// Bits 2 and 3 of the options.
enum ExistenceRule : int32_t {
  AlwaysInstall = 0x0,
  InvalidExistenceRule = 0x4,  // rejected by the installer
  OnlyIfPresent = 0x8,
  OnlyIfAbsent = 0xC,
};

// --- Messages (docs/format.md#messages) ------------------------------------

// Message numbers by role. The texts come with each package; the installer
// only knows the numbers.
enum MessageNumber : int {
  MsgDisplayTitle = 0,
  MsgIntroduction = 1,
  MsgReinstallCaption = 2,
  MsgReinstallVersionUnknown = 3,
  MsgReinstallSameVersion = 4,
  MsgReinstallOlderInstalled = 5,
  MsgReinstallNewerInstalled = 6,
  MsgReinstallClosing = 7,
  MsgProgressReading = 8,
  MsgAlreadyInstalled = 9,
  MsgUninstallFailed = 10,            // %s: the list of what remains
  MsgDirectoryPrompt = 11,
  MsgMasterMissing = 12,              // %s: the master product
  MsgCorruptArchive = 13,             // %d: the error code
  MsgInvalidDirectory = 14,
  MsgUninstallDoneCaption = 15,
  MsgNoSuchDrive = 16,                // %c: the drive letter
  MsgRootNotAllowed = 17,
  MsgProgramFilesNotAllowed = 18,     // %s: the Program Files directory
  MsgLowDiskSpace = 19,               // %s needed, %c drive, %s free
  MsgQuestionCaption = 20,
  MsgErrorCaption = 21,
  MsgUseExistingDirectory = 22,       // %s: the directory
  MsgCreateDirectory = 23,            // %s: the directory
  MsgDirectoryCaption = 24,
  MsgDirectoryNotCreated = 25,
  MsgInsertDisk = 26,                 // %d: disk number, %c: drive letter
  MsgInsertDiskCaption = 27,
  MsgConfirmAbort = 28,
  MsgProgressUnpacking = 29,
  MsgUninstallSpare = 30,
  MsgCouldNotWrite = 31,
  MsgProgressShortcuts = 32,
  MsgUninstallShortcut = 33,
  MsgUninstallDone = 34,
  MsgSharedRemovalCaption = 35,
  MsgProgressUninstallData = 36,
  MsgRestartQuestion = 37,
  MsgSpare = 38,
  MsgProgressHeading = 39,
  MsgInstallProblems = 40,            // %s: the log file
  MsgInstallProblemsCaption = 41,
  MsgInstallDone = 42,
  MsgInstallDoneCaption = 43,
  MsgLicenseCaption = 44,
  MsgLicenseAccept = 45,
  MsgLicenseDecline = 46,
  MsgLicensePrompt = 47,
  MsgContinueButton = 48,
  MsgAbortButton = 49,
  MsgReadmeCaption = 50,
  MsgReadmePrompt = 51,
  MsgBrowseButton = 52,
  MsgUninstallQuestion = 53,
  MsgProgressCaption = 54,
  MsgUninstallCaption = 55,
  MsgFontRemovalQuestion = 56,        // %s: the font name
  MsgFontRemovalCaption = 57,
  MsgCouldNotRemove = 58,
  MsgSharedRemovalQuestion = 59,      // %s: the file
};

// The messages the builder writes for every language: numbers 0 to 59.
constexpr int StandardMessageCount = 60;

// The messages an installation keeps for its uninstaller, in this order.
inline constexpr int UninstallerMessages[] = {10, 15, 20, 30, 34, 35, 53, 55, 56, 57, 58, 59};
constexpr int UninstallerMessageCount =
    static_cast<int>(sizeof(UninstallerMessages) / sizeof(UninstallerMessages[0]));
