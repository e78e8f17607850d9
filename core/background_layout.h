// The geometry of the background window's painting, apart from the drawing
// calls: the bands of the vertical colour gradient and the point size of the
// title. Portable, so that the native tests check every band and size.
#pragma once

#include <stdint.h>

#include "core/ratio_stepper.h"

// Pixels per band: span / 224, clamped to 1 to 3.
constexpr int GradientBandDivisor = 224;
constexpr int MinGradientBand = 1;
constexpr int MaxGradientBand = 3;

struct GradientBands {
  int height;  // pixels per band
  int count;   // span / height: the steps from the top to the bottom colour
};

// The bands of a gradient over `span` pixels (bottom - top + 1 of the client
// rectangle). The count is at least 1, so that the steppers always have one.
GradientBands gradientBands(int span);

// One band-high strip of the gradient and its colour (0x00BBGGRR).
struct GradientStrip {
  int top;
  int bottom;  // exclusive
  uint32_t colour;
};

// Walks the strips that cover the rows areaTop to areaBottom (exclusive),
// from the top. Each channel starts at its value in topColour and moves
// towards bottomColour by the next step of its RatioStepper (total = top
// channel - bottom channel, count = the band count) before each strip is
// coloured, so the first strip is already one step from topColour and the
// strip of the last step has bottomColour.
//
// The strips needed to cover the area can outnumber the band count by one
// (a height one above a multiple of 3); such a strip keeps bottomColour
// instead of stepping past it, where a channel would leave 0 to 255 and its
// low 8 bits wrap to the opposite brightness.
class GradientPainter {
 public:
  GradientPainter(uint32_t topColour, uint32_t bottomColour, int areaTop, int areaBottom);

  // The next strip; false once the area is covered.
  bool next(GradientStrip& strip);

  const GradientBands& bands() const { return bands_; }

 private:
  GradientBands bands_;
  int y_;
  int areaBottom_;
  int stepsLeft_;
  int red_, green_, blue_;
  RatioStepper redSteps_, greenSteps_, blueSteps_;
};

// The title's font sizes in points: tried from the largest down, 1 point at
// a time; the smallest is used without measuring.
constexpr int LargestTitlePoints = 26;
constexpr int SmallestTitlePoints = 6;

// Measures the title's width in pixels at a point size.
using TitleMeasure = int (*)(int points, void* context);

// The largest size from 26 down to 7 points at which `measure` gives a width
// less than `clientRight`, or 6 points (not measured) when none does.
int titlePointSize(int clientRight, TitleMeasure measure, void* context);

// The font height for a point size on a device with `pixelsPerInch`
// vertical resolution: -(pixelsPerInch x points / 72), truncated; negative
// asks for the character height rather than the cell height.
int titleFontHeight(int pixelsPerInch, int points);
