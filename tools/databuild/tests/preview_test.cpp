// The preview renderer against Direct3D 9 behaviour measured under Wine (culling of
// counter-clockwise triangles, the fixed-function lighting with vertex colours as material,
// multiply blending, sprite size), and the preview sheets of the built data set.
#include <gtest/gtest.h>

#include "dataset.h"
#include "preview.h"
#include "preview_scenes.h"

namespace databuild {
namespace {

MeshFile Quad(double z, uint32_t diffuse, uint32_t specular, bool clockwise, float half = 3) {
  // A square in the plane z facing the camera at the origin (normal -z).
  MeshFile m;
  const float xs[4] = {-half, half, half, -half}, ys[4] = {half, half, -half, -half};
  for (int i = 0; i < 4; ++i)
    m.vertices.push_back({xs[i], ys[i], static_cast<float>(z), 0, 0, -1, diffuse, specular, 0, 0});
  // Seen from the origin looking along +z (x right, y up), 0 1 2 runs clockwise on screen.
  m.indices = clockwise ? std::vector<uint16_t>{0, 1, 2, 0, 2, 3} : std::vector<uint16_t>{0, 2, 1, 0, 3, 2};
  m.vertexCount = 4;
  m.indexCount = 6;
  return m;
}

std::vector<PreviewLight> WhiteLightAlongZ(V3 specular) {
  PreviewLight l;
  l.direction = {0, 0, 1};
  l.diffuse = {1, 1, 1};
  l.specular = specular;
  return {l};
}

const uint8_t* Centre(const PreviewRenderer& r) { return r.Result().At(32, 32); }

TEST(Preview, CullsCounterClockwiseTrianglesLikeTheDefaultCullMode) {
  PreviewRenderer r(64, 64);
  r.SetCamera({0, 0, 0}, {0, 0, 1});
  r.SetLights(WhiteLightAlongZ({0, 0, 0}));
  r.Clear(0xFF000000);
  MeshFile cw = Quad(2, 0xFFFFFFFF, 0, true), ccw = Quad(2, 0xFFFFFFFF, 0, false);
  r.DrawMesh(cw, M4::Identity(), 0, false);
  EXPECT_EQ(r.drawn, 2u);
  EXPECT_EQ(r.culled, 0u);
  EXPECT_EQ(Centre(r)[0], 255);
  r.Clear(0xFF000000);
  r.DrawMesh(ccw, M4::Identity(), 0, false);
  EXPECT_EQ(r.drawn, 0u);
  EXPECT_EQ(r.culled, 2u);
  EXPECT_EQ(Centre(r)[0], 0);
}

TEST(Preview, LightsVerticesWithTheirColoursAsMaterial) {
  // Vertex diffuse 0x80C06030 lit head-on by a white light: (192, 96, 48). With a white light
  // specular and vertex specular 0x40104080, specular is worked out at the corners of the
  // (+-4, +-4, 2) square and interpolated: Wine's Direct3D gives (194, 104, 65) in the centre.
  PreviewRenderer r(64, 64);
  r.SetCamera({0, 0, 0}, {0, 0, 1});
  MeshFile q = Quad(2, 0x80C06030u, 0x40104080u, true, 4);
  r.SetLights(WhiteLightAlongZ({0, 0, 0}));
  r.Clear(0xFF000000);
  r.DrawMesh(q, M4::Identity(), 0, true);
  EXPECT_EQ(Centre(r)[0], 192);
  EXPECT_EQ(Centre(r)[1], 96);
  EXPECT_EQ(Centre(r)[2], 48);
  r.SetLights(WhiteLightAlongZ({1, 1, 1}));
  r.Clear(0xFF000000);
  r.DrawMesh(q, M4::Identity(), 0, true);
  EXPECT_NEAR(Centre(r)[0], 194, 1);
  EXPECT_NEAR(Centre(r)[1], 104, 1);
  EXPECT_NEAR(Centre(r)[2], 65, 1);
  // Specular switched off on the frame: the vertex specular plays no part.
  r.Clear(0xFF000000);
  r.DrawMesh(q, M4::Identity(), 0, false);
  EXPECT_EQ(Centre(r)[0], 192);
  // A light from behind leaves the ambient only (none here): black.
  PreviewLight back;
  back.direction = {0, 0, -1};
  r.SetLights({back});
  r.Clear(0xFF808080);
  r.DrawMesh(q, M4::Identity(), 0, true);
  EXPECT_EQ(Centre(r)[0], 0);
}

TEST(Preview, MultiplyDarkensWhatLiesBehindAndWritesNoDepth) {
  PreviewRenderer r(64, 64);
  r.SetCamera({0, 0, 0}, {0, 0, 1});
  r.SetLights(WhiteLightAlongZ({0, 0, 0}));
  r.Clear(0xFFFFFFFF);
  MeshFile glass = Quad(2, 0xFF808080u, 0, true), far = Quad(3, 0xFF00FF00u, 0, true);
  r.DrawMesh(glass, M4::Identity(), 4, false);
  r.Flush();
  EXPECT_EQ(Centre(r)[0], 128);
  // The multiply quad wrote no depth: an opaque quad behind it still draws.
  r.DrawMesh(far, M4::Identity(), 0, false);
  EXPECT_EQ(Centre(r)[1], 255);
  EXPECT_EQ(Centre(r)[0], 0);
}

TEST(Preview, SpritesScaleWithDistanceByHalfTheViewportWidth) {
  // A sprite corner offset of 1 at view depth w lies width / 2 / w pixels from its centre.
  PreviewRenderer r(64, 64);
  r.SetCamera({0, 0, 0}, {0, 0, 1});
  r.Clear(0xFF000000);
  Image white(4, 4, 0xFFFFFFFF);
  SpriteCorner q[4] = {{-1, -1, 0, 0}, {1, -1, 1, 0}, {-1, 1, 0, 1}, {1, 1, 1, 1}};
  r.AddSprite({0, 0, 8}, q, &white);
  r.Flush();
  int covered = 0;
  for (int x = 0; x < 64; ++x) covered += r.Result().At(x, 32)[0] > 128;
  EXPECT_EQ(covered, 8);  // 2 * 32 / 8
}

TEST(PreviewSheets, CarAndSceneryRenderFromTheBuiltData) {
  std::vector<DataFile> files;
  std::string err;
  ASSERT_TRUE(BuildDataSet(files, err)) << err;
  PreviewData data;
  ASSERT_TRUE(data.Load(files, err)) << err;
  // The saver's first picture: the car fills much of the screen on black.
  CarView start;
  Image img = RenderCar(data, start, 160, 120, 1);
  size_t lit = 0;
  for (size_t i = 0; i < img.rgba.size(); i += 4) lit += img.rgba[i] + img.rgba[i + 1] + img.rgba[i + 2] > 30;
  EXPECT_GT(lit, img.rgba.size() / 4 / 3);
  // Skeleton view: white around the car, the car itself darker than the background.
  CarView skel = ContactViews()[6];
  ASSERT_TRUE(skel.skeleton);
  img = RenderCar(data, skel, 160, 120, 1);
  EXPECT_EQ(img.At(2, 2)[0], 255);
  EXPECT_LT(img.At(80, 80)[1], 200);
  // Driving mode by day: sky at the top, ground at the bottom.
  ScenePass pass = SceneryPasses()[1];
  img = RenderScenery(data, pass, 160, 120, 1);
  EXPECT_EQ(img.At(80, 1)[2], 0xFF);
  int blue = 0;
  for (int x = 0; x < 160; ++x) blue += img.At(x, 119)[2];
  EXPECT_LT(blue / 160, 0xA0);  // road and grass, not sky
}

}  // namespace
}  // namespace databuild
