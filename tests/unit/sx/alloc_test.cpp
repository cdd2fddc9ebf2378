// A steady scene allocates nothing per frame: this program counts heap allocations with the replaced
// operator new of tests/support, renders a scene of 30 frames and 80 sprites on the null device, and
// checks that every pass after the first makes no heap allocation.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sx/frame.h"
#include "sx/mesh.h"
#include "sx/scene.h"
#include "support/alloc_counter.h"
#include "support/d3d9_null.h"
#include "unit/sx/sx_fixture.h"

namespace {

class SteadyScene : public sxtest::SceneTest {
 protected:
  void SetUp() override {
    log_ = testlog::Begin();
    Open(new d3d9rec::NullDirect3D());
  }
};

}  // namespace

TEST_F(SteadyScene, RenderAllocatesNothingAfterItsFirstPass) {
  auto& device = static_cast<d3d9rec::NullDevice&>(dev());
  sx::TSXScene scene(*carad_, "");
  auto root = std::make_unique<sx::TSXFrame>(nullptr);
  auto* camera = new sx::TSXFrame(root.get());
  camera->SetPosition(root.get(), {0, 3, -20});
  camera->LookAt(root.get(), {0, 0, 0}, 0, root.get());
  scene.SetCamera(camera);

  std::vector<sxtest::MeshVertex00> v;
  for (int i = 0; i < 8; ++i)
    v.push_back(sxtest::V00(i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f));
  sx::TSXMesh mesh(*carad_);
  mesh.LoadFromFile(sxtest::WriteScratch("steady.x", sxtest::MeshFile00(v, {0, 1, 2, 1, 3, 2})));

  // 30 frames: groups of five, opaque, additive, alpha and multiply, one group hidden, some culled.
  std::vector<sx::TSXFrame*> frames;
  const std::int32_t blends[4] = {0, 1, 2, 4};
  for (int g = 0; g < 6; ++g) {
    auto* group = new sx::TSXFrame(root.get());
    group->Matrix = sxtest::Translation(static_cast<float>(g * 3 - 8), 0, static_cast<float>(g));
    group->Visibility = g == 5 ? 1 : 0;
    group->Cull = g == 4;
    group->BoundingSphere = {{0, 0, 0}, 50};
    frames.push_back(group);
    for (int k = 0; k < 4; ++k) {
      auto* f = new sx::TSXFrame(group);
      f->Mesh = &mesh;
      f->Matrix = sxtest::Translation(0, static_cast<float>(k * 2 - 3), static_cast<float>(k));
      f->BlendModeIndex = blends[k];
      frames.push_back(f);
    }
  }
  ASSERT_EQ(frames.size(), 30u);

  const auto corners = sxtest::Corners(8, 8, 0xC0FFFFFFu);
  auto pass = [&]() {
    // 80 sprites: billboards on frames (some in the hidden group) and in the world, screen sprites.
    for (int i = 0; i < 40; ++i) {
      scene.AddSprite(frames[static_cast<std::size_t>(i % 30)], {0, 1, static_cast<float>(i % 7)}, corners.data(),
                      nullptr, i % 3 == 0 ? 0 : 2, i % 2 == 0, i % 4 == 0, false);
    }
    for (int i = 0; i < 20; ++i) {
      scene.AddSprite(nullptr, {static_cast<float>(i - 10), 2, 5}, corners.data(), nullptr, 1, true, true, i == 19);
    }
    for (int i = 0; i < 20; ++i) {
      scene.AddScreenSprite({static_cast<float>(i * 10), 20}, corners.data(), nullptr, i % 2 ? 2 : 0, false, i >= 15,
                            0.5f);
    }
    camera->LookAt(root.get(), {0, 0, 0}, 0, root.get());
    scene.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0);
    scene.Render(root.get());
  };

  alloccount::Reset();
  alloccount::SetCounting(true);
  pass();
  const long first = alloccount::Count();
  const long drawsFirst = device.draws;
  alloccount::Reset();
  for (int n = 1; n <= 5; ++n) pass();
  alloccount::SetCounting(false);
  EXPECT_GT(first, 0) << "the first pass grows the queues: the counter must see that";
  EXPECT_EQ(alloccount::Count(), 0) << "allocations in five steady passes";
  EXPECT_GT(drawsFirst, 60);
  EXPECT_EQ(device.draws, 6 * drawsFirst);  // every pass drew the same
}
