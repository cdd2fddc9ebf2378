// The GL state cache: redundant Direct3D state costs no GL calls, programs are built once per
// state combination, and the kill switch gives the same pixels while sending everything.
#include "gl_fixture.h"

namespace d3d9test {
namespace {

class Cache : public DeviceTest {
 protected:
  D3D9LINUX_STATS Stats() {
    D3D9LINUX_STATS s{};
    EXPECT_TRUE(D3D9Linux_GetStats(dev_, &s));
    return s;
  }
  // A small scene: two textured blended sprites and an opaque one, different states each.
  void Scene() {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff202020, 1.0f, 0);
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetTexture(0, tex_);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    Quad(4, 4, 30, 30, 0xffffffff, 0.6f);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Quad(20, 20, 50, 50, 0x80ff8040, 0.4f);
    dev_->SetTexture(0, nullptr);
    dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Quad(10, 34, 60, 60, 0x60402080, 0.2f);
  }
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_EQ(dev_->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex_, nullptr), D3D_OK);
    D3DLOCKED_RECT lr;
    tex_->LockRect(0, &lr, nullptr, 0);
    for (int i = 0; i < 64; ++i) static_cast<std::uint32_t*>(lr.pBits)[i] = 0x80000000u | (i * 0x030507u);
    tex_->UnlockRect(0);
  }
  void TearDown() override {
    dev_->SetTexture(0, nullptr);
    tex_->Release();
    DeviceTest::TearDown();
  }
  IDirect3DTexture9* tex_ = nullptr;
};

TEST_F(Cache, RepeatedDrawsSendNoState) {
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev_->SetTexture(0, tex_);
  Quad(0, 0, 8, 8, 0xffffffff);
  const D3D9LINUX_STATS a = Stats();
  Quad(0, 0, 8, 8, 0xffffffff);
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);  // same value again
  dev_->SetTexture(0, tex_);
  Quad(8, 8, 16, 16, 0xff00ff00);
  const D3D9LINUX_STATS b = Stats();
  EXPECT_EQ(b.drawCalls - a.drawCalls, 2u);
  EXPECT_EQ(b.stateChanges, a.stateChanges);
  EXPECT_EQ(b.programBinds, a.programBinds);
  EXPECT_EQ(b.textureBinds, a.textureBinds);
  EXPECT_EQ(b.programsBuilt, a.programsBuilt);
  EXPECT_EQ(b.upBytes - a.upBytes, 2u * 4 * sizeof(TlVertex));
  // A real change is sent, once.
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  Quad(0, 0, 8, 8, 0xffffffff);
  Quad(0, 0, 8, 8, 0xffffffff);
  const D3D9LINUX_STATS c = Stats();
  EXPECT_GE(c.stateChanges - b.stateChanges, 1u);
  EXPECT_LE(c.stateChanges - b.stateChanges, 4u);  // enable, factors, equation, colour
}

TEST_F(Cache, ProgramsAreBuiltOncePerStateCombination) {
  Scene();
  const D3D9LINUX_STATS a = Stats();
  EXPECT_GE(a.programsBuilt, 2u);  // textured and untextured
  for (int i = 0; i < 5; ++i) Scene();
  const D3D9LINUX_STATS b = Stats();
  EXPECT_EQ(b.programsBuilt, a.programsBuilt);
  EXPECT_EQ(b.drawCalls - a.drawCalls, 15u);
}

TEST_F(Cache, KillSwitchGivesTheSamePictureWithMoreCalls) {
  Scene();
  const auto cached = ReadBack();
  const D3D9LINUX_STATS a = Stats();
  Scene();
  const D3D9LINUX_STATS b = Stats();
  D3D9Linux_SetStateCache(dev_, FALSE);
  Scene();
  const auto uncached = ReadBack();
  const D3D9LINUX_STATS c = Stats();
  D3D9Linux_SetStateCache(dev_, TRUE);
  int shown = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (cached[y * kWidth + x] != uncached[y * kWidth + x] && shown++ < 5)
        ADD_FAILURE() << x << "," << y << ": " << std::hex << cached[y * kWidth + x] << " vs "
                      << uncached[y * kWidth + x];
  EXPECT_EQ(shown, 0);
  EXPECT_GT(c.stateChanges - b.stateChanges, b.stateChanges - a.stateChanges);
  Scene();
  EXPECT_EQ(ReadBack(), cached);
}

TEST_F(Cache, ReadBackKeepsDrawingOnTheDepthBuffer) {
  // Reading back binds framebuffers of its own; the next Clear and draw must go to the target
  // with its depth buffer again.
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  Quad(0, 0, 16, 16, 0xffff0000, 0.3f);
  ReadBack();
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  Quad(0, 0, 16, 16, 0xff00ff00, 0.6f);  // passes only if the depth really was cleared
  EXPECT_EQ(At(ReadBack(), 8, 8) & 0xffffff, 0x00ff00u);
  Quad(0, 0, 16, 16, 0xff0000ff, 0.8f);  // fails only if the depth test is really on
  EXPECT_EQ(At(ReadBack(), 8, 8) & 0xffffff, 0x00ff00u);
}

TEST_F(Cache, PresentKeepsTheColourMaskAndScissor) {
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED);
  const RECT sc = {0, 0, 8, 8};
  dev_->SetScissorRect(&sc);
  dev_->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  Quad(0, 0, 16, 16, 0xffffffff);
  ASSERT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  Quad(0, 0, 16, 16, 0xffffffff);
  const auto px = ReadBack();
  EXPECT_EQ(At(px, 4, 4) & 0xffffff, 0xff0000u);  // only red written
  EXPECT_EQ(At(px, 12, 12) & 0xffffff, 0u);       // outside the scissor
}

}  // namespace
}  // namespace d3d9test
