// The registry around one *current key*: opening a key makes it current and
// saves the one before; CloseKey brings that back. Every value operation
// works on the current key, so nested work needs no handles in the callers.
// Every open that succeeds must be matched by one CloseKey.
//
// Paths below HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are mostly given
// relative to their "Software" key (the *SoftwareKey functions).
#pragma once

#include <stdint.h>

#include "core/containers.h"
#include "core/core32.h"
#include "core/datetext.h"

// The key handle type of windows.h, declared the same way so that callers
// need not include it.
struct HKEY__;
typedef struct HKEY__* HKEY;

// The predefined roots, for callers without windows.h.
enum class RegistryRoot : int32_t {
  ClassesRoot = static_cast<int32_t>(0x80000000),
  CurrentUser = static_cast<int32_t>(0x80000001),
  LocalMachine = static_cast<int32_t>(0x80000002),
  Users = static_cast<int32_t>(0x80000003),
  CurrentConfig = static_cast<int32_t>(0x80000005),
};
HKEY rootKey(RegistryRoot root);

// Operation flags, combined in one word.
enum RegistryFlags : unsigned {
  RegDeleteEmpty = 0x08,   // writing "" or 0 deletes the value instead
  RegOnlyIfEmpty = 0x20,   // delete a key only when it has no subkeys and values
  RegOpenExisting = 0x40,  // open an existing key only; never create
};

// OpenKey's results.
enum OpenKeyResult : int { KeyNotOpened = 0, KeyOpened = 1, KeyCreated = 2 };

inline constexpr char RegistryModule[] = "registry";
constexpr int LineUnexpectedQueryError = 360;
constexpr int LineUnexpectedDisposition = 795;

inline constexpr char SoftwarePrefix[] = "Software\\";

// The result of a read: an integer, a real, a text or a date.
class RegistryValue {
 public:
  enum Kind { None, Integer, Real, Text, Date };

  RegistryValue() = default;

  Kind kind() const { return kind_; }
  void setInteger(int value);
  void setReal(double value);
  void setText(const String& value);
  String& makeText();  // an empty text, to be filled
  void setDate(const DateTime& value);

  int toInteger() const;  // real truncated, text parsed, date as day number
  bool toBoolean() const;
  String toText() const;  // valueText

 private:
  Kind kind_ = None;
  int integer_ = 0;
  double real_ = 0.0;
  String text_;
  DateTime date_;
};

// The text form of a value: an integer in decimal, a real without trailing
// zeros, a text as it is, a date as "m/d/yy"; "" for no value.
String valueText(const RegistryValue& value);

int OpenKey(HKEY parent, const char* subkey, unsigned flags);
int OpenKey(RegistryRoot root, const char* subkey, unsigned flags);
// OpenKey below HKEY_CURRENT_USER (perUser) or HKEY_LOCAL_MACHINE with
// "Software\" + path.
int OpenSoftwareKey(const char* path, bool perUser, unsigned flags);
// OpenKey below the current key; 0 without one.
int OpenSubKey(const char* subkey, unsigned flags);
// Closes the current key and makes the saved one current again.
void CloseKey();
bool SoftwareKeyExists(const char* path, bool perUser);

bool hasCurrentKey();
// The readable path of the current key ("HKEY_CURRENT_USER\Software\...").
const String& currentKeyPath();

bool ReadValue(const char* name, RegistryValue& value, unsigned flags = 0);
int ReadInteger(const char* name, int fallback, unsigned flags = 0);
bool ReadBoolean(const char* name, bool fallback, unsigned flags = 0);
String ReadText(const char* name, const char* fallback, unsigned flags = 0);
// Reads the value named by the last component of path from the key path
// before it under root. The key is opened with OpenKey, so a missing key is
// created, unless flags holds RegOpenExisting. fallback when there is no
// name, the key cannot be opened or the value cannot be read.
String ReadTextAt(HKEY root, const char* path, const char* fallback, unsigned flags = 0);
String ReadTextAt(RegistryRoot root, const char* path, const char* fallback, unsigned flags = 0);

bool WriteInteger(const char* name, int value, unsigned flags = 0);
bool WriteBoolean(const char* name, bool value);
bool WriteText(const char* name, const char* text, unsigned flags = 0);
bool DeleteValue(const char* name);
bool ValueExists(const char* name);

// Appends the names of the current key's subkeys; returns how many.
int EnumerateSubKeys(List<String>& names);
bool IsKeyEmpty();
// Opens (creating) subkey, tells whether it is empty, closes it.
bool IsSubKeyEmpty(const char* subkey);
// Deletes subkey of the current key with everything below it.
bool DeleteKey(const char* subkey, unsigned flags);
bool DeleteKeyBelow(HKEY root, const char* parentPath, const char* subkey, unsigned flags);
bool DeleteKeyBelow(RegistryRoot root, const char* parentPath, const char* subkey, unsigned flags);
// Deletes the key "Software\" + path (its last component below the rest).
bool DeleteSoftwareKey(const char* path, bool perUser, unsigned flags);
bool DeleteSoftwareSubKey(const char* path, const char* subkey, bool perUser, unsigned flags);
