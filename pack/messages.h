// The message table of the builder: the role of every message number the
// installer uses, the conversions each role is formatted with, and the
// built-in English and German texts (docs/format.md#messages).
#pragma once

#include <string>
#include <vector>

struct MessageRole {
  int number;
  const char* key;          // manifest key, e.g. "low-disk-space"
  const char* description;  // what the installer uses the text for
  // The printf conversions the installer formats the text with, in order:
  // 's' a text, 'd' a number, 'c' a character. Empty: the text is shown
  // as it stands or formatted without arguments.
  const char* conversions;
  const char* arguments;    // what the conversions stand for
};

// The roles of the messages 0 to StandardMessageCount - 1, by number.
const std::vector<MessageRole>& messageRoles();

// The number for a manifest key: a role key or a decimal number in range;
// -1 when it is neither.
int messageNumberForKey(const std::string& key);

struct BuiltinLanguage {
  const char* key;   // "english", "german"
  const char* name;  // the name shown in the language dialog
  const char* const* texts;  // StandardMessageCount UTF-8 texts
};

const std::vector<BuiltinLanguage>& builtinLanguages();
// The built-in language for a key or name (compared without regard to
// case; "deutsch" and "german" both give German); null when none.
const BuiltinLanguage* findBuiltinLanguage(const std::string& keyOrName);

// Checks that text fits its role: exactly the role's conversions in order
// ("%%" stands for a percent sign where there are conversions; a role
// without conversions takes no percent sign at all, since the installer may
// use the text as a format), and, for the texts kept for the uninstaller,
// no line that begins with "~" (which would end the text early there).
// Returns "" when it fits, else the reason, naming the role.
std::string checkMessageText(int number, const std::string& text);
