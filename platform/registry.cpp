#include "platform/registry.h"

#include <limits.h>
#include <string.h>
#include <windows.h>

#include "core/fatal.h"
#include "platform/win32_handles.h"

namespace {

// The first query reads into this many bytes; longer values take a second.
constexpr DWORD FirstQuerySize = 32;
// Key names have at most 255 characters.
constexpr DWORD KeyNameBufferSize = 256;
// A value that keeps growing between two queries is given up on.
constexpr int LongQueryAttempts = 4;

HKEY currentKey = nullptr;
String currentPath;
Stack<HKEY> savedKeys;
Stack<String> savedPaths;

struct RootPrefix {
  HKEY root;
  const char* prefix;
};

const RootPrefix RootPrefixes[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT\\"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER\\"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE\\"}, {HKEY_USERS, "HKEY_USERS\\"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG\\"},
};

const char* rootPrefix(HKEY key) {
  for (const RootPrefix& r : RootPrefixes) {
    if (r.root == key) return r.prefix;
  }
  return nullptr;
}

HKEY softwareRoot(bool perUser) { return perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

String softwarePath(const char* path) { return String(SoftwarePrefix) + path; }

void makeCurrent(HKEY key, HKEY parent, const char* subkey) {
  savedKeys.push(currentKey);
  savedPaths.push(currentPath);
  currentKey = key;
  if (const char* prefix = rootPrefix(parent)) currentPath = prefix;
  // The separator keeps the display path readable below a non-root parent.
  if (*subkey != '\0' && !currentPath.isEmpty() && currentPath.lastChar() != '\\') currentPath.appendChar('\\');
  currentPath.append(subkey);
}

// A text value's bytes up to its first zero byte: normally the terminator;
// a value stored without one keeps all its bytes.
String textUpToZero(const char* data, DWORD size) {
  const void* zero = memchr(data, 0, size);
  return String(data, zero ? static_cast<int>(static_cast<const char*>(zero) - data) : static_cast<int>(size));
}

// Stores the bytes of a value that fitted the first query. A REG_SZ text
// ends at its first zero byte; REG_BINARY and REG_MULTI_SZ keep every byte;
// a REG_DWORD of 4 bytes is an integer. Other types and sizes are not
// readable.
bool storeValue(DWORD type, const char* data, DWORD size, RegistryValue& value) {
  switch (type) {
    case REG_SZ:
      value.setText(textUpToZero(data, size));
      return true;
    case REG_BINARY:
    case REG_MULTI_SZ:
      value.setText(String(data, static_cast<int>(size)));
      return true;
    case REG_DWORD:
      if (size != sizeof(DWORD)) return false;
      DWORD d;
      memcpy(&d, data, sizeof d);
      value.setInteger(static_cast<int>(d));
      return true;
    default:
      return false;
  }
}

// The second query for a value longer than FirstQuerySize, straight into a
// buffer of the reported size. Whatever its type, a long value is read as a
// text: REG_SZ and REG_EXPAND_SZ up to their first zero byte (so that a
// path read from one can be extended), any other type with all its bytes.
bool readLongValue(const char* name, DWORD size, RegistryValue& value) {
  String data;
  for (int attempt = 0; attempt < LongQueryAttempts; ++attempt) {
    if (size > static_cast<DWORD>(StringSizeLimit)) return false;
    data.reset(static_cast<int>(size));
    DWORD type = 0;
    DWORD got = size;
    const LONG e = RegQueryValueExA(currentKey, name, nullptr, &type, reinterpret_cast<BYTE*>(data.buffer()), &got);
    if (e == ERROR_SUCCESS) {
      const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
      value.setText(text ? textUpToZero(data.cStr(), got) : String(data.cStr(), static_cast<int>(got)));
      return true;
    }
    if (e != ERROR_MORE_DATA) return false;
    size = got;  // the value grew meanwhile
  }
  return false;
}

int clampToInt(double x) {
  if (!(x == x)) return 0;  // NaN
  if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(x);
}

}  // namespace

HKEY rootKey(RegistryRoot root) {
  // The roots are 32-bit values sign-extended to the pointer width.
  return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(root)));
}

// ---------------------------------------------------------------------------
// RegistryValue

void RegistryValue::setInteger(int value) {
  kind_ = Integer;
  integer_ = value;
}

void RegistryValue::setReal(double value) {
  kind_ = Real;
  real_ = value;
}

void RegistryValue::setText(const String& value) {
  kind_ = Text;
  text_ = value;
}

String& RegistryValue::makeText() {
  kind_ = Text;
  text_.clear();
  return text_;
}

void RegistryValue::setDate(const DateTime& value) {
  kind_ = Date;
  date_ = value;
}

int RegistryValue::toInteger() const {
  switch (kind_) {
    case Integer: return integer_;
    case Real: return clampToInt(real_);
    case Text: return text_.toInt();
    case Date: return date_.dayNumber;
    default: return 0;
  }
}

bool RegistryValue::toBoolean() const {
  switch (kind_) {
    case Integer: return integer_ != 0;
    case Real: return real_ != 0.0;
    case Text: return !text_.isEmpty();
    case Date: return date_.dayNumber != 0;
    default: return false;
  }
}

String RegistryValue::toText() const {
  switch (kind_) {
    case Integer: return fromInt(integer_);
    case Real: return realText(real_, -1);
    case Text: return text_;
    case Date: return date_.formatDateTime("m/d/yy");
    default: return String();
  }
}

String valueText(const RegistryValue& value) { return value.toText(); }

// ---------------------------------------------------------------------------
// Keys

int OpenKey(HKEY parent, const char* subkey, unsigned flags) {
  if (subkey == nullptr) subkey = "";
  HKEY key = nullptr;
  int result = KeyOpened;
  if (flags & RegOpenExisting) {
    if (RegOpenKeyExA(parent, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return KeyNotOpened;
  } else {
    DWORD disposition = 0;
    char emptyClass[] = "";
    if (RegCreateKeyExA(parent, subkey, 0, emptyClass, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition) !=
        ERROR_SUCCESS) {
      return KeyNotOpened;
    }
    if (disposition == REG_CREATED_NEW_KEY) {
      result = KeyCreated;
    } else if (disposition != REG_OPENED_EXISTING_KEY) {
      RegCloseKey(key);
      fatalAssertFailed(RegistryModule, LineUnexpectedDisposition);
    }
  }
  makeCurrent(key, parent, subkey);
  return result;
}

int OpenKey(RegistryRoot root, const char* subkey, unsigned flags) { return OpenKey(rootKey(root), subkey, flags); }

int OpenSoftwareKey(const char* path, bool perUser, unsigned flags) {
  return OpenKey(softwareRoot(perUser), softwarePath(path).cStr(), flags);
}

int OpenSubKey(const char* subkey, unsigned flags) {
  if (currentKey == nullptr) return KeyNotOpened;
  return OpenKey(currentKey, subkey, flags);
}

void CloseKey() {
  if (currentKey != nullptr) RegCloseKey(currentKey);
  currentKey = savedKeys.pop();
  currentPath = savedPaths.pop();
}

bool SoftwareKeyExists(const char* path, bool perUser) {
  if (path == nullptr) return false;
  ScopedKey key;
  return RegOpenKeyExA(softwareRoot(perUser), softwarePath(path).cStr(), 0, KEY_ALL_ACCESS, key.out()) ==
         ERROR_SUCCESS;
}

bool hasCurrentKey() { return currentKey != nullptr; }

const String& currentKeyPath() { return currentPath; }

// ---------------------------------------------------------------------------
// Values

bool ReadValue(const char* name, RegistryValue& value, unsigned) {
  if (currentKey == nullptr) return false;
  char data[FirstQuerySize];
  DWORD type = 0;
  DWORD size = sizeof data;
  const LONG e = RegQueryValueExA(currentKey, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  if (e == ERROR_FILE_NOT_FOUND) return false;
  if (e == ERROR_MORE_DATA) return readLongValue(name, size, value);
  if (e != ERROR_SUCCESS) fatalAssertFailed(RegistryModule, LineUnexpectedQueryError);
  return storeValue(type, data, size, value);
}

int ReadInteger(const char* name, int fallback, unsigned flags) {
  RegistryValue value;
  return ReadValue(name, value, flags) ? value.toInteger() : fallback;
}

bool ReadBoolean(const char* name, bool fallback, unsigned flags) {
  RegistryValue value;
  return ReadValue(name, value, flags) ? value.toBoolean() : fallback;
}

String ReadText(const char* name, const char* fallback, unsigned flags) {
  RegistryValue value;
  return ReadValue(name, value, flags) ? value.toText() : String(fallback);
}

String ReadTextAt(HKEY root, const char* path, const char* fallback, unsigned flags) {
  if (path == nullptr) return String(fallback);
  const String whole(path);
  const int split = whole.findCharReverse('\\');
  const String keyPath = split >= 0 ? whole.substring(0, split) : String();
  const String name = whole.substring(split + 1);
  if (name.isEmpty() || OpenKey(root, keyPath.cStr(), flags & RegOpenExisting) == KeyNotOpened) {
    return String(fallback);
  }
  String text = ReadText(name.cStr(), fallback, flags);
  CloseKey();
  return text;
}

String ReadTextAt(RegistryRoot root, const char* path, const char* fallback, unsigned flags) {
  return ReadTextAt(rootKey(root), path, fallback, flags);
}

bool WriteInteger(const char* name, int value, unsigned flags) {
  if (currentKey == nullptr) return false;
  if ((flags & RegDeleteEmpty) && value == 0) return DeleteValue(name) || !ValueExists(name);
  const DWORD d = static_cast<DWORD>(value);
  return RegSetValueExA(currentKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d), sizeof d) ==
         ERROR_SUCCESS;
}

bool WriteBoolean(const char* name, bool value) { return WriteInteger(name, value ? 1 : 0, 0); }

bool WriteText(const char* name, const char* text, unsigned flags) {
  if (currentKey == nullptr) return false;
  if (text == nullptr) text = "";
  // A value that is already absent counts as deleted.
  if ((flags & RegDeleteEmpty) && *text == '\0') return DeleteValue(name) || !ValueExists(name);
  return RegSetValueExA(currentKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
}

bool DeleteValue(const char* name) {
  return currentKey != nullptr && RegDeleteValueA(currentKey, name) == ERROR_SUCCESS;
}

bool ValueExists(const char* name) {
  return currentKey != nullptr && RegQueryValueExA(currentKey, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// Enumeration and deletion

int EnumerateSubKeys(List<String>& names) {
  if (currentKey == nullptr) return 0;
  char name[KeyNameBufferSize];
  int count = 0;
  LONG e;
  while ((e = RegEnumKeyA(currentKey, static_cast<DWORD>(count), name, sizeof name)) == ERROR_SUCCESS) {
    names.addLast(String(name));
    ++count;
  }
  SetLastError(e == ERROR_NO_MORE_ITEMS ? 0 : static_cast<DWORD>(e));
  return count;
}

bool IsKeyEmpty() {
  if (currentKey == nullptr) return true;
  DWORD subkeys = 0;
  DWORD values = 0;
  if (RegQueryInfoKeyA(currentKey, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS) {
    return true;
  }
  return subkeys == 0 && values == 0;
}

bool IsSubKeyEmpty(const char* subkey) {
  if (OpenSubKey(subkey, 0) == KeyNotOpened) return true;
  const bool empty = IsKeyEmpty();
  CloseKey();
  return empty;
}

bool DeleteKey(const char* subkey, unsigned flags) {
  // An empty name would name the current key itself.
  if (currentKey == nullptr || subkey == nullptr || *subkey == '\0') return false;
  if ((flags & RegOnlyIfEmpty) && !IsSubKeyEmpty(subkey)) return false;
  if (OpenSubKey(subkey, 0) != KeyNotOpened) {
    // The names are collected first: deleting while enumerating would shift
    // the indexes.
    List<String> names;
    EnumerateSubKeys(names);
    for (const String& name : names) DeleteKey(name.cStr(), flags);
    CloseKey();
  }
  return RegDeleteKeyA(currentKey, subkey) == ERROR_SUCCESS;
}

bool DeleteKeyBelow(HKEY root, const char* parentPath, const char* subkey, unsigned flags) {
  // A missing parent means there is nothing to delete; opening it the usual
  // way would create it and leave it behind.
  {
    ScopedKey probe;
    if (RegOpenKeyExA(root, parentPath ? parentPath : "", 0, KEY_READ, probe.out()) == ERROR_FILE_NOT_FOUND) {
      return true;
    }
  }
  if (OpenKey(root, parentPath, 0) == KeyNotOpened) return false;
  const bool deleted = DeleteKey(subkey, flags);
  CloseKey();
  return deleted;
}

bool DeleteKeyBelow(RegistryRoot root, const char* parentPath, const char* subkey, unsigned flags) {
  return DeleteKeyBelow(rootKey(root), parentPath, subkey, flags);
}

bool DeleteSoftwareKey(const char* path, bool perUser, unsigned flags) {
  if (path == nullptr) return false;
  const String whole = softwarePath(path);
  const int split = whole.findCharReverse('\\');
  const String subkey = whole.substring(split + 1);
  if (split < 0 || subkey.isEmpty()) return false;
  return DeleteKeyBelow(softwareRoot(perUser), whole.substring(0, split).cStr(), subkey.cStr(), flags);
}

bool DeleteSoftwareSubKey(const char* path, const char* subkey, bool perUser, unsigned flags) {
  if (path == nullptr) return false;
  return DeleteKeyBelow(softwareRoot(perUser), softwarePath(path).cStr(), subkey, flags);
}
