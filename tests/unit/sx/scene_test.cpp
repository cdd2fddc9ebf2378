// TSXScene against the recording Direct3D 9: construction, viewport and projection, traversal
// and culling, queue selection, the flush order of Render and the re-send after a reset.
#include "sx/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "sx/frame.h"
#include "sx/mesh.h"
#include "unit/sx/sx_fixture.h"

namespace {

using sx::Mat4;
using sx::TSXFrame;
using sx::TSXMesh;
using sx::TSXScene;
using sx::Vec3;
using sxtest::Translation;

using sxtest::RS;

class Scene : public sxtest::GraphTest {
 protected:
  // Renders from the root with a fresh record and returns the number of mesh draws.
  std::size_t RenderDraws() {
    Restart();
    scene_->Render(root_.get());
    return dev().Count("DrawIndexedPrimitive");
  }
};

}  // namespace

TEST_F(Scene, CreationRegistersSetsTheWindowsViewportAndTheProjection) {
  scene_.reset();
  Restart();
  scene_ = std::make_unique<TSXScene>(*carad_, "scene");
  const auto& r = carad_->Resources().back();
  EXPECT_EQ(r->Owner, scene_.get());
  EXPECT_EQ(r->Name, "scene");
  EXPECT_FALSE(r->OnRelease);
  EXPECT_TRUE(r->OnRebuild);
  EXPECT_FALSE(r->OnLost);
  EXPECT_TRUE(r->OnReset);
  EXPECT_EQ(scene_->Camera(), nullptr);
  EXPECT_TRUE(scene_->SortBlendQueue);
  EXPECT_TRUE(scene_->BlendOpSupported());
  EXPECT_EQ(Calls({"SetViewport"}), std::vector<std::string>{"SetViewport(0, 0, 320, 240, 0, 1)"});
  ASSERT_EQ(dev().Count("SetTransform"), 1u);
  EXPECT_FLOAT_EQ(scene_->ProjectionMatrix().m[0][0], 0.75f);
  EXPECT_NEAR(scene_->ProjectionMatrix().m[1][1], 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(scene_->Aspect(), 0.75f);
  EXPECT_FLOAT_EQ(scene_->FieldOfView(), 1.5707964f);
  EXPECT_FLOAT_EQ(scene_->NearPlane(), 0.01f);
  EXPECT_FLOAT_EQ(scene_->FarPlane(), 10000.0f);

  const std::int32_t id = scene_->ResourceID();
  scene_.reset();
  for (const auto& res : carad_->Resources()) EXPECT_NE(res->ID, id);
}

TEST_F(Scene, TheBuiltInBlendModesAreTheSixRows) {
  const auto& rows = scene_->BlendModes();
  ASSERT_EQ(rows.size(), 6u);
  // sorted, alpha test, function, blending, source, destination, operation
  const unsigned want[6][7] = {{0, 0, 8, 0, 5, 6, 1}, {1, 0, 8, 1, 5, 2, 1}, {1, 0, 8, 1, 5, 6, 1},
                               {1, 0, 8, 1, 1, 4, 1}, {1, 0, 8, 1, 1, 3, 1}, {0, 1, 5, 0, 5, 6, 1}};
  for (int i = 0; i < 6; ++i) {
    const sx::BlendMode& m = rows[static_cast<std::size_t>(i)];
    const unsigned got[7] = {m.sorted, m.alphaTest, m.alphaFunc, m.blending, m.srcBlend, m.destBlend, m.blendOp};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(got[k], want[i][k]) << "row " << i << " field " << k;
  }
  EXPECT_EQ(scene_->AddBlendMode(sx::MakeBlendMode(1, 0x80, 8, 1, 2, 2, 1)), 6);
  EXPECT_EQ(scene_->BlendModes().size(), 7u);
}

TEST_F(Scene, CheckCapsFollowsTheBlendOpBit) {
  d3d_->caps.PrimitiveMiscCaps &= ~static_cast<DWORD>(D3DPMISCCAPS_BLENDOP);
  scene_->CheckCaps();
  EXPECT_FALSE(scene_->BlendOpSupported());
  d3d_->caps.PrimitiveMiscCaps |= D3DPMISCCAPS_BLENDOP;
  scene_->CheckCaps();
  EXPECT_TRUE(scene_->BlendOpSupported());
}

TEST_F(Scene, SetProjectionGivesALeftHandedVerticalFieldOfView) {
  scene_->SetProjection(1.5707964f, 0.75f, 0.01f, 10000.0f);
  const Mat4& p = scene_->ProjectionMatrix();
  EXPECT_FLOAT_EQ(p.m[0][0], 0.75f);
  EXPECT_NEAR(p.m[1][1], 1.0f, 1e-6f);
  EXPECT_NEAR(p.m[2][2], 1.000001f, 1e-6f);
  EXPECT_EQ(p.m[2][3], 1.0f);
  EXPECT_NEAR(p.m[3][2], -0.01f, 1e-7f);
  EXPECT_EQ(p.m[3][3], 0.0f);
  EXPECT_EQ(p.m[0][1], 0.0f);
  EXPECT_NEAR(scene_->HalfAngleH(), std::atan(1.0 / 0.75), 1e-6);
  ASSERT_EQ(dev().calls.size(), 1u);
  EXPECT_EQ(dev().calls[0].method, "SetTransform");
  EXPECT_EQ(dev().calls[0].args[0], 3u);  // D3DTS_PROJECTION
  EXPECT_FLOAT_EQ(dev().calls[0].floats[0], 0.75f);
}

TEST_F(Scene, SetViewportSetsTheScreenMatrix) {
  scene_->SetViewport(10, 20, 110, 70);
  const D3DVIEWPORT9& v = scene_->Viewport();
  EXPECT_EQ(v.X, 10u);
  EXPECT_EQ(v.Width, 100u);
  EXPECT_EQ(v.Height, 50u);
  const Mat4& s = scene_->ScreenMatrix();
  EXPECT_EQ(s.m[0][0], 50);
  EXPECT_EQ(s.m[1][1], -25);
  EXPECT_EQ(s.m[2][2], 1);
  EXPECT_EQ(s.m[3][0], 60);
  EXPECT_EQ(s.m[3][1], 45);
  EXPECT_EQ(s.m[3][2], 0);
  EXPECT_EQ(s.m[3][3], 1);
  EXPECT_EQ(Calls(), std::vector<std::string>{"SetViewport(10, 20, 100, 50, 0, 1)"});
}

TEST_F(Scene, ClearClearsTheWholeTarget) {
  scene_->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF8080FFu, 1.0f, 0);
  EXPECT_EQ(Calls(), std::vector<std::string>{"Clear(0, 0, 3, 4286611711, 0, 1)"});
}

TEST_F(Scene, RenderSetsTheViewFromTheCameraOrTheIdentity) {
  camera_->Matrix = Translation(1, 2, 3);
  scene_->Render(nullptr);
  ASSERT_GE(dev().calls.size(), 1u);
  const d3d9rec::Call& view = dev().calls[0];
  EXPECT_EQ(view.method, "SetTransform");
  EXPECT_EQ(view.args[0], 2u);  // D3DTS_VIEW
  EXPECT_EQ(view.floats[12], -1);
  EXPECT_EQ(view.floats[14], -3);

  scene_->SetCamera(nullptr);
  Restart();
  scene_->Render(nullptr);
  const std::vector<float> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  EXPECT_EQ(dev().calls[0].floats, identity);
}

TEST_F(Scene, RenderFlushesOpaqueThenBlendThenOverlayWithoutDepthTest) {
  TSXMesh* cube = Cube();
  MeshFrame(root_.get(), cube, 0, 0, 10, 2);  // blended, created first
  MeshFrame(root_.get(), cube, 0, 0, 20, 0);  // opaque
  const auto corners = sxtest::Corners(4, 4, 0xFFFFFFFFu);
  scene_->AddScreenSprite({5, 5}, corners.data(), nullptr, 0, false, true, 0.7f);
  Restart();
  scene_->Render(root_.get());
  const auto positions = WorldPositions();
  ASSERT_EQ(positions.size(), 2u);
  EXPECT_EQ(positions[0].z, 20);  // opaque first
  EXPECT_EQ(positions[1].z, 10);

  // From the last mesh draw on: the overlay pass and the closing states.
  const auto texts = Calls();
  std::size_t last = 0;
  for (std::size_t i = 0; i < texts.size(); ++i)
    if (texts[i].rfind("DrawIndexedPrimitive", 0) == 0) last = i;
  const std::vector<std::string> tail(texts.begin() + static_cast<std::ptrdiff_t>(last) + 1, texts.end());
  ASSERT_GE(tail.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(tail.begin(), tail.begin() + 3),
            (std::vector<std::string>{RS(D3DRS_ZENABLE, 0), RS(D3DRS_ZWRITEENABLE, 0), RS(D3DRS_ZFUNC, 8)}));
  EXPECT_EQ(std::vector<std::string>(tail.end() - 4, tail.end()),
            (std::vector<std::string>{RS(D3DRS_ZENABLE, 1), RS(D3DRS_ZWRITEENABLE, 1), RS(D3DRS_ZFUNC, 4),
                                      "SetTexture(0, 0)"}));
  // The overlay flush begins with the depth test on (always passing) and draws the sprite at z 0.
  const auto ups = Calls({"DrawPrimitiveUP", "GetTransform"});
  ASSERT_EQ(ups.size(), 4u);  // a projection read per flush
  EXPECT_EQ(ups[3].rfind("DrawPrimitiveUP", 0), 0u);
  for (const auto& c : dev().calls)
    if (c.method == "DrawPrimitiveUP") {
      EXPECT_EQ(c.floats[2], 0.0f);
    }
}

TEST_F(Scene, QueueSelectionFollowsTheRowsSortedFlagAndTheOverlayFlagWins) {
  const auto corners = sxtest::Corners(2, 2, 0xFFFFFFFFu);
  scene_->AddBlendMode(sx::MakeBlendMode(1, 0, 8, 1, 2, 2, 1));
  for (std::int32_t index : {0, 5, 99, -1})
    scene_->AddSprite(nullptr, {0, 0, 1}, corners.data(), nullptr, index, false, false, false);
  for (std::int32_t index : {1, 2, 3, 4, 6})
    scene_->AddScreenSprite({0, 0}, corners.data(), nullptr, index, false, false, 0.5f);
  scene_->AddSprite(nullptr, {0, 0, 1}, corners.data(), nullptr, 4, false, false, true);
  scene_->AddScreenSprite({0, 0}, corners.data(), nullptr, 0, false, true, 0.5f);
  EXPECT_EQ(scene_->OpaqueQueue().SpriteCount(), 4u);
  EXPECT_EQ(scene_->OpaqueQueue().ScreenSpriteCount(), 0u);
  EXPECT_EQ(scene_->BlendQueue().ScreenSpriteCount(), 5u);
  EXPECT_EQ(scene_->BlendQueue().SpriteCount(), 0u);
  EXPECT_EQ(scene_->OverlayQueue().SpriteCount(), 1u);
  EXPECT_EQ(scene_->OverlayQueue().ScreenSpriteCount(), 1u);
  scene_->Render(nullptr);
  EXPECT_EQ(scene_->OpaqueQueue().SpriteCount() + scene_->BlendQueue().ScreenSpriteCount() +
                scene_->OverlayQueue().SpriteCount(),
            0u);
}

TEST_F(Scene, DropQueuedEmptiesEveryQueueWithoutDrawingAndKeepsTheArrays) {
  const auto corners = sxtest::Corners(2, 2, 0xFFFFFFFFu);
  for (int i = 0; i < 40; ++i) scene_->AddSprite(nullptr, {0, 0, 1}, corners.data(), nullptr, 2, true, true, false);
  scene_->AddSprite(nullptr, {0, 0, 1}, corners.data(), nullptr, 0, false, false, false);
  scene_->AddScreenSprite({0, 0}, corners.data(), nullptr, 2, false, true, 0.0f);
  const std::uint32_t capacity = scene_->BlendQueue().SpriteCapacity();
  EXPECT_EQ(capacity, 64u);
  Restart();
  scene_->DropQueued();
  EXPECT_TRUE(Calls().empty()) << "nothing is drawn";
  EXPECT_EQ(scene_->BlendQueue().SpriteCount(), 0u);
  EXPECT_EQ(scene_->OpaqueQueue().SpriteCount(), 0u);
  EXPECT_EQ(scene_->OverlayQueue().ScreenSpriteCount(), 0u);
  EXPECT_EQ(scene_->BlendQueue().SpriteCapacity(), capacity);
  // The next pass draws only what was queued after the drop.
  scene_->AddScreenSprite({0, 0}, corners.data(), nullptr, 2, false, false, 0.0f);
  scene_->Render(nullptr);
  EXPECT_EQ(dev().Count("DrawPrimitiveUP"), 1u);
}

TEST_F(Scene, FramesGoToTheQueueOfTheirBlendMode) {
  // Only the sorted blend queue asks a frame for its depth.
  TSXMesh* cube = Cube();
  std::vector<std::int32_t> asked;
  for (std::int32_t index : {0, 1, 4, 5}) {
    TSXFrame* f = MeshFrame(root_.get(), cube, 0, 0, 5, index);
    f->OnGetDepth = [&asked, index](TSXFrame&, TSXScene&, float& key, dg::TDGCarad&) {
      asked.push_back(index);
      key = 1;
    };
  }
  EXPECT_EQ(RenderDraws(), 4u);
  EXPECT_EQ(asked, (std::vector<std::int32_t>{1, 4}));
}

TEST_F(Scene, VisibilityHidesTheSubtreeOrOnlyTheFrame) {
  TSXMesh* cube = Cube();
  TSXFrame* door = MeshFrame(root_.get(), cube, 0, 0, 5);
  MeshFrame(door, cube, 0, 1, 0);  // the handle
  TSXFrame* lone = MeshFrame(root_.get(), cube, 2, 0, 5);
  EXPECT_EQ(RenderDraws(), 3u);
  door->Visibility = 1;
  EXPECT_EQ(RenderDraws(), 1u);
  door->Visibility = 2;
  lone->Visibility = 2;
  EXPECT_EQ(RenderDraws(), 1u);
  const auto p = WorldPositions();
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].y, 1);            // the handle, under its door
  EXPECT_FALSE(lone->WorldValid);  // skipped entirely
}

TEST_F(Scene, AMeshBehindTheCameraIsNotQueuedButItsChildrenAre) {
  TSXMesh* cube = Cube();
  TSXFrame* behind = MeshFrame(root_.get(), cube, 0, 0, -5);
  MeshFrame(behind, cube, 0, 0, 10);
  EXPECT_EQ(RenderDraws(), 1u);
  EXPECT_EQ(WorldPositions()[0].z, 5);
  EXPECT_TRUE(behind->WorldValid);
}

TEST_F(Scene, AMeshOfRadiusZeroIsNeverDrawn) {
  TSXMesh* point = Cube(0);
  MeshFrame(root_.get(), point, 0, 0, 5);
  EXPECT_EQ(RenderDraws(), 0u);
}

TEST_F(Scene, CullTestsTheBoundingSphereBeforeVisiting) {
  TSXMesh* cube = Cube();
  TSXFrame* group = new TSXFrame(root_.get());
  group->Matrix = Translation(0, 0, -50);
  group->Cull = true;
  group->BoundingSphere = {{0, 0, 0}, 1};
  MeshFrame(group, cube, 0, 0, 60);  // in view on its own
  EXPECT_EQ(RenderDraws(), 0u);
  group->BoundingSphere = {{0, 0, 55}, 10};
  EXPECT_EQ(RenderDraws(), 1u);
}

TEST_F(Scene, TheSidePlanesUseTheHorizontalHalfAngle) {
  // 320 x 240 with a vertical field of 90 degrees: 45 degrees up and down, 53.1 to the sides.
  TSXMesh* cube = Cube();
  TSXFrame* f = MeshFrame(root_.get(), cube, 12, 0, 10);
  EXPECT_EQ(RenderDraws(), 1u);  // beyond 45 degrees sideways, yet on the screen
  f->Matrix = Translation(-12, 0, 10);
  EXPECT_EQ(RenderDraws(), 1u);
  f->Matrix = Translation(15, 0, 10);
  EXPECT_EQ(RenderDraws(), 0u);
  f->Matrix = Translation(0, 12, 10);  // above the 45 degrees
  EXPECT_EQ(RenderDraws(), 0u);
  f->Matrix = Translation(0, -10.5f, 10);  // the sphere still reaches into the view
  EXPECT_EQ(RenderDraws(), 1u);
}

TEST_F(Scene, IsSphereVisibleTestsNearFarAndRadius) {
  const sx::TSXSphere unit{{0, 0, 0}, 1};
  EXPECT_TRUE(scene_->IsSphereVisible(Translation(0, 0, 100), unit, 100));
  EXPECT_TRUE(scene_->IsSphereVisible(Translation(0, 0, 100.9f), unit, 100));
  EXPECT_FALSE(scene_->IsSphereVisible(Translation(0, 0, 101.5f), unit, 100));
  EXPECT_TRUE(scene_->IsSphereVisible(Translation(0, 0, -0.5f), unit, 100));  // the near plane is not tested
  EXPECT_FALSE(scene_->IsSphereVisible(Translation(0, 0, -1.5f), unit, 100));
  EXPECT_FALSE(scene_->IsSphereVisible(Translation(0, 0, 5), {{0, 0, 0}, 0}, 100));
  EXPECT_FALSE(scene_->IsSphereVisible(Translation(0, 0, 5), {{0, 0, 0}, std::nanf("")}, 100));
  // The camera's view: turned half round, +z is behind it.
  camera_->Matrix = sxtest::Translation(0, 0, 0);
  camera_->SetOrientation(root_.get(), {0, 0, -1}, {0, 1, 0});
  EXPECT_FALSE(scene_->IsSphereVisible(Translation(0, 0, 5), unit, 100));
  EXPECT_TRUE(scene_->IsSphereVisible(Translation(0, 0, -5), unit, 100));
}

TEST_F(Scene, TheMeshMatrixMovesAndScalesTheTestSphere) {
  TSXMesh* cube = Cube();
  TSXFrame* f = MeshFrame(root_.get(), cube, 0, 0, -3);
  f->MeshMatrix = Translation(0, 0, 8);  // the mesh itself sits at z 5
  EXPECT_EQ(RenderDraws(), 1u);
  EXPECT_EQ(WorldPositions()[0].z, 5);
  f->UseMeshMatrix = false;
  EXPECT_EQ(RenderDraws(), 0u);
  // A mirroring mesh matrix keeps its sphere.
  f->UseMeshMatrix = true;
  f->MeshMatrix.m[0][0] = -1;
  EXPECT_EQ(RenderDraws(), 1u);
}

TEST_F(Scene, OnRenderDrawsInPlaceOfTheMeshAndTheTextureIsSentAgain) {
  TSXMesh* cube = Cube();
  TSXFrame* f = MeshFrame(root_.get(), cube, 0, 0, 5);
  int rendered = 0;
  f->OnRender = [&](TSXFrame& frame, TSXScene& scene, dg::TDGCarad& device) {
    EXPECT_EQ(&frame, f);
    EXPECT_EQ(&scene, scene_.get());
    EXPECT_EQ(&device, carad_.get());
    ++rendered;
  };
  EXPECT_EQ(RenderDraws(), 0u);
  EXPECT_EQ(rendered, 1);
  // A handler frame without a mesh needs a depth handler to be queued.
  f->Mesh = nullptr;
  RenderDraws();
  EXPECT_EQ(rendered, 1);
  f->OnGetDepth = [](TSXFrame&, TSXScene&, float& key, dg::TDGCarad&) { key = 3; };
  RenderDraws();
  EXPECT_EQ(rendered, 2);
  // The handler may have changed the texture: the cached one is sent again right after it.
  const auto t = Calls();
  std::size_t material = t.size();
  for (std::size_t i = 0; i < t.size(); ++i)
    if (t[i].rfind("SetMaterial", 0) == 0) material = i;
  ASSERT_LT(material + 1, t.size());
  EXPECT_EQ(t[material + 1], "SetTexture(0, 0)");
}

TEST_F(Scene, OnCheckVisibilityReplacesVisibilityAndCull) {
  TSXMesh* cube = Cube();
  TSXFrame* f = MeshFrame(root_.get(), cube, 0, 0, 5);
  MeshFrame(f, cube, 0, 0, 1);
  f->Visibility = 1;
  f->Cull = true;
  f->BoundingSphere = {{0, 0, 0}, 0};
  std::uint8_t answer = 2;
  f->OnCheckVisibility = [&answer](TSXFrame&, TSXScene&, std::uint8_t& v, dg::TDGCarad&) { v = answer; };
  EXPECT_EQ(RenderDraws(), 1u);  // the child only
  answer = 1;
  EXPECT_EQ(RenderDraws(), 0u);
}

TEST_F(Scene, AfterAResetTheViewportAndProjectionAreSentAgain) {
  scene_->SetViewport(0, 0, 200, 100);
  scene_->SetProjection(1.0f, 0.5f, 1.0f, 100.0f);
  Restart();
  carad_->ResetDevice();
  const auto t = Calls({"SetViewport", "GetDeviceCaps"});
  EXPECT_EQ(t, (std::vector<std::string>{"SetViewport(0, 0, 200, 100, 0, 1)"}));
  ASSERT_EQ(dev().Count("SetTransform"), 1u);
  for (const auto& c : dev().calls)
    if (c.method == "SetTransform") {
      EXPECT_EQ(c.args[0], 3u);
      EXPECT_FLOAT_EQ(c.floats[0], scene_->ProjectionMatrix().m[0][0]);
    }
  // A new device (a change of window mode) gets them as well, and the caps are read again.
  d3d_->caps.PrimitiveMiscCaps = 0;
  carad_->SetWindowMode(kWidth, kHeight, {}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
  EXPECT_EQ(Calls({"SetViewport"}), (std::vector<std::string>{"SetViewport(0, 0, 200, 100, 0, 1)"}));
  EXPECT_FALSE(scene_->BlendOpSupported());
}
