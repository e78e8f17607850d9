// Observes fatal reports in native tests: the reporter throws the text out of
// the failing call, so a test can check it and carry on.
#pragma once

#include <string>
#include <utility>

#include "core/fatal.h"

struct FatalReport {
  std::string text;
};

inline void throwFatalReport(const char* text) { throw FatalReport{text}; }

// Binds the throwing reporter for its lifetime.
class FatalCapture {
 public:
  FatalCapture() : previous_(setFatalReporter(throwFatalReport)) {}
  ~FatalCapture() { setFatalReporter(previous_); }
  FatalCapture(const FatalCapture&) = delete;
  FatalCapture& operator=(const FatalCapture&) = delete;

 private:
  FatalReporter previous_;
};

// The fatal text `action` raises, or "(no fatal report)" when it returns.
template <class F>
std::string fatalTextOf(F&& action) {
  FatalCapture capture;
  try {
    std::forward<F>(action)();
  } catch (const FatalReport& report) {
    return report.text;
  }
  return "(no fatal report)";
}
