// The gradient's bands and colours and the title's point size, without a
// window.
#include "core/background_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int redOf(uint32_t c) { return c & 0xFF; }
int greenOf(uint32_t c) { return (c >> 8) & 0xFF; }
int blueOf(uint32_t c) { return (c >> 16) & 0xFF; }

std::vector<GradientStrip> strips(uint32_t top, uint32_t bottom, int height) {
  GradientPainter painter(top, bottom, 0, height);
  std::vector<GradientStrip> all;
  GradientStrip strip;
  while (painter.next(strip)) all.push_back(strip);
  return all;
}

TEST(GradientBands, HeightAndCountFollowTheSpan) {
  // span = client height + 1.
  struct Case { int span, height, count; };
  for (Case c : {Case{481, 2, 240}, Case{601, 2, 300}, Case{769, 3, 256}, Case{896, 3, 298},
                 Case{5000, 3, 1666}, Case{222, 1, 222}, Case{223, 1, 223}, Case{224, 1, 224},
                 Case{448, 2, 224}, Case{672, 3, 224}, Case{1, 1, 1}}) {
    SCOPED_TRACE(c.span);
    GradientBands bands = gradientBands(c.span);
    EXPECT_EQ(bands.height, c.height);
    EXPECT_EQ(bands.count, c.count);
  }
  // Never a count of 0, which the steppers cannot take.
  EXPECT_EQ(gradientBands(0).count, 1);
  EXPECT_EQ(gradientBands(-7).count, 1);
}

TEST(GradientPainter, CoversTheAreaFromTheTopInBandHighStrips) {
  for (int height : {480, 600, 768, 700, 1024, 100, 1}) {
    SCOPED_TRACE(height);
    std::vector<GradientStrip> all = strips(0xFFFFFF, 0, height);
    const int band = gradientBands(height + 1).height;
    ASSERT_EQ(static_cast<int>(all.size()), (height + band - 1) / band);
    for (size_t i = 0; i < all.size(); ++i) {
      EXPECT_EQ(all[i].top, static_cast<int>(i) * band);
      EXPECT_EQ(all[i].bottom, all[i].top + band);
    }
  }
  // An area that does not start at 0.
  GradientPainter painter(0, 0, 10, 13);
  GradientStrip strip;
  ASSERT_TRUE(painter.next(strip));
  EXPECT_EQ(strip.top, 10);
  EXPECT_EQ(strip.bottom, 11);
}

TEST(GradientPainter, FirstStripIsOneStepFromTheTopAndTheLastStepReachesTheBottom) {
  const uint32_t top = 0x102030;     // red 0x30, green 0x20, blue 0x10
  const uint32_t bottom = 0xF0E0D0;  // red 0xD0, green 0xE0, blue 0xF0
  std::vector<GradientStrip> all = strips(top, bottom, 768);  // 256 bands of 3
  ASSERT_EQ(all.size(), 256u);
  // Red goes up by 160 over 256 steps: the first step is 0 (160/256 < 1), so
  // check a colour whose first step is whole.
  std::vector<GradientStrip> steep = strips(0x0000FF, 0x000000, 479);  // 240 bands of 2
  EXPECT_EQ(redOf(steep.front().colour), 0xFF - 1);
  EXPECT_EQ(steep.back().colour, 0x000000u);
  EXPECT_EQ(all.back().colour, bottom);
  // Every channel moves monotonically and by at most one step size.
  for (size_t i = 1; i < all.size(); ++i) {
    EXPECT_GE(redOf(all[i].colour), redOf(all[i - 1].colour));
    EXPECT_LE(redOf(all[i].colour) - redOf(all[i - 1].colour), 1);
    EXPECT_GE(blueOf(all[i].colour), blueOf(all[i - 1].colour));
  }
}

TEST(GradientPainter, EqualColoursPaintOneColour) {
  for (const GradientStrip& s : strips(0x336699, 0x336699, 600)) EXPECT_EQ(s.colour, 0x336699u);
}

TEST(GradientPainter, AStripBeyondTheBandCountKeepsTheBottomColour) {
  // Height 700: span 701, 233 bands of 3, but 234 strips to cover 700 rows.
  // White to black steps 255 over 233 bands; one more step would take each
  // channel to -1, whose low byte is white again.
  std::vector<GradientStrip> all = strips(0xFFFFFF, 0x000000, 700);
  ASSERT_EQ(all.size(), 234u);
  EXPECT_EQ(all[232].colour, 0x000000u);
  EXPECT_EQ(all[233].colour, 0x000000u);
  // Black to white likewise must not wrap to black.
  all = strips(0x000000, 0xFFFFFF, 1024);
  ASSERT_EQ(all.size(), 342u);
  EXPECT_EQ(all[340].colour, 0xFFFFFFu);
  EXPECT_EQ(all[341].colour, 0xFFFFFFu);
  for (size_t i = 1; i < all.size(); ++i) EXPECT_GE(greenOf(all[i].colour), greenOf(all[i - 1].colour));
}

// A title 10 pixels wide per point.
int tenPerPoint(int points, void* context) {
  static_cast<std::vector<int>*>(context)->push_back(points);
  return points * 10;
}

TEST(TitleSize, LargestSizeWhoseWidthIsLessThanTheRightEdge) {
  std::vector<int> measured;
  EXPECT_EQ(titlePointSize(1000, tenPerPoint, &measured), 26);
  EXPECT_EQ(measured, std::vector<int>{26});
  measured.clear();
  EXPECT_EQ(titlePointSize(200, tenPerPoint, &measured), 19);  // 190 < 200; 200 is not
  EXPECT_EQ(measured.front(), 26);
  EXPECT_EQ(measured.back(), 19);
  measured.clear();
  // Too wide even at 7 points: 6 points, never measured.
  EXPECT_EQ(titlePointSize(70, tenPerPoint, &measured), 6);
  EXPECT_EQ(measured.size(), 20u);
  EXPECT_EQ(measured.back(), 7);
}

}  // namespace
