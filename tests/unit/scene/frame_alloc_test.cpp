// A steady saver frame allocates nothing: this program counts heap allocations with the replaced
// operator new of tests/support and runs the car scene's whole frame loop (title or overlay quads,
// the mode's step, the car and camera placement, traversal, culling, the three queues, sorting,
// state filtering) on a null device, counting the heap allocations of frames in a steady scene:
// display mode, the skeleton view, driving by day with its 80 billboards and at night, and the
// overlay while a complete block is held. While a block is being typed every step renders a new
// line texture, so those frames do allocate; the count there shows the counter at work.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "fakes/platform_fakes.h"
#include "scene/car_scene.h"
#include "support/alloc_counter.h"
#include "support/d3d9_null.h"
#include "unit/platform/temp_folder.h"
#include "unit/scene/car_scene_fixture.h"

namespace {

d3d9rec::NullDirect3D* gNull = nullptr;
IDirect3D9* WINAPI MakeNullDirect3D(UINT) {
  gNull = new d3d9rec::NullDirect3D();
  return gNull;
}

// One line of Shift-JIS with single- and double-byte characters: 16 bytes, typed by step 16 and
// closed by step 17 after the title's 100 frames (50 ms per frame), then held for 200 frames.
const char kSpecLine[] = "KESTOR　型式ＣＫ";

class FrameAllocationTest : public testing::Test {
 protected:
  FrameAllocationTest() {
    for (int n = 0; n <= 50; ++n)
      std::ofstream(data.Path("crmd_" + std::to_string(n)), std::ios::binary)
          << (scenetest::IsPicture(n) ? scenetest::Picture() : scenetest::Mesh());
    std::ofstream(data.Path("kestor.txt"), std::ios::binary) << kSpecLine << "\r\n";
    form.SetBounds(0, 0, 1280, 720);
    system.screen = {1280, 720};
    system.UseVirtualClock(0, 50);
  }

  void Make(std::int32_t mode, bool overlay) {
    scene::SetupInput in;
    in.runMode = mode;
    in.overlayOn = overlay;
    in.overlayLines = 1;
    in.overlayFont.name = "ＭＳ ゴシック";
    in.overlayColour = 0xFFFFFFFF;
    in.dataFolder = data.Folder();
    car = std::make_unique<scene::CarScene>(form, system, &MakeNullDirect3D);
    car->SetUp(in);
    device = gNull->device;
    ASSERT_NE(device, nullptr);
  }
  void Frame() {
    ASSERT_TRUE(car->Idle(hooks));
    system.EndIdleCall();
    ++frame;
  }
  void AdvanceTo(std::uint32_t to) {
    while (frame < to) {
      Frame();
      device->ClearCalls();
    }
  }
  // Heap allocations of frames frame+1 .. frame+count; draws and presents are checked too, so
  // that the frames measured really drew.
  long Count(int count, long* draws = nullptr) {
    const long before = alloccount::Count(), drawsBefore = device->draws, presentsBefore = device->presents;
    for (int i = 0; i < count; ++i) Frame();
    const long allocations = alloccount::Count() - before;
    EXPECT_EQ(device->presents - presentsBefore, count);
    if (draws) *draws = device->draws - drawsBefore;
    device->ClearCalls();
    return allocations;
  }

  testutil::TempFolder data;
  fakes::System system;
  fakes::Form form;
  scene::FrameHooks hooks;
  std::unique_ptr<scene::CarScene> car;
  d3d9rec::NullDevice* device = nullptr;
  std::uint32_t frame = 0;
};

TEST_F(FrameAllocationTest, DisplayModeAndTheSkeletonViewAllocateNothingPerFrame) {
  Make(0, false);
  AdvanceTo(150);
  long draws = 0;
  EXPECT_EQ(Count(100, &draws), 0);
  EXPECT_GE(draws, 100 * 20);  // the car's parts
  car->FormKeyDown('S');
  Frame();  // the switch itself
  EXPECT_TRUE(car->state.display.skeletonOn);
  EXPECT_EQ(Count(100), 0);
}

TEST_F(FrameAllocationTest, DrivingByDayWithItsBillboardsAndAtNightAllocatesNothingPerFrame) {
  Make(1, false);
  AdvanceTo(150);
  long dayDraws = 0, nightDraws = 0;
  EXPECT_EQ(Count(200, &dayDraws), 0);
  EXPECT_FALSE(car->state.driving.nightScene);
  AdvanceTo(1350);
  ASSERT_TRUE(car->state.driving.nightScene);
  EXPECT_EQ(Count(200, &nightDraws), 0);
  // By day the boards in front of the camera are drawn as well (those behind it are not).
  EXPECT_GE(dayDraws - nightDraws, 200 * 30);
}

TEST_F(FrameAllocationTest, TheOverlayAllocatesWhileTypingButNotWhileItsBlockIsHeld) {
  Make(0, true);
  AdvanceTo(100);            // the title
  EXPECT_GT(Count(10), 10);  // a new line texture per typed character
  AdvanceTo(125);
  ASSERT_TRUE(car->state.overlay.blockDone);
  EXPECT_EQ(Count(150), 0);
  // After the hold the next block begins and typing allocates again.
  AdvanceTo(330);
  EXPECT_GT(Count(10), 0);
}

}  // namespace
