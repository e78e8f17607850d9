// Text encodings of the builder. Manifests and the built-in texts are UTF-8;
// the installer shows texts through the ANSI Windows calls, so a package
// stores them in the Windows-1252 code page (docs/format.md#texts).
#pragma once

#include <stdint.h>

#include <string>

// The Windows-1252 byte for a Unicode character; -1 when it has none.
int ansiByteForCharacter(uint32_t code);

// UTF-8 to Windows-1252. Throws PackError naming `what` and the offending
// character when the text is not valid UTF-8 or holds a character the code
// page does not have.
std::string utf8ToAnsi(const std::string& utf8, const std::string& what);

// Windows-1252 to UTF-8, for showing stored texts. The five bytes the code
// page leaves undefined become U+FFFD.
std::string ansiToUtf8(const std::string& ansi);

// Appends a character below U+10000 in UTF-8.
void appendUtf8(std::string& out, uint32_t code);

// True when the bytes are valid UTF-8 (plain ASCII included).
bool isValidUtf8(const std::string& bytes);

// The content of a text file for a package: a UTF-8 byte-order mark is
// dropped, valid UTF-8 is converted with utf8ToAnsi, anything else is taken
// as Windows-1252 already.
std::string textFileToAnsi(const std::string& bytes, const std::string& what);

// Every line end (CR LF, lone LF or lone CR) becomes CR LF, as the
// installer's multi-line text boxes need.
std::string withCrLf(const std::string& text);
