#include "setup/read_archive.h"

#include "archive/payload.h"
#include "core/path.h"
#include "platform/filesys.h"
#include "platform/gfile.h"
#include "platform/phase_profile.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "setup/portable/destination.h"
#include "setup/portable/installation_state.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/reports.h"
#include "setup/user_interface.h"

ArchiveHeader Header;
ByteStream PayloadStream;

namespace {

class OwnFileSource : public ArchiveSource {
 public:
  explicit OwnFileSource(File& file) : file_(file) {}
  int64_t size() override { return file_.size(); }
  bool readAt(int64_t offset, void* buffer, int32_t n) override { return file_.readAt(offset, buffer, n); }

 private:
  File& file_;
};

void reportIfCorrupt(int code) {
  if (code != ArchiveReadOk) CorruptArchive(code);
}

// The colours, and the picture when the header carries one (a picture that
// fails its checks leaves the background to the colours); the background,
// painted in the start-up colours so far, shows them from now on.
void takeHeaderColours() {
  BackgroundColours colours = {TitleColor, TopColor, BottomColor, MonoColor};
  ApplyHeaderColours(Header, colours);
  TitleColor = colours.title;
  TopColor = colours.top;
  BottomColor = colours.bottom;
  MonoColor = colours.mono;
  LoadBackgroundPicture(Header.picture.cStr(), Header.picture.length());
  RepaintBackground();
}

// Opens continuation file `number` from the program's directory, asking
// for it while it cannot be opened, and returns its length. An empty file
// is fatal.
int64_t openContinuation(File& disk, int number) {
  const String path = pathInModuleDirectory(formatString(DiskFileFormat, number));
  while (!disk.openExisting(path, true, false, false)) {
    const String request = formatString(Message(MsgInsertDisk).cStr(), number, driveLetter(path));
    const int answer =
        ShowQuestionBox(request.cStr(), Message(MsgInsertDiskCaption).cStr(), BoxOkCancel | BoxIconQuestion);
    if (answer != AnswerOk) ConfirmAbort();
  }
  const int64_t length = disk.size();
  if (length == 0) FatalBox(FileEmptyFormat, path);
  return length;
}

void appendPart(File& part, int64_t offset, int64_t length) {
  PhaseScope phase(Phase::Reading);
  reportIfCorrupt(AppendPayloadPart(PayloadStream, length,
                                    [&](char* area, int32_t n) { return part.readAt(offset, area, n); }));
}

// The default destination, made absolute against the Program Files
// directory, and the publisher's folder for shared files, created now.
void prepareDirectories() {
  DefaultInstallDir =
      PrepareDefaultInstallDir(Header.defaultInstallDir, ProductName, windowsDirectory(), programFilesDirectory());
  if (!Header.has(RegisterUninstall)) return;
  SharedPath = joinPath(commonFilesDirectory(), Header.publisher);
  makeDirectories(SharedPath);
}

}  // namespace

void ReadArchive(File& own) {
  OwnFileSource source(own);
  const int code = ReadArchiveHeader(source, Header, Messages);
  if (code == NoArchivePresent) FatalText(NoArchiveText);
  reportIfCorrupt(code);
  InstallFlags = Header.installFlags;
  if (Header.has(ForceAutomatic)) AutomaticMode = true;
  if (ProductName.isEmpty()) ProductName = Header.defaultProductName;
  Header.productStartMenu = StartMenuFolder(Header, ProductName);
  prepareDirectories();
  takeHeaderColours();
}

void ChooseLanguage() {
  if (Messages.languageCount() <= 1 || AutomaticMode) {
    LanguageIndex = 0;
  } else if (RunLanguageDialog() != DialogContinue) {
    ExitProgram();
  }
  DisplayTitle = Message(MsgDisplayTitle);
  RepaintBackground();
}

void ReadFileData(File& own) {
  PayloadStream = ByteStream();
  File disk;
  File* part = &own;
  int64_t offset = Header.payloadOffset();
  int64_t length = Header.firstPartLength();
  if (length < 0) CorruptArchive(CorruptFirstPartLength);
  int64_t read = 0;
  for (int number = 1;;) {
    SetProgressPosition(PayloadReadProgress(read, Header.payloadLength));
    if (length > 0) {
      appendPart(*part, offset, length);
      read += length;
      if (read >= Header.payloadLength) break;
    }
    disk.close();
    length = openContinuation(disk, ++number);
    part = &disk;
    offset = 0;
  }
  disk.close();
  {
    PhaseScope phase(Phase::Checksum);
    reportIfCorrupt(CheckPayloadChecksum(PayloadStream, Header.payloadChecksum));
  }
  if (Header.has(PackedPayload)) {
    SetProgressPosition(PayloadUnpackProgress);
    ShowProgressLine(Message(MsgProgressUnpacking).cStr());
    PhaseScope phase(Phase::Unpack);
    reportIfCorrupt(UnpackPayload(PayloadStream));
  }
  PayloadStream.seek(0);
}

void ReadNextFileRecord(int index, FileRecord& record) {
  // The bar moves when its percent changes, at most every BarIntervalMs:
  // each move is a repaint, and a file's status line keeps the messages
  // pumped in between (setup/extraction.cpp).
  constexpr unsigned BarIntervalMs = 50;
  static int shownPosition = -1;
  static unsigned shownTick = 0;
  const int position = RecordProgress(index, Header.fileCount);
  const unsigned now = tickCount();
  if (index == 0 || (position != shownPosition && now - shownTick >= BarIntervalMs)) {
    PhaseScope phase(Phase::Progress);
    SetProgressPosition(position);
    shownPosition = position;
    shownTick = now;
  }
  PhaseScope phase(Phase::Records);
  reportIfCorrupt(ReadFileRecord(PayloadStream, Header.fileSizes[index], Header.has(VerifyChecksums), record));
}
