#include "archive/messages.h"

#include <string.h>

#include "archive/corrupt_codes.h"
#include "archive/format.h"

namespace {

const char ProductPlaceholder[] = "<product>";
const char OsPlaceholder[] = "<os>";

// At namespace scope: a function-local static would need a thread-safe
// guard, which drags the C++ runtime's exception machinery into the
// installer.
const String NoText;

// One line of a text: [start, start + length) without its line end, and
// withEnd bytes including it. A line ends at CR, LF or a zero byte; CR LF
// and LF CR count as one line end.
struct Line {
  const char* start;
  int length;
  int withEnd;
};

Line takeLine(const char*& p, const char* end) {
  Line line = {p, 0, 0};
  while (p < end && *p != '\r' && *p != '\n' && *p != '\0') ++p;
  line.length = static_cast<int>(p - line.start);
  if (p < end) {
    const char first = *p++;
    if (p < end && ((first == '\r' && *p == '\n') || (first == '\n' && *p == '\r'))) ++p;
  }
  line.withEnd = static_cast<int>(p - line.start);
  return line;
}

bool isHeaderLine(const Line& line) { return line.length > 0 && line.start[0] == '~'; }

}  // namespace

int MessageTable::read(ByteStream& header) {
  clear();
  uint8_t languages = 0;
  header.readByte(languages);
  if (languages < 1) return CorruptLanguageCount;
  int32_t messages = 0;
  header.readInt(messages);
  if (messages < MinMessageCount || messages > MaxMessageCount) return CorruptMessageCount;

  for (int i = 0; i < languages; ++i) {
    String name;
    if (!header.readString(name)) {
      clear();
      return CorruptEndMagic;
    }
    names_.addLast(name);
  }

  // Every text takes at least its NUL: a table that cannot fit in what is
  // left is refused before anything is allocated for it.
  const int32_t entries = messages * languages;  // at most 2,550,000
  if (entries > header.remaining()) {
    clear();
    return CorruptEndMagic;
  }
  const char* const start = header.bytes().cStr() + header.position();
  const char* const end = start + header.remaining();
  slots_.setCount(entries);
  const char* p = start;
  for (int32_t i = 0; i < entries; ++i) {
    const char* nul = static_cast<const char*>(memchr(p, 0, static_cast<size_t>(end - p)));
    if (nul == nullptr) {
      clear();
      return CorruptEndMagic;
    }
    slots_[i] = 1 + static_cast<int32_t>(p - start);
    p = nul + 1;
  }
  const int32_t used = static_cast<int32_t>(p - start);
  texts_.reset(1 + used);
  texts_.buffer()[0] = 0;
  memcpy(texts_.buffer() + 1, start, static_cast<size_t>(used));
  header.skip(used);
  languageCount_ = languages;
  messageCount_ = messages;
  return 0;
}

void MessageTable::clear() {
  languageCount_ = 0;
  messageCount_ = 0;
  names_.clear();
  texts_.clear();
  slots_.clear();
  resolved_.clear();
}

const String& MessageTable::languageName(int language) const {
  return names_.isValidIndex(language) ? names_[language] : NoText;
}

int MessageTable::entryOf(int number, int language) const {
  if (number < 0 || number >= messageCount_ || language < 0 || language >= languageCount_) return -1;
  return number * languageCount_ + language;
}

const String& MessageTable::lookup(int number, int language, const String& productName,
                                   WindowsDirectorySource windowsDirectory) {
  const int entry = entryOf(number, language);
  if (entry < 0) return NoText;
  int32_t& slot = slots_[entry];
  if (slot < 0) return resolved_[-slot - 1];
  String text(texts_.cStr() + slot);
  text.replaceAll(ProductPlaceholder, productName.cStr(), false);
  if (text.find(OsPlaceholder, 0, false) >= 0) {
    const String directory = windowsDirectory != nullptr ? windowsDirectory() : String();
    text.replaceAll(OsPlaceholder, directory.cStr(), false);
  }
  String* stored = resolved_.addLast(text);
  slot = -resolved_.count();
  return *stored;
}

bool MessageTable::setText(int number, const String& text) {
  if (number < 0 || languageCount_ > 1) return false;
  if (languageCount_ == 0) {
    languageCount_ = 1;
    texts_.assign("", 1);
  }
  if (number >= messageCount_) {
    slots_.setCount(number + 1);  // new entries: offset 0, the empty text
    messageCount_ = number + 1;
  }
  // A text looked up before keeps its place in resolved_, so references
  // handed out earlier stay valid.
  slots_[number] = texts_.length();
  texts_.appendBytes(text.cStr(), text.length() + 1);
  return true;
}

void AppendStringsSection(String& text, const String& (*lookup)(int number)) {
  text.append("\r\n\r\n");
  text.append(StringsSectionName);
  text.append("\r\n");
  for (int number : UninstallerMessages) {
    // Appended, not formatted: a message may be longer than a formatted text.
    text.appendFormat("~%d\r\n", number);
    text.append(lookup(number));
    text.append("\r\n");
  }
}

bool TakeStringsSection(String& text, MessageTable& table) {
  const int at = text.find(StringsSectionName, 0, false);
  if (at < 0) return false;
  table.clear();
  const char* p = text.cStr() + at + static_cast<int>(sizeof(StringsSectionName) - 1);
  const char* const end = text.cStr() + text.length();
  for (int examined = 0; examined < StringsSectionMaxHeaders && p < end; ++examined) {
    const Line header = takeLine(p, end);
    if (!isHeaderLine(header)) continue;
    const int number = String(header.start, header.length).toInt();
    if (number < StringsSectionFirstNumber || number > StringsSectionLastNumber) continue;
    String body;
    while (p < end) {
      const char* next = p;
      const Line line = takeLine(next, end);
      if (isHeaderLine(line)) break;
      body.appendBytes(line.start, line.withEnd);
      p = next;
    }
    body.trimRightSet(WhitespaceSet);
    table.setText(number, body);
  }
  text.dropBack(text.length() - at);
  return true;
}
