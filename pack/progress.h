// A progress bar on standard error for long builds: drawn only when
// standard error is a terminal and the work has already taken a moment, so
// short runs, pipes and logs stay quiet.
#pragma once

#include <stdint.h>

#include <chrono>
#include <string>

class ProgressBar {
 public:
  ProgressBar(std::string label, uint64_t total);
  ~ProgressBar();  // clears the line it drew
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void update(uint64_t done);

 private:
  void draw(uint64_t done);

  std::string label_;
  uint64_t total_;
  bool terminal_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};
