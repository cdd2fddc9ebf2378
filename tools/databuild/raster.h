// 2D painting for the data set's pictures: an RGBA canvas (components 0..1, straight alpha,
// y down, pixel (x, y) covers [x, x + 1) x [y, y + 1)), antialiased shapes, and a stroke font of
// the capital letters, digits, some punctuation and the lower-case letters the names need.
#pragma once

#include <string>
#include <vector>

#include "formats.h"
#include "curves.h"
#include "mesh.h"

namespace databuild {
namespace raster {

struct Canvas {
  int width = 0, height = 0;
  std::vector<Colour> px;
  Canvas(int w, int h, Colour c = {0, 0, 0, 0});
  Colour& At(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
  const Colour& At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};

// Paints c over the pixel with the given coverage (0..1).
void Over(Canvas& cv, int x, int y, const Colour& c, double coverage);
// Shapes, all antialiased; coordinates in pixels.
void FillRect(Canvas& cv, double x0, double y0, double x1, double y1, const Colour& c);
void FillRoundRect(Canvas& cv, double x0, double y0, double x1, double y1, double r, const Colour& c);
void FillDisc(Canvas& cv, double cx, double cy, double r, const Colour& c);
void FillRing(Canvas& cv, double cx, double cy, double r0, double r1, const Colour& c);
void FillPolygon(Canvas& cv, const std::vector<P2>& pts, const Colour& c);
void StrokeLine(Canvas& cv, double x0, double y0, double x1, double y1, double width, const Colour& c);
// Vertical gradient over a rectangle.
void GradientRect(Canvas& cv, double x0, double y0, double x1, double y1, const Colour& top, const Colour& bottom);

// Text in the stroke font: `height` is the capital height in pixels, `weight` the stroke width,
// `slant` the shear (0.2 leans the letters right). Returns the width, as TextWidth gives it.
double Text(Canvas& cv, double x, double y, double height, double weight, const std::string& text, const Colour& c,
            double slant = 0, double tracking = 0.18, double grow = 0);
double TextWidth(const std::string& text, double height, double weight, double tracking = 0.18);
// Fits a line of text into a box (centred), choosing the height.
void TextInBox(Canvas& cv, double x0, double y0, double x1, double y1, const std::string& text, const Colour& c,
               double weightRatio = 0.16, double slant = 0);

// Sets the colour of nearly transparent pixels from their opaque neighbours, so that filtering
// at the edges of shapes does not pull in a dark fringe.
void BleedEdges(Canvas& cv, int passes = 8);
Image ToImage(const Canvas& cv);

// A small label with a dark outline, for the preview sheets.
void DrawLabel(Image& img, int x, int y, const std::string& text, uint32_t argb);

}  // namespace raster
}  // namespace databuild
