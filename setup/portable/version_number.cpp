#include "setup/portable/version_number.h"

#include <stdlib.h>

#include "archive/format.h"

namespace {

// What atof skips before a number: the C locale's white space.
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int skipDigits(const char* text, int i) {
  while (isDigit(text[i])) ++i;
  return i;
}

}  // namespace

double VersionNumber(const String& text) { return text.toReal(); }

double LeadingNumber(const String& text) {
  const char* s = text.cStr();
  int i = 0;
  while (isBlank(s[i])) ++i;
  const int start = i;
  if (s[i] == '+' || s[i] == '-') ++i;
  const int integerStart = i;
  i = skipDigits(s, i);
  bool digits = i > integerStart;
  if (s[i] == '.') {
    const int fractionStart = i + 1;
    const int fractionEnd = skipDigits(s, fractionStart);
    digits = digits || fractionEnd > fractionStart;
    i = fractionEnd;
  }
  if (!digits) return 0.0;
  if (s[i] == 'e' || s[i] == 'E') {
    int e = i + 1;
    if (s[e] == '+' || s[e] == '-') ++e;
    const int exponentEnd = skipDigits(s, e);
    if (exponentEnd > e) i = exponentEnd;  // "2e" reads as 2
  }
  // atof converts the span it would have read anyway; the copy only keeps
  // it from reading further.
  return atof(String(s + start, i - start).cStr());
}

int ReinstallQuestionText(double installed, double offered) {
  // x != x: not a number.
  if (installed == 0 || offered == 0 || installed != installed || offered != offered)
    return MsgReinstallVersionUnknown;
  if (installed == offered) return MsgReinstallSameVersion;
  return installed < offered ? MsgReinstallOlderInstalled : MsgReinstallNewerInstalled;
}

bool VersionParts(const String& displayVersion, int32_t& major, int32_t& minor) {
  const int dot = displayVersion.findChar('.');
  if (dot < 0) return false;
  major = displayVersion.toInt();
  int position = dot + 1;
  // parseIntAt reports a position at the end with INT_MIN: "2." has no minor.
  minor = position < displayVersion.length() ? displayVersion.parseIntAt(&position) : 0;
  return true;
}
