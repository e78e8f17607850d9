// The TOML reader, included with its own internal checks turned into an
// exception. The distribution's reader meets some malformed texts with a
// failed check instead of a parse error: with checks on that aborts the
// builder, without them (NDEBUG) it is undefined behaviour. Thrown, it
// becomes a report with the manifest's name and line.
#pragma once

#include <stdexcept>

struct TomlReaderFault : std::logic_error {
  using std::logic_error::logic_error;
};

// The few checks inside the reader's noexcept functions (its own stream
// bookkeeping, which no text reaches) still end the program, never with
// undefined behaviour; the compiler's warning about them is silenced here.
#pragma push_macro("NDEBUG")
#undef NDEBUG
#pragma GCC diagnostic push
#ifdef __clang__
#pragma GCC diagnostic ignored "-Wexceptions"
#else
#pragma GCC diagnostic ignored "-Wterminate"
#endif
#define TOML_ASSERT(expr) ((expr) ? static_cast<void>(0) : throw TomlReaderFault(#expr))
#include <toml++/toml.h>
#pragma GCC diagnostic pop
#pragma pop_macro("NDEBUG")

#include <string>

// The reader also asks of some characters whether they are blanks and has
// no answer for them (U+00A1 to U+0499, U+2C5E to U+2FFF, U+3001 to U+3057,
// U+FB26 to U+FEFE: undefined behaviour), wherever it meets them: outside
// strings, after a backslash, in a value it scans. So the text it reads
// carries each of them as a stand-in of the private use area, one character
// for one so that places stay the same, and the strings it returns are
// given their own characters back.

// The text for the reader. `standIn` is the offset of a character of the
// stand-ins' block already in the text (npos when none): that text cannot be
// carried and is refused. Bytes that are not UTF-8 pass unchanged.
std::string toReaderText(const std::string& utf8, size_t& standIn);

// The text with every stand-in replaced by its own character again.
std::string fromReaderText(const std::string& text);

// fromReaderText applied to every string value below `node`.
void restoreStrings(toml::node& node);
