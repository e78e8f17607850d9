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
