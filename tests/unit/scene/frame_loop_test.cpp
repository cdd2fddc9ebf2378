// The car scene's set-up, frame loop and shutdown against the recording Direct3D 9, with fakes
// of the window and the services, on a small data set written by the test (one-triangle meshes,
// 2 x 2 pictures): the order of a frame's calls, pacing on the virtual clock across the wrap,
// device loss and reset, the clear colours, the title phase, and the display-mode keys.
#include "scene/car_scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unit/scene/car_scene_fixture.h"

namespace {

using scenetest::FrameLoopTest;

TEST_F(FrameLoopTest, AFrameChecksTheDeviceClearsRendersAndPresentsThenTheCarTurns) {
  Make(0);
  EXPECT_EQ(car->RunMode(), scene::RunMode::kDisplay);
  ASSERT_TRUE(Idle());
  const std::vector<std::string> calls = FrameCalls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0], "TestCooperativeLevel()");
  EXPECT_EQ(calls[1], "BeginScene()");
  EXPECT_EQ(calls[2], "Clear(0, 0, 3, 4278190080, 0, 1)");  // target and depth, black, depth 1
  EXPECT_EQ(calls[3], "EndScene()");
  EXPECT_EQ(calls[4], "Present(0, 0, 0, 0)");
  EXPECT_GT(device->Count("DrawIndexedPrimitive"), 0u);  // the car's meshes
  EXPECT_EQ(device->Count("DrawPrimitiveUP"), 1u);       // the title quad
  EXPECT_EQ(car->state.display.turnAngle, 10);
  // The camera at the origin looks at the car at (0, -0.6, -1.3).
  const sx::Vec3 camera = car->CameraFrame()->LocalToWorld(sx::Vec3Make(0, 0, 0));
  const sx::Vec3 carAt = car->CarFrame()->LocalToWorld(sx::Vec3Make(0, 0, 0));
  EXPECT_FLOAT_EQ(camera.z, 0.0f);
  EXPECT_FLOAT_EQ(carAt.y, -0.6f);
  EXPECT_FLOAT_EQ(carAt.z, -1.3f);
  const sx::Vec3 inView = car->CameraFrame()->WorldToLocal(carAt);
  EXPECT_NEAR(inView.x, 0.0f, 1e-5);
  EXPECT_NEAR(inView.y, 0.0f, 1e-5);
  EXPECT_GT(inView.z, 1.0f);
}

TEST_F(FrameLoopTest, TheTitleShowsForFiveSecondsOfTheClock) {
  Make(0);
  int titled = 0, frames = 0;
  for (int i = 0; i < 600; ++i) {
    device->ClearCalls();
    ASSERT_TRUE(Idle());
    ++frames;
    if (device->Count("DrawPrimitiveUP") == 1) ++titled;
  }
  EXPECT_EQ(titled, 500);  // 10 ms per call: the first 5000 ms
  EXPECT_TRUE(car->state.splashDone);
}

TEST_F(FrameLoopTest, TheFrameIntervalIsTestedOnTheElapsedTimeAcrossTheClockWrap) {
  system.UseVirtualClock(0xFFFFFFC0u, 10);  // 64 ms before the wrap
  Make(0, 40);
  std::vector<int> processed;
  for (int call = 0; call < 20; ++call)
    if (Idle()) processed.push_back(call);
  // Set-up read the clock at 0xFFFFFFC0; every fourth call (40 ms) is a frame, wrap or not.
  EXPECT_EQ(processed, (std::vector<int>{4, 8, 12, 16}));
  EXPECT_EQ(car->state.display.turnAngle, 40);
  EXPECT_EQ(car->LastFrameTime(), 0xFFFFFFC0u + 160u);
}

TEST_F(FrameLoopTest, ALostDeviceSkipsDrawingButNotTheAnimationAndIsResetWhenItAsks) {
  Make(0);
  // The device answers D3DERR_DEVICENOTRESET until it is reset (asked again by the lights before
  // the Reset, which leave a device in that state alone).
  device->cooperativeResults = {D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET};
  Idle();
  Idle();
  Idle();
  const std::vector<std::string> calls = FrameCalls();
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(calls[0], "TestCooperativeLevel()");
  EXPECT_EQ(calls[1], "TestCooperativeLevel()");
  EXPECT_EQ(calls[2], "TestCooperativeLevel()");
  EXPECT_EQ(calls[3].rfind("Reset(640, 480", 0), 0u) << calls[3];
  EXPECT_EQ(calls[4], "TestCooperativeLevel()");
  EXPECT_EQ(device->Count("BeginScene"), 1u);
  EXPECT_EQ(device->Count("Present"), 1u);
  EXPECT_EQ(car->state.display.turnAngle, 30);  // the car turned in all three frames
}

TEST_F(FrameLoopTest, ClearColoursFollowTheModeTheSkeletonViewAndMissingData) {
  Make(0);
  car->FormKeyDown('S');
  Idle();
  EXPECT_EQ(ClearColours(), (std::vector<std::uint64_t>{0xFFFFFFFF}));
  EXPECT_EQ(car->CarFrame()->BlendModeIndex, 4);
  EXPECT_EQ(car->PartFrame(32)->BlendModeIndex, 4);  // the trunk lid's inner part
  EXPECT_EQ(car->PartFrame(0)->BlendModeIndex, 4);   // multiplied anyway
  EXPECT_EQ(car->SkeletonSet().size(), 10u);
  car->FormKeyDown('S');
  device->ClearCalls();
  Idle();
  EXPECT_EQ(ClearColours(), (std::vector<std::uint64_t>{0xFF000000}));
  EXPECT_EQ(car->CarFrame()->BlendModeIndex, 0);
  EXPECT_EQ(car->PartFrame(0)->BlendModeIndex, 4);

  Make(1);
  Idle();
  EXPECT_EQ(ClearColours(), (std::vector<std::uint64_t>{0xFFBBBBFF}));

  Make(0, 0, true);
  Idle();
  EXPECT_EQ(ClearColours(), (std::vector<std::uint64_t>{0xFF000000, 0xFF000000}));
  EXPECT_EQ(device->Count("DrawIndexedPrimitive"), 0u);  // nothing loaded
  car->FormKeyDown('B');
  for (int i = 0; i < 5; ++i) Idle();
  EXPECT_EQ(car->state.display.turnAngle, 0);  // nothing moves
  EXPECT_EQ(car->state.display.bonnetAngle, 0);
  EXPECT_EQ(car->state.splashDuration, 100u);
}

TEST_F(FrameLoopTest, DrivingModeStartsFarDownTheRoadWithItsOwnParts) {
  Make(1);
  EXPECT_EQ(car->RunMode(), scene::RunMode::kDriving);
  const sx::Vec3 carAt = car->CarFrame()->LocalToWorld(sx::Vec3Make(0, 0, 0));
  const sx::Vec3 camera = car->CameraFrame()->LocalToWorld(sx::Vec3Make(0, 0, 0));
  EXPECT_FLOAT_EQ(carAt.x, 4.0f);
  EXPECT_FLOAT_EQ(carAt.y, 0.32f);
  EXPECT_FLOAT_EQ(carAt.z, 50.0f);
  EXPECT_FLOAT_EQ(camera.x, 4.0f);
  EXPECT_FLOAT_EQ(camera.y, 1.2f);
  EXPECT_EQ(car->ChassisFrame(), car->PartFrame(5));
  EXPECT_EQ(car->PartFrame(7), nullptr);
  EXPECT_EQ(car->PartFrame(4), nullptr);
  EXPECT_EQ(car->PartFrame(32), nullptr);
  ASSERT_NE(car->CarShadowFrame(), nullptr);
  EXPECT_FALSE(car->CarShadowFrame()->Specular);
  EXPECT_FALSE(car->PartFrame(6)->Specular);
  EXPECT_EQ(car->CarShadowFrame()->BlendModeIndex, 0);  // shadow setting off
  // The shadow is flat: every point of it lies 0.319 below the car's origin.
  const sx::Vec3 high = car->CarShadowFrame()->LocalToWorld(sx::Vec3Make(0.3f, 1.0f, 0.2f));
  EXPECT_NEAR(high.y, 0.32f - 0.319f, 1e-5);
  // Keys of display mode do nothing here.
  car->FormKeyDown('B');
  EXPECT_EQ(car->state.display.bonnetState, 0);
}

TEST_F(FrameLoopTest, TheCarIsAssembledAsTheTableSays) {
  Make(0);
  // Hinges at their pivots relative to the car.
  const sx::Vec3 bonnet =
      car->CarFrame()->WorldToLocal(car->HingeFrame(scene::Hinge::Bonnet)->LocalToWorld(sx::Vec3Make(0, 0, 0)));
  EXPECT_NEAR(bonnet.y, 0.2548f, 1e-5);
  EXPECT_NEAR(bonnet.z, -0.3753f, 1e-5);
  const sx::Vec3 left =
      car->CarFrame()->WorldToLocal(car->HingeFrame(scene::Hinge::LeftDoor)->LocalToWorld(sx::Vec3Make(0, 0, 0)));
  EXPECT_NEAR(left.x, 0.53992f, 1e-5);
  EXPECT_EQ(car->WheelFrame(scene::Wheel::Rear)->Parent(), car->ChassisFrame());
  EXPECT_EQ(car->PartFrame(23)->Parent(), car->HingeFrame(scene::Hinge::LeftDoor));
  EXPECT_EQ(car->PartFrame(4)->Parent(), car->HingeFrame(scene::Hinge::Bonnet));
  // Drawing order under the body.
  std::vector<sx::TSXFrame*> order(car->CarFrame()->Children().begin(), car->CarFrame()->Children().end());
  const std::vector<int> files = {0, 1, 16, 7, 40, 9, 34, 21, 27, 3, 30};
  ASSERT_GE(order.size(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(order[i], car->PartFrame(files[i])) << i;
  for (int n : {0, 1, 22, 28, 31}) EXPECT_EQ(car->PartFrame(n)->BlendModeIndex, 4) << n;
  for (int n : {2, 16, 21, 23, 27, 29, 3, 30, 4, 32, 7, 9, 34, 40})
    EXPECT_EQ(car->PartFrame(n)->BlendModeIndex, 0) << n;
  // The two crmd_10 pictures are separate objects.
  ASSERT_NE(car->PartTexture(9), nullptr);
  EXPECT_NE(car->PartTexture(9), car->PartTexture(34));
  EXPECT_EQ(car->PartFrame(9)->Texture(), car->PartTexture(9));
  EXPECT_EQ(car->TitleTexture()->Width(), 2u);
  // Three lights on, the fourth never.
  EXPECT_TRUE(car->Lights()->Lights(0)->Enabled());
  EXPECT_TRUE(car->Lights()->Lights(1)->Enabled());
  EXPECT_TRUE(car->Lights()->Lights(2)->Enabled());
  EXPECT_FALSE(car->Lights()->Lights(3)->Enabled());
}

TEST_F(FrameLoopTest, KeysOpenTheBonnetOverFiftyFramesAndShutdownReleasesEverything) {
  Make(0);
  car->FormKeyDown('B');
  for (int i = 0; i < 50; ++i) Idle();
  EXPECT_EQ(car->state.display.bonnetState, scene::kHingeOpen);
  // The bonnet's z axis turned by -500 units about the car's x axis.
  const sx::Mat4 local = car->HingeFrame(scene::Hinge::Bonnet)->Matrix;
  EXPECT_NEAR(local.m[2][1], sx::SinTable()[(-500) & 0xFFF], 1e-5);
  car->FormKeyDown(platform::vk::kLeft);
  EXPECT_FLOAT_EQ(car->CarPos().x, 0.02f);

  car->Shutdown();
  EXPECT_EQ(car->Scene(), nullptr);
  EXPECT_EQ(car->CarFrame(), nullptr);
  EXPECT_TRUE(car->DG().Resources().empty());  // every registered resource was freed in order
  EXPECT_FALSE(Idle());                        // no frames after the shutdown
  car.reset();
}

}  // namespace
