// TSXRenderingQueue against the recording Direct3D 9: the flush's reset states, the state cache,
// blend rows, the depth sort and its order for equal keys, sprite and screen-sprite vertices, the
// sampler filter save and restore, growth and emptying.
//
// The scene's camera sits at the origin looking along +z, so a view depth is the world z; the
// viewport is 320 x 240 with a vertical field of 90 degrees, so the world origin at depth z
// lands on pixel (160, 120) and one world unit sideways at depth z is 120 / z pixels.
#include "sx/queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dg/texture.h"
#include "unit/sx/sx_fixture.h"

namespace {

using sx::TSXFrame;
using sx::Vec3;
using sxtest::RS;

class Queue : public sxtest::GraphTest {
 protected:
  void Render() {
    Restart();
    scene_->Render(root_.get());
  }
  // The vertices of every DrawPrimitiveUP, eight floats each.
  std::vector<std::vector<float>> Strips() const {
    std::vector<std::vector<float>> out;
    for (const auto& c : dev().calls) {
      if (c.method == "DrawPrimitiveUP") out.push_back(c.floats);
    }
    return out;
  }
  // The calls strictly between the n-th and the (n+1)-th call of `method`.
  std::vector<std::string> Between(const std::string& method, std::size_t n) const {
    std::vector<std::string> out;
    std::size_t seen = 0;
    for (const auto& c : dev().calls) {
      if (c.method == method) {
        if (seen++ == n + 1) break;
        continue;
      }
      if (seen == n + 1) out.push_back(c.Text());
    }
    return out;
  }
  static std::uint32_t Bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
  }
  std::unique_ptr<dg::TDGTexture> Texture() {
    auto t =
        std::make_unique<dg::TDGTexture>(*carad_, std::vector<D3DFORMAT>{D3DFMT_A8R8G8B8}, 0, D3DPOOL_MANAGED, 1, "");
    t->SetSize(4, 4);
    return t;
  }
  std::vector<sx::SpriteVertex> corners_ = sxtest::Corners(2, 2, 0xFF00FF00u);
};

}  // namespace

TEST_F(Queue, AFlushBeginsWithTheResetStatesInOrder) {
  scene_->OpaqueQueue().Flush(false, sx::MatIdentity, scene_->Viewport());
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "GetTransform(3)", "SetTexture(0, 0)", RS(D3DRS_SPECULARENABLE, 1), RS(D3DRS_LIGHTING, 1),
                         RS(D3DRS_FILLMODE, 3), RS(D3DRS_WRAP0, 0), RS(D3DRS_ALPHABLENDENABLE, 0), RS(D3DRS_ZENABLE, 1),
                         RS(D3DRS_ZWRITEENABLE, 1), "SetTextureStageState(0, 2, 2)", "SetTextureStageState(0, 3, 0)",
                         "SetTextureStageState(0, 1, 4)", "SetTextureStageState(0, 5, 2)",
                         "SetTextureStageState(0, 6, 0)", "SetTextureStageState(0, 4, 4)"}));
}

TEST_F(Queue, EntriesWithTheSameStatesCauseNoStateCallsBetweenTheirDraws) {
  sx::TSXMesh* cube = Cube();
  auto tex = Texture();
  for (float x : {-1.0f, 1.0f}) MeshFrame(root_.get(), cube, x, 0, 5, 0)->SetTexture(tex.get());
  for (float x : {0.0f, 1.0f}) scene_->AddSprite(nullptr, {x, 0, 5}, corners_.data(), tex.get(), 0, false, true, false);
  Render();
  EXPECT_EQ(Between("DrawIndexedPrimitive", 0),
            (std::vector<std::string>{Calls({"SetTransform"})[2], Calls({"SetMaterial"})[1], "SetFVF(466)",
                                      Calls({"SetIndices"})[1], Calls({"SetStreamSource"})[1]}));
  EXPECT_EQ(Between("DrawPrimitiveUP", 0), std::vector<std::string>{"SetFVF(452)"});
  // The sprites turned specular and lighting off once, before the first of them.
  const auto toSprite = Between("DrawIndexedPrimitive", 1);
  EXPECT_EQ(std::count(toSprite.begin(), toSprite.end(), RS(D3DRS_SPECULARENABLE, 0)), 1);
  EXPECT_EQ(std::count(toSprite.begin(), toSprite.end(), RS(D3DRS_LIGHTING, 0)), 1);
}

TEST_F(Queue, StatesAreSentOnlyWhenTheyChange) {
  sx::TSXMesh* cube = Cube();
  auto a = Texture();
  auto b = Texture();
  TSXFrame* f1 = MeshFrame(root_.get(), cube, 0, 0, 5);
  TSXFrame* f2 = MeshFrame(root_.get(), cube, 0, 0, 6);
  TSXFrame* f3 = MeshFrame(root_.get(), cube, 0, 0, 7);
  f1->SetTexture(a.get());
  f2->SetTexture(a.get());
  f2->Specular = false;
  f2->Wrap = D3DWRAP_U;
  f3->SetTexture(b.get());
  f3->Specular = false;
  f3->FillMode = D3DFILL_WIREFRAME;
  f3->Lighting = false;
  Render();
  const auto states = Calls({"SetRenderState", "SetTexture", "DrawIndexedPrimitive"});
  const auto ta = std::to_string(reinterpret_cast<std::uintptr_t>(a->Texture()));
  const auto tb = std::to_string(reinterpret_cast<std::uintptr_t>(b->Texture()));
  // After the opaque queue's reset states (8 of these calls): frame by frame.
  const std::vector<std::string> want = {"SetTexture(0, " + ta + ")",
                                         "DrawIndexedPrimitive(4, 0, 0, 8, 0, 2)",
                                         RS(D3DRS_SPECULARENABLE, 0),
                                         RS(D3DRS_WRAP0, 1),
                                         "DrawIndexedPrimitive(4, 0, 0, 8, 0, 2)",
                                         "SetTexture(0, " + tb + ")",
                                         RS(D3DRS_LIGHTING, 0),
                                         RS(D3DRS_WRAP0, 0),
                                         RS(D3DRS_FILLMODE, 2),
                                         "DrawIndexedPrimitive(4, 0, 0, 8, 0, 2)"};
  ASSERT_GE(states.size(), 8 + want.size());
  EXPECT_EQ(std::vector<std::string>(states.begin() + 8, states.begin() + 8 + static_cast<std::ptrdiff_t>(want.size())),
            want);
}

TEST_F(Queue, BlendRowsAreAppliedAsTheirFieldsSay) {
  sx::TSXMesh* cube = Cube();
  MeshFrame(root_.get(), cube, 0, 0, 9, 1);  // additive
  MeshFrame(root_.get(), cube, 0, 0, 8, 5);  // alpha test, in the opaque queue
  const std::int32_t off = scene_->AddBlendMode(sx::MakeBlendMode(1, 0x80, D3DCMP_LESS, 1, 1, 3, 2));
  MeshFrame(root_.get(), cube, 0, 0, 7, off);
  Render();
  const auto rs = Calls({"SetRenderState", "DrawIndexedPrimitive"});
  auto after = [&](std::size_t draw) {  // the render states before mesh draw `draw`
    std::vector<std::string> out;
    std::size_t seen = 0;
    for (const auto& t : rs) {
      if (t.rfind("Draw", 0) == 0) {
        if (seen++ == draw) break;
        out.clear();
        continue;
      }
      out.push_back(t);
    }
    return out;
  };
  // Opaque queue: row 5 right after the reset states.
  auto first = after(0);
  EXPECT_EQ(std::vector<std::string>(first.end() - 4, first.end()),
            (std::vector<std::string>{RS(D3DRS_ALPHABLENDENABLE, 0), RS(D3DRS_ZWRITEENABLE, 1),
                                      RS(D3DRS_ALPHATESTENABLE, 1), RS(D3DRS_ALPHAFUNC, 5)}));
  // Blend queue, sorted: row 1 (depth 9) first, then the extra row (depth 7).
  auto second = after(1);
  EXPECT_EQ(std::vector<std::string>(second.end() - 5, second.end()),
            (std::vector<std::string>{RS(D3DRS_ALPHABLENDENABLE, 1), RS(D3DRS_ZWRITEENABLE, 0), RS(D3DRS_SRCBLEND, 5),
                                      RS(D3DRS_DESTBLEND, 2), RS(D3DRS_BLENDOP, 1)}));
  EXPECT_EQ(after(2), (std::vector<std::string>{RS(D3DRS_ALPHABLENDENABLE, 1), RS(D3DRS_ZWRITEENABLE, 0),
                                                RS(D3DRS_SRCBLEND, 1), RS(D3DRS_DESTBLEND, 3), RS(D3DRS_BLENDOP, 2),
                                                RS(D3DRS_ALPHATESTENABLE, 0), RS(D3DRS_ALPHAFUNC, 2)}));
  // Without BLENDOP in the caps the operation is left alone.
  d3d_->caps.PrimitiveMiscCaps = 0;
  scene_->CheckCaps();
  Render();
  EXPECT_GT(dev().Count("SetRenderState"), 0u);
  for (const auto& t : Calls({"SetRenderState"})) EXPECT_NE(t.rfind(sxtest::RSPrefix(D3DRS_BLENDOP), 0), 0u) << t;
}

TEST_F(Queue, ASortedFlushDrawsTheFarthestFirst) {
  sx::TSXMesh* cube = Cube();
  MeshFrame(root_.get(), cube, 0, 0, 10, 2);
  MeshFrame(root_.get(), cube, 0, 0, 20, 2);
  Render();
  auto p = WorldPositions();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].z, 20);
  EXPECT_EQ(p[1].z, 10);
  // Unsorted, the order of the tree.
  scene_->SortBlendQueue = false;
  Render();
  p = WorldPositions();
  EXPECT_EQ(p[0].z, 10);
}

TEST_F(Queue, EqualKeysEndInTheOrderTheQuicksortLeaves) {
  sx::TSXMesh* cube = Cube();
  // Entry i is told apart by x = i. Four equal depths come out as entries 2, 3, 0, 1.
  TSXFrame* four = new TSXFrame(root_.get());
  for (int i = 0; i < 4; ++i) MeshFrame(four, cube, static_cast<float>(i), 0, 10, 2);
  Render();
  std::vector<float> xs;
  for (const Vec3& p : WorldPositions()) xs.push_back(p.x);
  EXPECT_EQ(xs, (std::vector<float>{2, 3, 0, 1}));

  four->Visibility = 1;
  TSXFrame* five = new TSXFrame(root_.get());
  const float depths[5] = {10, 30, 30, 20, 30};
  for (int i = 0; i < 5; ++i) MeshFrame(five, cube, static_cast<float>(i), 0, depths[i], 2);
  Render();
  xs.clear();
  for (const Vec3& p : WorldPositions()) xs.push_back(p.x);
  EXPECT_EQ(xs, (std::vector<float>{2, 4, 1, 3, 0}));
}

TEST_F(Queue, ManyKeysComeOutLargestFirst) {
  sx::TSXMesh* cube = Cube();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> depth(1, 40);  // many repeats
  for (int i = 0; i < 300; ++i) MeshFrame(root_.get(), cube, 0, 0, static_cast<float>(depth(random)), 2);
  Render();
  const auto p = WorldPositions();
  ASSERT_EQ(p.size(), 300u);
  for (std::size_t i = 1; i < p.size(); ++i) EXPECT_GE(p[i - 1].z, p[i].z) << i;
}

TEST_F(Queue, FramesSpritesAndScreenSpritesSortTogether) {
  sx::TSXMesh* cube = Cube();
  MeshFrame(root_.get(), cube, 0, 0, 10, 2);
  MeshFrame(root_.get(), cube, 0, 0, 30, 2);
  scene_->AddSprite(nullptr, {0, 0, 20}, corners_.data(), nullptr, 2, false, false, false);
  scene_->AddSprite(nullptr, {0, 0, -5}, corners_.data(), nullptr, 2, false, false, false);  // behind
  scene_->AddScreenSprite({10, 10}, corners_.data(), nullptr, 2, false, false, 0);
  scene_->AddScreenSprite({10, 10}, corners_.data(), nullptr, 2, false, false, -1);  // never drawn
  Render();
  EXPECT_EQ(scene_->BlendQueue().SortedSpriteCount(), 1u);
  EXPECT_EQ(scene_->BlendQueue().SortedScreenSpriteCount(), 1u);
  std::vector<std::string> draws;
  for (const auto& c : dev().calls) {
    if (c.method == "DrawIndexedPrimitive") draws.push_back("frame");
    if (c.method == "DrawPrimitiveUP") draws.push_back(c.floats[3] == 0.5f ? "screen" : "sprite");
  }
  EXPECT_EQ(draws, (std::vector<std::string>{"frame", "sprite", "frame", "screen"}));
  EXPECT_EQ(WorldPositions()[0].z, 30);
}

TEST_F(Queue, DepthModeSortsByTheFarOrTheNearEndOfTheBox) {
  sx::TSXMesh* small = Cube(0.5f);
  sx::TSXMesh* longMesh = Cube(0.5f, 5);
  MeshFrame(root_.get(), small, 1, 0, 15, 2);
  TSXFrame* rail = MeshFrame(root_.get(), longMesh, 2, 0, 12, 2);
  Render();
  EXPECT_EQ(WorldPositions()[0].x, 1);  // by centres: 15 before 12
  rail->DepthMode = 1;                  // far end 17
  Render();
  EXPECT_EQ(WorldPositions()[0].x, 2);
  rail->DepthMode = 2;  // near end 14, though its centre (19) is farther than 15
  rail->Matrix = sxtest::Translation(2, 0, 19);
  Render();
  EXPECT_EQ(WorldPositions()[0].x, 1);
  rail->DepthMode = 0;
  Render();
  EXPECT_EQ(WorldPositions()[0].x, 2);
  rail->DepthMode = 9;  // unknown: key 0
  Render();
  EXPECT_EQ(WorldPositions()[0].x, 1);
}

TEST_F(Queue, OnGetDepthGivesTheKey) {
  sx::TSXMesh* cube = Cube();
  TSXFrame* near = MeshFrame(root_.get(), cube, 1, 0, 5, 2);
  MeshFrame(root_.get(), cube, 2, 0, 50, 2);
  near->OnGetDepth = [](TSXFrame&, sx::TSXScene&, float& key, dg::TDGCarad&) { key = 100; };
  Render();
  EXPECT_EQ(WorldPositions()[0].x, 1);
}

TEST_F(Queue, ABillboardBehindTheCameraIsNotDrawnSortedOrNot) {
  for (bool sorted : {true, false}) {
    scene_->SortBlendQueue = sorted;
    scene_->AddSprite(nullptr, {0, 0, -1}, corners_.data(), nullptr, 1, false, false, false);
    scene_->AddSprite(nullptr, {0, 0, 0}, corners_.data(), nullptr, 0, false, false, false);
    Render();
    EXPECT_EQ(dev().Count("DrawPrimitiveUP"), 0u) << sorted;
  }
}

TEST_F(Queue, BillboardVerticesArePixelsOrScaleWithTheDistance) {
  const auto v = sxtest::Corners(2, 2, 0x80FF0000u);  // offsets of +-1
  scene_->AddSprite(nullptr, {0, 0, 10}, v.data(), nullptr, 0, false, false, false);
  scene_->AddSprite(nullptr, {0, 0, 10}, v.data(), nullptr, 0, true, false, false);
  scene_->AddSprite(nullptr, {0, 0, 10}, v.data(), nullptr, 2, true, false, false);  // sorted the same
  Render();
  const auto s = Strips();
  ASSERT_EQ(s.size(), 3u);
  for (const auto& strip : s) ASSERT_EQ(strip.size(), 32u);
  // Corner 1 (top right): x offset +1, y offset -1.
  EXPECT_FLOAT_EQ(s[0][8], 161);
  EXPECT_FLOAT_EQ(s[0][9], 119);
  EXPECT_FLOAT_EQ(s[1][8], 160 + 16);  // 1 x (320 / 2) / 10
  EXPECT_FLOAT_EQ(s[1][9], 120 - 16);
  EXPECT_FLOAT_EQ(s[2][8], 176);
  const float q = 10000.0f / (10000.0f - 0.01f);
  for (const auto& strip : s) {
    EXPECT_NEAR(strip[2], (10 * q - 0.01f * q) / 10, 1e-6);  // z / w
    EXPECT_FLOAT_EQ(strip[3], 0.1f);                         // rhw
    EXPECT_EQ(Bits(strip[4]), 0x80FF0000u);
    EXPECT_EQ(Bits(strip[5]), 0u);
    EXPECT_EQ(strip[30], 1);  // tu, tv of the last corner
    EXPECT_EQ(strip[31], 1);
  }
  EXPECT_EQ(Calls({"SetFVF"}).back(), "SetFVF(452)");
}

TEST_F(Queue, ABillboardOnAFrameTheTraversalMissedIsPlacedByTheLazyUpdate) {
  TSXFrame* hidden = new TSXFrame(root_.get());
  hidden->Visibility = 1;
  hidden->Matrix = sxtest::Translation(2, 0, 0);
  TSXFrame* pole = new TSXFrame(hidden);
  pole->Matrix = sxtest::Translation(0, 0, 10);
  const auto v = sxtest::Corners(0, 0, 0xFFFFFFFFu);
  for (std::int32_t blend : {0, 2}) scene_->AddSprite(pole, {0, 1, 0}, v.data(), nullptr, blend, false, false, false);
  Render();
  EXPECT_TRUE(pole->WorldValid);
  const auto s = Strips();
  ASSERT_EQ(s.size(), 2u);
  for (const auto& strip : s) {
    EXPECT_FLOAT_EQ(strip[0], 160 + 0.75f * 2 * 160 / 10);
    EXPECT_FLOAT_EQ(strip[1], 120 - 120.0f / 10);
  }
}

TEST_F(Queue, ScreenSpritesArePlacedInPixelsAtTheirDepth) {
  const std::vector<sx::SpriteVertex> v = {
      sx::MakeSpriteVertex(0, 0, 0xFF112233u, 0, 0), sx::MakeSpriteVertex(64, 0, 0xFF112233u, 0.5f, 0),
      sx::MakeSpriteVertex(0, 32, 0xFF112233u, 0, 0.25f), sx::MakeSpriteVertex(64, 32, 0xFF112233u, 0.5f, 0.25f)};
  scene_->AddScreenSprite({100.5f, 20}, v.data(), nullptr, 0, true, false, 0.25f);
  scene_->AddScreenSprite({0, 0}, v.data(), nullptr, 0, true, false, -1);
  Render();
  const auto s = Strips();
  ASSERT_EQ(s.size(), 1u);
  const std::vector<float> first = {100.5f, 20, 0.25f, 0.5f};
  EXPECT_EQ(std::vector<float>(s[0].begin(), s[0].begin() + 4), first);
  EXPECT_EQ(Bits(s[0][4]), 0xFF112233u);
  EXPECT_EQ(s[0][24], 164.5f);
  EXPECT_EQ(s[0][25], 52);
  EXPECT_EQ(s[0][30], 0.5f);
  EXPECT_EQ(s[0][31], 0.25f);
}

TEST_F(Queue, TheSpriteFilterIsSavedSetOnChangeAndRestored) {
  dev().SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC);
  sx::TSXMesh* cube = Cube();
  MeshFrame(root_.get(), cube, 0, 0, 5, 2);
  scene_->AddSprite(nullptr, {0, 0, 50}, corners_.data(), nullptr, 2, false, true, false);
  scene_->AddSprite(nullptr, {0, 0, 40}, corners_.data(), nullptr, 2, false, true, false);
  scene_->AddSprite(nullptr, {0, 0, 30}, corners_.data(), nullptr, 2, false, false, false);
  scene_->AddScreenSprite({0, 0}, corners_.data(), nullptr, 2, true, false, 0.5f);
  Render();
  std::vector<std::string> f;  // the draws without their vertices
  for (const auto& c : dev().calls) {
    if (c.method == "GetSamplerState" || c.method == "SetSamplerState" || c.method == "DrawIndexedPrimitive" ||
        c.method == "DrawPrimitiveUP") {
      d3d9rec::Call bare = c;
      bare.floats.clear();
      f.push_back(bare.Text());
    }
  }
  EXPECT_EQ(
      f, (std::vector<std::string>{
             "GetSamplerState(0, 5)", "GetSamplerState(0, 6)", "SetSamplerState(0, 5, 2)", "SetSamplerState(0, 6, 2)",
             "DrawPrimitiveUP(5, 2, 32)", "DrawPrimitiveUP(5, 2, 32)", "SetSamplerState(0, 5, 1)",
             "SetSamplerState(0, 6, 1)", "DrawPrimitiveUP(5, 2, 32)",
             // the frame (depth 5) after the sprites (depth 50): the saved filters first
             "SetSamplerState(0, 5, 3)", "SetSamplerState(0, 6, 1)", "DrawIndexedPrimitive(4, 0, 0, 8, 0, 2)",
             // the screen sprite (key 0.5) last; saved again and restored at the end of the flush
             "GetSamplerState(0, 5)", "GetSamplerState(0, 6)", "SetSamplerState(0, 5, 2)", "SetSamplerState(0, 6, 2)",
             "DrawPrimitiveUP(5, 2, 32)", "SetSamplerState(0, 5, 3)", "SetSamplerState(0, 6, 1)"}));
}

TEST_F(Queue, AFlushEmptiesTheQueueAndASecondDrawsNothing) {
  sx::TSXRenderingQueue& q = scene_->OpaqueQueue();
  sx::TSXMesh* cube = Cube();
  TSXFrame* f = MeshFrame(root_.get(), cube, 0, 0, 5);
  f->MeshWorldMatrix = sxtest::Translation(0, 0, 5);
  q.AddFrame(f);
  q.AddSprite(false, false, corners_.data(), nullptr, {0, 0, 5}, nullptr, 0);
  q.AddScreenSprite(false, 0, corners_.data(), nullptr, 0, 0, 0.5f);
  q.Flush(true, sx::MatIdentity, scene_->Viewport());
  EXPECT_EQ(dev().Count("DrawIndexedPrimitive"), 1u);
  EXPECT_EQ(dev().Count("DrawPrimitiveUP"), 2u);
  EXPECT_EQ(q.FrameCount() + q.SpriteCount() + q.ScreenSpriteCount(), 0u);
  Restart();
  q.Flush(true, sx::MatIdentity, scene_->Viewport());
  q.Flush(false, sx::MatIdentity, scene_->Viewport());
  EXPECT_EQ(dev().Count("DrawIndexedPrimitive") + dev().Count("DrawPrimitiveUP"), 0u);
}

TEST_F(Queue, AFullArrayDoublesAndTheOrderGrowsWithIt) {
  sx::TSXRenderingQueue& q = scene_->OpaqueQueue();
  EXPECT_EQ(q.FrameCapacity(), 32u);
  EXPECT_EQ(q.OrderCapacity(), 96u);
  TSXFrame f(nullptr);
  for (int i = 0; i < 32; ++i) q.AddFrame(&f);
  EXPECT_EQ(q.FrameCapacity(), 32u);
  q.AddFrame(&f);
  EXPECT_EQ(q.FrameCapacity(), 64u);
  EXPECT_EQ(q.SpriteCapacity(), 32u);
  EXPECT_EQ(q.OrderCapacity(), 128u);
  for (int i = 0; i < 100; ++i) q.AddScreenSprite(false, 0, corners_.data(), nullptr, 0, 0, 0.5f);
  EXPECT_EQ(q.ScreenSpriteCapacity(), 128u);
  EXPECT_EQ(q.OrderCapacity(), 64u + 32u + 128u);
  q.Flush(false, sx::MatIdentity, scene_->Viewport());
  EXPECT_EQ(q.FrameCapacity(), 64u);  // capacities only grow
  EXPECT_EQ(dev().Count("DrawPrimitiveUP"), 100u);
}

TEST_F(Queue, WithoutADeviceTheEntriesAreDropped) {
  sx::TSXRenderingQueue& q = scene_->OpaqueQueue();
  q.AddSprite(false, false, corners_.data(), nullptr, {0, 0, 5}, nullptr, 0);
  carad_->ReleaseDevice();
  q.Flush(false, sx::MatIdentity, scene_->Viewport());
  EXPECT_EQ(q.SpriteCount(), 0u);
}
