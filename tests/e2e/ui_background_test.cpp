// The background a user sees behind the first box of a package: a picture
// stretched over the screen, a gradient from the top to the bottom colour,
// or a single colour, each with the display title at the top left in its
// colour. Read from the screen pixel by pixel.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_fixture.h"
#include "tests/e2e/ui_packages.h"

using ui_e2e::Hex;
using ui_e2e::Near;
using ui_e2e::ScreenPixels;

namespace {

const COLORREF Title = RGB(0xFF, 0xFF, 0x00);

class Background : public EndToEnd {
 protected:
  // Builds the package with `appearance` (an [appearance] section), starts
  // it and waits for its first box; then reads the screen.
  ScreenPixels showPackage(const std::string& appearance) {
    const std::string manifest = "[product]\nname = \"Tessa Background\"\n\n" + appearance +
                                 "\n[[language]]\nname = \"English\"\n[language.messages]\n"
                                 "display-title = \"Tessa Background 1.0\"\n";
    const std::string package = ui_e2e::BuildStoppingPackage(scratchDirectory(), manifest);
    start(commandLineFor(package, ""), package);
    box_ = program_.waitForWindow({"", DialogClass}, WindowTimeoutMs);
    EXPECT_NE(box_, nullptr) << "no box appeared";
    Sleep(500);  // the background repaints behind the new box
    return ScreenPixels();
  }

  // Columns away from the centred box and rows below the title.
  static constexpr int LeftColumn = 8;
  int rightColumn(const ScreenPixels& s) const { return s.width() - 8; }

  // The title's colour is in the top left corner and nowhere below it.
  void expectTitle(const ScreenPixels& s) {
    EXPECT_GT(s.count(Title, 0, 0, s.width() / 2, 45), 100) << "no title at the top left";
    EXPECT_EQ(s.count(Title, 0, 60, 200, s.height()), 0);
  }

  HWND box_ = nullptr;
};

TEST_F(Background, GradientRunsFromTheTopColourToTheBottomColour) {
  const COLORREF top = RGB(0x20, 0x40, 0xC0);
  const COLORREF bottom = RGB(0x00, 0x00, 0x20);
  ScreenPixels s = showPackage(
      "[appearance]\ntitle-color = \"#FFFF00\"\ntop-color = \"#2040C0\"\nbottom-color = \"#000020\"\n");
  const int x = rightColumn(s);
  // The first band is already one step below the top colour; the last band
  // has the bottom colour.
  EXPECT_TRUE(Near(s.at(x, 0), top, 1)) << Hex(s.at(x, 0));
  EXPECT_NE(s.at(x, 0), s.at(x, s.height() - 1));
  EXPECT_TRUE(Near(s.at(x, s.height() - 1), bottom, 1)) << Hex(s.at(x, s.height() - 1));
  // Brighter at a third of the height than at two thirds.
  EXPECT_GT((s.at(LeftColumn, s.height() / 3) >> 16) & 0xFF, (s.at(LeftColumn, 2 * s.height() / 3) >> 16) & 0xFF);
  expectTitle(s);
}

TEST_F(Background, SingleColourCoversTheScreen) {
  const COLORREF colour = RGB(0x33, 0x66, 0x99);
  ScreenPixels s = showPackage(
      "[appearance]\ntitle-color = \"#FFFF00\"\ntop-color = \"#336699\"\nbottom-color = \"#336699\"\n");
  for (int y : {60, s.height() / 2, s.height() - 1}) {
    EXPECT_EQ(Hex(s.at(LeftColumn, y)), Hex(colour)) << "row " << y;
    EXPECT_EQ(Hex(s.at(rightColumn(s), y)), Hex(colour)) << "row " << y;
  }
  expectTitle(s);
}

TEST_F(Background, PictureIsStretchedOverTheScreen) {
  // 2 x 2: red, green on top; blue, white below. The title colour comes
  // with the picture.
  const std::string picture =
      ui_e2e::BitmapFile(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
  ASSERT_TRUE(ui_e2e::WriteFile(scratchDirectory() + "/picture.bmp", picture));
  ScreenPixels s = showPackage("[appearance]\ntitle-color = \"#FFFF00\"\npicture = \"picture.bmp\"\n");
  const int right = rightColumn(s);
  EXPECT_EQ(Hex(s.at(LeftColumn, s.height() / 4)), Hex(RGB(255, 0, 0)));
  EXPECT_EQ(Hex(s.at(right, s.height() / 4)), Hex(RGB(0, 255, 0)));
  EXPECT_EQ(Hex(s.at(LeftColumn, 3 * s.height() / 4)), Hex(RGB(0, 0, 255)));
  EXPECT_EQ(Hex(s.at(right, 3 * s.height() / 4)), Hex(RGB(255, 255, 255)));
  expectTitle(s);
}

}  // namespace
