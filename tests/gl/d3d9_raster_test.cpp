// Rasterisation rules of pre-transformed vertices: pixel centres, fill rule, clipping, culling.
#include "gl_fixture.h"

namespace d3d9test {
namespace {

class Raster : public DeviceTest {};

// Covered columns [first, last] of row `y` for colour `c`, or (-1, -1).
std::pair<int, int> Span(const std::vector<std::uint32_t>& px, int w, int y, std::uint32_t c) {
  int first = -1, last = -1;
  for (int x = 0; x < w; ++x)
    if ((px[y * w + x] & 0xffffff) == (c & 0xffffff)) {
      if (first < 0) first = x;
      last = x;
    }
  return {first, last};
}

TEST_F(Raster, IntegerPixelCentresWithTopLeftRule) {
  struct Case {
    float lo, hi;
    int first, last;
  } cases[] = {{10.0f, 20.0f, 10, 19}, {9.5f, 19.5f, 10, 19}, {9.9f, 19.9f, 10, 19}, {9.49f, 19.49f, 10, 19},
               {9.51f, 19.51f, 10, 19}, {10.1f, 20.1f, 11, 20}, {10.49f, 20.49f, 11, 20}, {10.5f, 20.5f, 11, 20},
               {10.51f, 20.51f, 11, 20}};
  for (const Case& c : cases) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    dev_->BeginScene();
    ASSERT_EQ(Quad(c.lo, c.lo, c.hi, c.hi, 0xffffffff), D3D_OK);
    dev_->EndScene();
    const auto px = ReadBack();
    const auto cols = Span(px, kWidth, c.first, 0xffffffff);
    EXPECT_EQ(cols.first, c.first) << c.lo;
    EXPECT_EQ(cols.second, c.last) << c.lo;
    int rowsFirst = -1, rowsLast = -1;
    for (int y = 0; y < kHeight; ++y)
      if ((At(px, c.first, y) & 0xffffff) == 0xffffff) {
        if (rowsFirst < 0) rowsFirst = y;
        rowsLast = y;
      }
    EXPECT_EQ(rowsFirst, c.first) << c.lo;
    EXPECT_EQ(rowsLast, c.last) << c.lo;
  }
}
}  // namespace
}  // namespace d3d9test
