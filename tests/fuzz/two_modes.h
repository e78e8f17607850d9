// The entry of the targets that check a writer and its reader: the first
// byte picks the mode (odd: the rest is written and read back; even: the
// rest is read as hostile text), so one corpus grows both.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "core/core32.h"

template <class RoundTrip, class ReadHostile>
int RunTwoModes(const uint8_t* data, size_t size, RoundTrip roundTrip, ReadHostile readHostile) {
  if (size < 1 || size > (1u << 16)) return 0;
  const String rest(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
  if (data[0] & 1)
    roundTrip(rest);
  else
    readHostile(rest);
  return 0;
}
