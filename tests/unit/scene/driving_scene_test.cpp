// The car scene in driving mode and with the text overlay, on the recording Direct3D 9: the
// eighteen scenery frames with their pictures, switches and shadows, the top light aimed at the
// ground, the billboards queued for the next frame and dropped while the device is lost, the
// night, the overlay typed once the title has gone, the notice, and the release of everything.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "scene/car_scene.h"
#include "sx/textwriter.h"
#include "unit/scene/car_scene_fixture.h"

namespace {

namespace n = scene::scenery;
using scenetest::FrameLoopTest;

class DrivingScene : public FrameLoopTest {
 protected:
  // Idle calls until `count` frames were processed, the recorded calls cleared before each.
  void Frames(int count) {
    for (int i = 0; i < count; ++i) {
      device->ClearCalls();
      ASSERT_TRUE(Idle());
    }
  }
  std::size_t Sprites() const { return car->Scene()->BlendQueue().SpriteCount(); }
};

TEST_F(DrivingScene, EighteenSceneryFramesStandAtTheOriginInTheirOrderWithTheirSwitches) {
  scene::SetupInput in = Input(1);
  in.shadowBlend = true;
  Make(in);
  // Under the root: the camera, the scenery, the top light's frame, the car.
  std::vector<sx::TSXFrame*> children(car->RootFrame()->Children().begin(), car->RootFrame()->Children().end());
  ASSERT_EQ(children.size(), 21u);
  EXPECT_EQ(children[0], car->CameraFrame());
  for (std::size_t i = 0; i < 18; ++i) EXPECT_EQ(children[i + 1], car->PartFrame(scene::SceneryFiles()[i])) << i;
  EXPECT_EQ(children[19], car->LightFrameTop());
  EXPECT_EQ(children[20], car->CarFrame());

  const std::set<int> hidden = {n::kAirship, n::kNight,  n::kNightGlow, n::kSpectators,
                                n::kParked,  n::kBoards, n::kGantry};
  const std::set<int> specular = {n::kNight, n::kNightGlow, n::kSky};
  const std::set<int> shadows = {n::kTreeShadows, n::kPitShadow, n::kGrandstandShadow};
  for (int f : scene::SceneryFiles()) {
    const sx::TSXFrame* frame = car->PartFrame(f);
    EXPECT_EQ(frame->Visibility, hidden.count(f) ? sx::kHidden : sx::kVisible) << f;
    EXPECT_EQ(frame->Specular, specular.count(f) > 0) << f;
    const std::int32_t blend = shadows.count(f) ? 4 : (f == n::kNightGlow || f == n::kSky) ? 1 : 0;
    EXPECT_EQ(frame->BlendModeIndex, blend) << f;
    EXPECT_EQ(frame->Mesh, car->Mesh(f)) << f;
    ASSERT_NE(frame->Mesh, nullptr) << f;
    EXPECT_GT(frame->Mesh->TriangleCount, 0u) << f;  // loaded
    // At the origin, in world orientation: a point keeps its x and z.
    const sx::Vec3 p = frame->LocalToWorld(sx::Vec3Make(3, 2, -5));
    EXPECT_FLOAT_EQ(p.x, 3.0f) << f;
    EXPECT_FLOAT_EQ(p.z, -5.0f) << f;
    EXPECT_FLOAT_EQ(p.y, shadows.count(f) ? 0.0f : 2.0f) << f;  // the shadows are flat on y = 0
  }
  EXPECT_EQ(car->CarShadowFrame()->BlendModeIndex, 4);
  // Four objects of the one picture crmd_15, and the sky's own picture with alpha.
  std::set<dg::TDGTexture*> grass;
  for (int f : {n::kGround, n::kRoad, n::kBoards, n::kGantry}) {
    ASSERT_NE(car->PartTexture(f), nullptr) << f;
    EXPECT_EQ(car->PartFrame(f)->Texture(), car->PartTexture(f));
    EXPECT_EQ(car->PartTexture(f)->Width(), 2u) << "loaded";
    grass.insert(car->PartTexture(f));
  }
  EXPECT_EQ(grass.size(), 4u);
  ASSERT_NE(car->PartTexture(n::kSky), nullptr);
  EXPECT_EQ(car->PartFrame(n::kSky)->Texture(), car->PartTexture(n::kSky));
  EXPECT_EQ(car->PartTexture(n::kSky)->Format(), D3DFMT_A8R8G8B8);
  for (int kind = 0; kind < 3; ++kind) {
    ASSERT_NE(car->BillboardTexture(kind), nullptr);
    EXPECT_EQ(car->BillboardTexture(kind)->Format(), D3DFMT_A8R8G8B8);
  }
  EXPECT_EQ(car->BillboardShapes()[3][3].tu, car->BillboardTexture(2)->UMax());
  // Driving mode loads no display-mode part.
  for (int f : {4, 7, 32}) EXPECT_EQ(car->Mesh(f), nullptr) << f;
}

TEST_F(DrivingScene, TheTopLightLooksAtTheGroundAndTheCarsLightsAtTheCar) {
  Make(1);
  const D3DLIGHT9 top = car->Lights()->Lights(2)->Light();  // a copy: the scene is made again below
  // From (-50, 1000, -50) to the ground's origin.
  const float len = std::sqrt(50.0f * 50.0f * 2 + 1000.0f * 1000.0f);
  EXPECT_NEAR(top.Direction.x, 50.0f / len, 1e-4);
  EXPECT_NEAR(top.Direction.y, -1000.0f / len, 1e-4);
  EXPECT_NEAR(top.Direction.z, 50.0f / len, 1e-4);
  EXPECT_NEAR(top.Ambient.r, 0.03f, 1e-6);
  EXPECT_TRUE(car->Lights()->Lights(2)->Enabled());
  // Display mode aims it at the car instead (at (0, -0.6, -1.3)).
  Make(0);
  const D3DLIGHT9& display = car->Lights()->Lights(2)->Light();
  EXPECT_GT(std::fabs(display.Direction.z - top.Direction.z), 1e-4);
}

TEST_F(DrivingScene, BillboardsQueuedByOneStepAreDrawnByTheNextFrame) {
  Make(1);
  Frames(1);
  EXPECT_EQ(Sprites(), 80u);  // queued after this frame's render
  EXPECT_EQ(car->state.driving.turnAngle, 1);
  EXPECT_FLOAT_EQ(car->CarFrame()->LocalToWorld(sx::Vec3Make(0, 0, 0)).z, 49.7f);
  const std::size_t drawsFirst = device->Count("DrawPrimitiveUP");
  Frames(1);
  // The next frame draws those in front of the camera (the title quad as well) and queues 80 more.
  EXPECT_GT(device->Count("DrawPrimitiveUP"), drawsFirst + 10);
  EXPECT_EQ(Sprites(), 80u);
  // The camera looks at the car.
  const sx::Vec3 inView = car->CameraFrame()->WorldToLocal(car->CarFrame()->LocalToWorld(sx::Vec3Make(0, 0, 0)));
  EXPECT_NEAR(inView.x, 0.0f, 1e-4);
  EXPECT_GT(inView.z, 40.0f);
}

TEST_F(DrivingScene, WhileTheDeviceIsLostTheBillboardsDoNotPileUp) {
  Make(1);
  Frames(3);
  device->cooperativeResults.assign(30, D3DERR_DEVICELOST);
  device->cooperativeResults.push_back(D3DERR_DEVICENOTRESET);
  const std::uint32_t capacity = car->Scene()->BlendQueue().SpriteCapacity();
  for (int i = 0; i < 31; ++i) {
    Frames(1);
    EXPECT_EQ(Sprites(), 80u) << i;
    EXPECT_EQ(device->Count("Present"), 0u);
  }
  EXPECT_EQ(car->Scene()->BlendQueue().SpriteCapacity(), capacity) << "no growth while lost";
  EXPECT_EQ(car->state.driving.turnAngle, 34) << "the animation went on";
  Frames(1);
  EXPECT_EQ(device->Count("Present"), 1u);  // drawing resumes after the reset
  EXPECT_EQ(Sprites(), 80u);
}

TEST_F(DrivingScene, AtNightNoBillboardsAreQueuedAndTheLightsChange) {
  Make(1);
  // Three passes by day: from z = 50 the accumulated float reaches -70 one frame after the 400th.
  int frames = 0;
  while (!car->state.driving.nightScene && frames < 2000) {
    Frames(1);
    ++frames;
  }
  EXPECT_EQ(frames, 401 + 467 + 467);
  EXPECT_EQ(device->Texts({"LightEnable"}), std::vector<std::string>{"LightEnable(2, 0)"});
  EXPECT_FALSE(car->Lights()->Lights(2)->Enabled());
  EXPECT_EQ(car->Lights()->Lights(2)->Light().Ambient.r, 0.0f);
  EXPECT_EQ(car->PartFrame(0)->BlendModeIndex, 1);
  EXPECT_EQ(car->GroundFrame()->Visibility, sx::kHidden);
  EXPECT_EQ(car->PartFrame(n::kNight)->Visibility, sx::kVisible);
  EXPECT_EQ(Sprites(), 80u) << "the last day step queued its boards";
  Frames(1);
  EXPECT_EQ(Sprites(), 0u);
  EXPECT_EQ(ClearColours(), (std::vector<std::uint64_t>{0xFFBBBBFF})) << "the sky keeps its colour";
}

TEST_F(DrivingScene, ShutdownReleasesEveryPictureMeshAndFrameOfTheScenery) {
  scene::SetupInput in = Input(1);
  in.overlayOn = true;
  in.overlayLines = 2;
  Make(in);
  Frames(10);
  car->Shutdown();
  EXPECT_TRUE(car->DG().Resources().empty());
  EXPECT_EQ(car->Overlay(), nullptr);
  EXPECT_EQ(car->BillboardTexture(0), nullptr);
  EXPECT_EQ(car->PartTexture(n::kSky), nullptr);
  EXPECT_EQ(car->PartFrame(n::kGround), nullptr);
  EXPECT_EQ(car->Mesh(n::kSky), nullptr);
  car.reset();
}

TEST_F(DrivingScene, WithAFileMissingNothingIsLoadedButEverythingIsMade) {
  Make(1, 0, true);
  for (int f : scene::SceneryFiles()) {
    ASSERT_NE(car->PartFrame(f), nullptr);
    ASSERT_NE(car->Mesh(f), nullptr);
    EXPECT_EQ(car->Mesh(f)->TriangleCount, 0u) << f;
  }
  EXPECT_EQ(car->PartTexture(n::kSky)->Width(), 0u);
  EXPECT_EQ(car->BillboardTexture(1)->Width(), 0u);
  Frames(5);
  EXPECT_EQ(Sprites(), 0u) << "nothing moves, nothing is queued";
  EXPECT_FLOAT_EQ(car->CarFrame()->LocalToWorld(sx::Vec3Make(0, 0, 0)).z, 50.0f);
}

// ---- the overlay through the frame loop ----

class OverlayScene : public FrameLoopTest {
 protected:
  OverlayScene() { std::ofstream(data.Path("kestor.txt"), std::ios::binary) << "KESTOR\r\nCKS20\r\nFR\r\n"; }
  std::size_t Quads() const { return car->Scene()->BlendQueue().ScreenSpriteCount(); }
};

TEST_F(OverlayScene, TheTextIsTypedOnceTheTitleHasGone) {
  scene::SetupInput in = Input(0);
  in.overlayOn = true;
  in.overlayLines = 2;
  in.overlayColour = 0xFF00FF00;
  Make(in);
  const scene::OverlayState& o = car->state.overlay;
  EXPECT_EQ(o.spec, (std::vector<std::string>{"KESTOR", "CKS20", "FR"}));
  EXPECT_EQ(o.longestLine, "KESTOR");
  ASSERT_NE(car->Overlay(), nullptr);
  EXPECT_EQ(car->Overlay()->Writer().Font(), in.overlayFont);
  // 10 ms per frame: the title for 500 frames, nothing typed meanwhile.
  for (int i = 0; i < 500; ++i) Idle();
  EXPECT_EQ(o.typedText[0], "");
  Idle();
  EXPECT_EQ(o.typedText[0], "K");
  // Its line's quad is drawn in the overlay's colour.
  bool green = false;
  for (const d3d9rec::Call& c : device->calls) {
    if (c.method != "DrawPrimitiveUP" || c.floats.size() < 5) continue;
    std::uint32_t colour = 0;
    std::memcpy(&colour, &c.floats[4], 4);
    green = green || colour == 0xFF00FF00u;
  }
  EXPECT_TRUE(green);
  for (int i = 0; i < 12; ++i) Idle();
  EXPECT_EQ(o.typedText[1], "CKS20");
  EXPECT_TRUE(o.blockDone);
  EXPECT_EQ(o.specLineIndex, 2);
}

TEST_F(OverlayScene, LinesOutsideOneToFiveAreHeldWithinThem) {
  scene::SetupInput in = Input(0);
  in.overlayOn = true;
  in.overlayLines = 40;
  Make(in);
  EXPECT_EQ(car->state.overlay.lines, 5);
  in.overlayLines = -1;
  Make(in);
  EXPECT_EQ(car->state.overlay.lines, 1);
}

TEST_F(OverlayScene, TheNoticeIsTypedAfterATenthOfASecond) {
  scene::SetupInput in = Input(1, 0, true);
  in.overlayOn = true;
  in.overlayLines = 5;
  in.overlayColour = 0xFFFFFF00;
  in.overlayText = {"one", "two", "three", "four", "five"};
  Make(in);
  EXPECT_EQ(car->state.overlay.longestLine, "three");
  EXPECT_TRUE(car->state.overlay.spec.empty()) << "the text file is not read";
  for (int i = 0; i < 10; ++i) Idle();
  EXPECT_EQ(car->state.overlay.typedText[0], "");
  Idle();
  EXPECT_EQ(car->state.overlay.typedText[0], "o");
}

TEST_F(OverlayScene, APreviewWithTheDataPresentShowsNoOverlayAndANoticeSitsInTheCorner) {
  scene::SetupInput in = Input(0);
  in.overlayOn = true;
  in.isPreview = true;
  Make(in);
  EXPECT_FALSE(car->state.overlayOn);
  EXPECT_TRUE(car->state.splashDone);
  for (int i = 0; i < 20; ++i) Idle();
  EXPECT_EQ(car->state.overlay.typedText[0], "");
  EXPECT_EQ(Quads(), 0u);

  in = Input(0, 0, true);
  in.overlayOn = true;
  in.isPreview = true;
  in.overlayLines = 5;
  in.overlayText = {"a", "b", "c", "d", "e"};
  Make(in);
  EXPECT_EQ(car->state.overlay.x, 0);
  EXPECT_EQ(car->state.overlay.y, 0);
}

}  // namespace
