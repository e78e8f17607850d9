#include "pack/codepage.h"

#include <stdint.h>
#include <stdio.h>

#include "pack/package.h"

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 marks the five undefined ones. Every
// other byte is the Unicode character of the same number.
constexpr uint16_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is
// not valid (overlong forms and surrogates included).
int decodeUtf8(const std::string& s, size_t i, uint32_t& code) {
  const uint8_t b = static_cast<uint8_t>(s[i]);
  int length;
  uint32_t min;
  if (b < 0x80) {
    code = b;
    return 1;
  } else if ((b & 0xE0) == 0xC0) {
    length = 2, code = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    length = 3, code = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    length = 4, code = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + static_cast<size_t>(length) > s.size()) return 0;
  for (int k = 1; k < length; k++) {
    const uint8_t c = static_cast<uint8_t>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    code = code << 6 | (c & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

void appendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

int ansiByteForCharacter(uint32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
  for (int i = 0; i < 32; i++) {
    if (HighControls[i] != 0 && HighControls[i] == code) return 0x80 + i;
  }
  return -1;
}

bool isValidUtf8(const std::string& bytes) {
  uint32_t code;
  for (size_t i = 0; i < bytes.size();) {
    const int n = decodeUtf8(bytes, i, code);
    if (n == 0) return false;
    i += static_cast<size_t>(n);
  }
  return true;
}

std::string utf8ToAnsi(const std::string& utf8, const std::string& what) {
  std::string out;
  out.reserve(utf8.size());
  uint32_t code;
  for (size_t i = 0; i < utf8.size();) {
    const int n = decodeUtf8(utf8, i, code);
    if (n == 0)
      throw PackError(what + " is not valid UTF-8 (at byte " + std::to_string(i + 1) + ")");
    const int byte = ansiByteForCharacter(code);
    if (byte < 0) {
      char name[16];
      snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
      throw PackError(what + " contains the character " + name + " (\"" + utf8.substr(i, static_cast<size_t>(n)) +
                      "\"), which the Windows-1252 code page of the installer cannot show");
    }
    out += static_cast<char>(byte);
    i += static_cast<size_t>(n);
  }
  return out;
}

std::string ansiToUtf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 8);
  for (char ch : ansi) {
    const uint8_t b = static_cast<uint8_t>(ch);
    uint32_t code = b;
    if (b >= 0x80 && b < 0xA0) code = HighControls[b - 0x80] ? HighControls[b - 0x80] : 0xFFFD;
    appendUtf8(out, code);
  }
  return out;
}

std::string textFileToAnsi(const std::string& bytes, const std::string& what) {
  std::string text = bytes;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  return isValidUtf8(text) ? utf8ToAnsi(text, what) : text;
}

std::string withCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') i++;
      out += "\r\n";
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}
