#include "pack/toml_reader.h"

#include <stdint.h>

#include "pack/codepage.h"

namespace {

struct Range {
  uint32_t first;
  uint32_t last;
};
constexpr Range Unanswered[] = {{0xA1, 0x499}, {0x2C5E, 0x2FFF}, {0x3001, 0x3057}, {0xFB26, 0xFEFE}};
constexpr uint32_t StandInFirst = 0xE000;

uint32_t standInCount() {
  uint32_t count = 0;
  for (const Range& r : Unanswered) count += r.last - r.first + 1;
  return count;
}

// The well-formed two- or three-byte sequence at `i` (every character in
// question lies there): its length, and the character in `code`; 0 for
// anything else.
size_t decode(const std::string& s, size_t i, uint32_t& code) {
  const auto byte = [&](size_t k) { return k < s.size() ? static_cast<uint8_t>(s[k]) : 0u; };
  const auto follows = [&](size_t k) { return (byte(k) & 0xC0) == 0x80; };
  const uint32_t lead = byte(i);
  if (lead >= 0xC2 && lead <= 0xDF && follows(i + 1)) {
    code = ((lead & 0x1F) << 6) | (byte(i + 1) & 0x3F);
    return 2;
  }
  if (lead >= 0xE0 && lead <= 0xEF && follows(i + 1) && follows(i + 2)) {
    code = ((lead & 0x0F) << 12) | ((byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F);
    return code >= 0x800 ? 3 : 0;
  }
  return 0;
}

// Rewrites every well-formed character for which `map` gives another.
template <typename Map>
std::string rewrite(const std::string& text, Map map) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    const size_t length = decode(text, i, code);
    uint32_t replaced = code;
    if (length != 0 && map(i, code, replaced)) {
      appendUtf8(out, replaced);
      i += length;
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace

std::string toReaderText(const std::string& utf8, size_t& standIn) {
  standIn = std::string::npos;
  const uint32_t standInLast = StandInFirst + standInCount() - 1;
  return rewrite(utf8, [&](size_t at, uint32_t code, uint32_t& replaced) {
    if (code >= StandInFirst && code <= standInLast && standIn == std::string::npos) standIn = at;
    uint32_t index = StandInFirst;
    for (const Range& r : Unanswered) {
      if (code >= r.first && code <= r.last) {
        replaced = index + (code - r.first);
        return true;
      }
      index += r.last - r.first + 1;
    }
    return false;
  });
}

std::string fromReaderText(const std::string& text) {
  const uint32_t standInLast = StandInFirst + standInCount() - 1;
  return rewrite(text, [&](size_t, uint32_t code, uint32_t& replaced) {
    if (code < StandInFirst || code > standInLast) return false;
    uint32_t index = code - StandInFirst;
    for (const Range& r : Unanswered) {
      if (index <= r.last - r.first) {
        replaced = r.first + index;
        return true;
      }
      index -= r.last - r.first + 1;
    }
    return false;
  });
}

void restoreStrings(toml::node& node) {
  if (toml::value<std::string>* text = node.as_string()) {
    text->get() = fromReaderText(text->get());
  } else if (toml::table* table = node.as_table()) {
    for (auto&& [key, value] : *table) restoreStrings(value);
  } else if (toml::array* array = node.as_array()) {
    for (toml::node& element : *array) restoreStrings(element);
  }
}
