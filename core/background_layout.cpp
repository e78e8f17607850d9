#include "core/background_layout.h"

namespace {

int red(uint32_t colour) { return static_cast<int>(colour & 0xFF); }
int green(uint32_t colour) { return static_cast<int>((colour >> 8) & 0xFF); }
int blue(uint32_t colour) { return static_cast<int>((colour >> 16) & 0xFF); }

uint32_t colourOf(int r, int g, int b) {
  return (static_cast<uint32_t>(r) & 0xFF) | (static_cast<uint32_t>(g) & 0xFF) << 8 |
         (static_cast<uint32_t>(b) & 0xFF) << 16;
}

constexpr int PointsPerInch = 72;

}  // namespace

GradientBands gradientBands(int span) {
  int height = span / GradientBandDivisor;
  if (height < MinGradientBand) height = MinGradientBand;
  if (height > MaxGradientBand) height = MaxGradientBand;
  int count = span / height;
  if (count < 1) count = 1;
  return {height, count};
}

GradientPainter::GradientPainter(uint32_t topColour, uint32_t bottomColour, int areaTop,
                                 int areaBottom)
    : bands_(gradientBands(areaBottom - areaTop + 1)),
      y_(areaTop),
      areaBottom_(areaBottom),
      stepsLeft_(bands_.count),
      red_(red(topColour)),
      green_(green(topColour)),
      blue_(blue(topColour)),
      redSteps_(red(topColour) - red(bottomColour), bands_.count),
      greenSteps_(green(topColour) - green(bottomColour), bands_.count),
      blueSteps_(blue(topColour) - blue(bottomColour), bands_.count) {}

bool GradientPainter::next(GradientStrip& strip) {
  if (y_ >= areaBottom_) return false;
  if (stepsLeft_ > 0) {
    --stepsLeft_;
    red_ -= redSteps_.next();
    green_ -= greenSteps_.next();
    blue_ -= blueSteps_.next();
  }
  strip.top = y_;
  strip.bottom = y_ + bands_.height;
  strip.colour = colourOf(red_, green_, blue_);
  y_ += bands_.height;
  return true;
}

int titlePointSize(int clientRight, TitleMeasure measure, void* context) {
  for (int points = LargestTitlePoints; points > SmallestTitlePoints; --points) {
    if (measure(points, context) < clientRight) return points;
  }
  return SmallestTitlePoints;
}

int titleFontHeight(int pixelsPerInch, int points) {
  return -static_cast<int>(static_cast<double>(pixelsPerInch) * points / PointsPerInch);
}
