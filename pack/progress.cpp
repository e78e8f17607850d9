#include "pack/progress.h"

#include <stdio.h>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

constexpr auto QuietStart = std::chrono::milliseconds(300);
constexpr auto RedrawInterval = std::chrono::milliseconds(100);
constexpr int BarWidth = 30;

}  // namespace

ProgressBar::ProgressBar(std::string label, uint64_t total)
    : label_(std::move(label)),
      total_(total),
      terminal_(isatty(2) != 0),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

ProgressBar::~ProgressBar() {
  if (drawn_) fprintf(stderr, "\r\033[K");
}

void ProgressBar::update(uint64_t done) {
  if (!terminal_ || total_ == 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < QuietStart || (drawn_ && now - lastDraw_ < RedrawInterval)) return;
  lastDraw_ = now;
  draw(done);
}

void ProgressBar::draw(uint64_t done) {
  if (done > total_) done = total_;
  const int percent = static_cast<int>(done * 100 / total_);
  const int filled = static_cast<int>(done * BarWidth / total_);
  char bar[BarWidth + 1];
  for (int i = 0; i < BarWidth; i++) bar[i] = i < filled ? '#' : '.';
  bar[BarWidth] = 0;
  fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar, percent);
  fflush(stderr);
  drawn_ = true;
}
