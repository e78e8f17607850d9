// The localized message table: every text the product shows, by message
// number, in each language of the package, with the language names
// (docs/format.md#messages).
//
// The installer fills it from the archive header; the uninstaller from the
// "[Strings]" section of its uninstall data file, as one language. A text is
// kept as stored until its first lookup, which fills in "<product>" and
// "<os>" once; from then on every lookup returns that same text.
#pragma once

#include <stdint.h>

#include "archive/byte_stream.h"
#include "core/containers.h"
#include "core/core32.h"

// The source of the Windows directory for "<os>"; asked only when a text
// holds the placeholder.
using WindowsDirectorySource = String (*)();

// The section of the uninstall data file that carries the uninstaller's
// messages, and the numbers it may hold.
inline constexpr char StringsSectionName[] = "[Strings]";
constexpr int StringsSectionFirstNumber = 1;
constexpr int StringsSectionLastNumber = 1000;
// Lines of the section examined as headers at most.
constexpr int StringsSectionMaxHeaders = 5000;

class MessageTable {
 public:
  // Reads the language count, the message count, the language names and
  // the texts (message by message, one text per language) from `header`
  // at its position. Returns 0, or the corrupt-archive code: 30 for no
  // language, 31 for a message count outside 1 to 10000, 32 when the
  // names or texts run past the end of the block (the end magic that must
  // follow them could not be there). The table is empty after a failure.
  int read(ByteStream& header);

  void clear();
  bool isEmpty() const { return messageCount_ == 0; }
  int languageCount() const { return languageCount_; }
  int messageCount() const { return messageCount_; }
  // The name of a language; the empty text outside the table.
  const String& languageName(int language) const;

  // Message `number` in `language`: the stored text with every "<product>"
  // replaced by productName and then every "<os>" by the Windows directory,
  // both without regard to case, at the first lookup of that text. The
  // empty text when the table has no such message or language. The
  // reference stays valid until the table is cleared or read again.
  const String& lookup(int number, int language, const String& productName,
                       WindowsDirectorySource windowsDirectory);

  // Makes `text` the only-language text of message `number`, growing a
  // one-language table to number + 1 messages (those in between are empty).
  // For the "[Strings]" section; refused (false) for a negative number or a
  // table of several languages.
  bool setText(int number, const String& text);

 private:
  int entryOf(int number, int language) const;

  int languageCount_ = 0;
  int messageCount_ = 0;
  Array<String> names_;
  // Every stored text with its NUL, one after the other; offset 0 holds an
  // empty text.
  String texts_;
  // Per entry (message * languageCount + language): the offset of its
  // stored text in texts_, or -(i + 1) once it is resolved_[i].
  Array<int32_t> slots_;
  Array<String> resolved_;
};

// Appends the uninstaller's messages to the text of an uninstall data file:
// "\r\n\r\n[Strings]\r\n", then "~%d\r\n%s\r\n" for each number of
// UninstallerMessages with lookup(number).
void AppendStringsSection(String& text, const String& (*lookup)(int number));

// Reads the "[Strings]" section (found without regard to case) of an
// uninstall data file into `table` as one language, and cuts `text` where
// the section began, leaving the file list. Returns false, with text and
// table untouched, when there is no such section.
bool TakeStringsSection(String& text, MessageTable& table);
