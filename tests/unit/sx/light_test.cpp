// TSXLight and TSXLightGroup against the recording Direct3D 9, and the scene's TSXStateRestorer.
#include "sx/light.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "sx/staterestorer.h"
#include "unit/sx/sx_fixture.h"

namespace {

using sx::TSXLight;
using sx::TSXLightGroup;

class Lights : public sxtest::SceneTest {
 protected:
  // The D3DLIGHT9 record of the last SetLight for `index`, as the device keeps it.
  D3DLIGHT9 Sent(DWORD index) {
    D3DLIGHT9 l{};
    dev().GetLight(index, &l);
    return l;
  }
  std::vector<std::string> LightCalls() const { return Calls({"SetLight", "LightEnable"}); }
  static std::string Enable(int index, bool on) {
    return "LightEnable(" + std::to_string(index) + ", " + (on ? "4294967295" : "0") + ")";
  }
  static bool IsSetLight(const std::string& text, int index) {
    return text.rfind("SetLight(" + std::to_string(index) + ", ", 0) == 0;
  }
};

}  // namespace

TEST_F(Lights, ANewLightIsWhiteWithAlphaZeroAlongPlusZAndSendsNothing) {
  TSXLight light(*carad_, 3);
  const D3DLIGHT9& l = light.Light();
  EXPECT_EQ(l.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(l.Diffuse.r, 1);
  EXPECT_EQ(l.Diffuse.g, 1);
  EXPECT_EQ(l.Diffuse.b, 1);
  EXPECT_EQ(l.Diffuse.a, 0);
  EXPECT_EQ(l.Specular.r + l.Specular.a + l.Ambient.g + l.Ambient.a, 0);
  EXPECT_EQ(l.Direction.z, 1);
  EXPECT_EQ(l.Direction.x + l.Direction.y + l.Position.x + l.Range + l.Theta + l.Phi + l.Attenuation0, 0);
  EXPECT_FALSE(light.Enabled());
  EXPECT_TRUE(light.AutoUpdate);
  EXPECT_EQ(light.Index(), 3u);
  EXPECT_TRUE(LightCalls().empty());
}

TEST_F(Lights, ChangesAreSentAtOnceWithAutoUpdate) {
  TSXLight light(*carad_, 1);
  light.SetSpecular(0.2f, 0.2f, 0.3f);
  light.SetAmbient(0.03f, 0.03f, 0.03f);
  light.SetDirection({0, -1, 0});
  EXPECT_EQ(dev().Count("SetLight"), 3u);
  EXPECT_EQ(dev().Count("LightEnable"), 0u);
  const D3DLIGHT9 l = Sent(1);
  EXPECT_FLOAT_EQ(l.Specular.b, 0.3f);
  EXPECT_EQ(l.Specular.a, 1);
  EXPECT_FLOAT_EQ(l.Ambient.r, 0.03f);
  EXPECT_EQ(l.Ambient.a, 1);
  EXPECT_EQ(l.Direction.y, -1);
  light.SetEnabled(true);
  light.SetEnabled(false);
  const auto t = LightCalls();
  ASSERT_EQ(t.size(), 7u);
  EXPECT_TRUE(IsSetLight(t[3], 1));
  EXPECT_EQ(t[4], Enable(1, true));
  EXPECT_TRUE(IsSetLight(t[5], 1));
  EXPECT_EQ(t[6], Enable(1, false));
}

TEST_F(Lights, SetDirectionMakesTheLightDirectionalAgainUnnormalised) {
  TSXLight light(*carad_, 0);
  D3DLIGHT9& record = const_cast<D3DLIGHT9&>(light.Light());
  record.Type = D3DLIGHT_POINT;
  light.SetDirection({0, 3, 4});
  EXPECT_EQ(light.Light().Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(light.Light().Direction.y, 3);
  EXPECT_EQ(light.Light().Direction.z, 4);
}

TEST_F(Lights, WithoutAutoUpdateTheDeviceSeesTheChangeAtTheNextEnable) {
  TSXLight light(*carad_, 2);
  light.AutoUpdate = false;
  light.SetAmbient(0.5f, 0.25f, 0.125f);
  light.SetSpecular(1, 1, 1);
  light.SetDirection({1, 0, 0});
  light.SetFromFrame(nullptr);
  EXPECT_TRUE(LightCalls().empty());
  light.SetEnabled(true);
  EXPECT_EQ(LightCalls().size(), 2u);
  EXPECT_FLOAT_EQ(Sent(2).Ambient.g, 0.25f);
  EXPECT_EQ(Sent(2).Direction.z, 1);  // the frame none: +z
}

TEST_F(Lights, SetFromFrameTakesTheFramesZAxisAndOrigin) {
  sx::TSXFrame root(nullptr);
  auto* aim = new sx::TSXFrame(&root);
  aim->SetPosition(&root, {0, 4, -3});
  aim->LookAt(&root, {0, 0, 0}, 0, &root);
  TSXLight light(*carad_, 0);
  light.SetFromFrame(aim);
  const D3DLIGHT9 l = Sent(0);
  EXPECT_NEAR(l.Direction.x, 0, 1e-6);
  EXPECT_NEAR(l.Direction.y, -0.8f, 1e-6);
  EXPECT_NEAR(l.Direction.z, 0.6f, 1e-6);
  EXPECT_FLOAT_EQ(l.Position.y, 4);
  EXPECT_FLOAT_EQ(l.Position.z, -3);
  EXPECT_EQ(l.Type, D3DLIGHT_DIRECTIONAL);  // kept
}

TEST_F(Lights, AGroupRegistersAndNumbersItsLights) {
  TSXLightGroup group(*carad_, "lights", 4);
  EXPECT_EQ(group.Count(), 4u);
  for (int i = 0; i < 4; ++i) {
    ASSERT_NE(group.Lights(i), nullptr);
    EXPECT_EQ(group.Lights(i)->Index(), static_cast<std::uint32_t>(i));
  }
  const auto& r = carad_->Resources().back();
  EXPECT_EQ(r->Owner, &group);
  EXPECT_EQ(r->Name, "lights");
  EXPECT_TRUE(r->OnRebuild);
  EXPECT_TRUE(r->OnReset);
  EXPECT_FALSE(r->OnRelease);
  EXPECT_TRUE(r->OnLost);
  EXPECT_TRUE(LightCalls().empty());
}

TEST_F(Lights, AnIndexOutOfRangeIsLoggedAndGivesNone) {
  TSXLightGroup group(*carad_, "", 4);
  Restart();
  EXPECT_EQ(group.Lights(4), nullptr);
  EXPECT_EQ(group.Lights(-1), nullptr);
  EXPECT_EQ(Log(), (std::vector<std::string>{"TSXLightGroup @ ZIRer: 範囲外のライトを参照しようとしました",
                                             "TSXLightGroup @ ZIRer: 範囲外のライトを参照しようとしました"}));
}

TEST_F(Lights, AfterAResetOrANewDeviceTheEnabledLightsAreSentAgain) {
  TSXLightGroup group(*carad_, "", 4);
  for (int i : {0, 1, 2}) group.Lights(i)->SetEnabled(true);
  group.Lights(1)->SetEnabled(false);
  group.Lights(2)->SetAmbient(0.03f, 0.03f, 0.03f);
  Restart();
  carad_->ResetDevice();
  // The calls after the Reset (those before it switch the lights off, see the next test).
  auto t = Calls({"SetLight", "LightEnable", "Reset"});
  const auto reset = std::find_if(t.begin(), t.end(), [](const std::string& c) { return c.rfind("Reset(", 0) == 0; });
  ASSERT_NE(reset, t.end());
  t.erase(t.begin(), reset + 1);
  ASSERT_EQ(t.size(), 4u);
  EXPECT_TRUE(IsSetLight(t[0], 0));
  EXPECT_EQ(t[1], Enable(0, true));
  EXPECT_TRUE(IsSetLight(t[2], 2));
  EXPECT_EQ(t[3], Enable(2, true));
  EXPECT_FLOAT_EQ(Sent(2).Ambient.r, 0.03f);

  carad_->SetWindowMode(kWidth, kHeight, {}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
  t = LightCalls();  // the new device's record
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[3], Enable(2, true));
}

TEST_F(Lights, BeforeAResetOfAWorkingDeviceTheEnabledLightsAreSwitchedOff) {
  TSXLightGroup group(*carad_, "", 4);
  for (int i : {0, 2, 3}) group.Lights(i)->SetEnabled(true);
  group.Lights(3)->SetEnabled(false);
  Restart();
  carad_->ResetDevice();
  const auto t = Calls({"LightEnable", "Reset"});
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0], Enable(0, false));
  EXPECT_EQ(t[1], Enable(2, false));
  EXPECT_EQ(t[2].rfind("Reset(", 0), 0u);
  EXPECT_EQ(t[3], Enable(0, true));
  EXPECT_EQ(t[4], Enable(2, true));
  EXPECT_TRUE(group.Lights(0)->Enabled());
}

TEST_F(Lights, ADeviceWaitingForItsResetGetsNoLightCallsBeforeIt) {
  TSXLightGroup group(*carad_, "", 2);
  group.Lights(1)->SetEnabled(true);
  Restart();
  dev().cooperativeResults = {D3DERR_DEVICENOTRESET};
  carad_->ResetDevice();
  const auto t = Calls({"LightEnable", "Reset"});
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].rfind("Reset(", 0), 0u);
  EXPECT_EQ(t[1], Enable(1, true));
}

TEST_F(Lights, DestroyingAGroupUnregistersItAndSendsNothing) {
  auto group = std::make_unique<TSXLightGroup>(*carad_, "", 2);
  group->Lights(0)->SetEnabled(true);
  const std::int32_t id = group->ResourceID();
  Restart();
  group.reset();
  for (const auto& r : carad_->Resources()) EXPECT_NE(r->ID, id);
  EXPECT_TRUE(LightCalls().empty());
}

TEST_F(Lights, TheStateRestorerKeepsFirstValuesAndSendsThemBack) {
  sx::TSXStateRestorer restorer(*carad_);
  EXPECT_EQ(restorer.RenderStateCount(), 0u);
  dev().SetRenderState(D3DRS_ZWRITEENABLE, 0);
  EXPECT_TRUE(restorer.SaveRenderState(D3DRS_ZWRITEENABLE));
  EXPECT_TRUE(restorer.SaveRenderState(D3DRS_LIGHTING));
  EXPECT_FALSE(restorer.SaveRenderState(D3DRS_LIGHTING));  // once
  EXPECT_FALSE(restorer.SaveRenderState(static_cast<D3DRENDERSTATETYPE>(999)));
  EXPECT_TRUE(restorer.SaveTextureStageState(1, D3DTSS_COLOROP));
  EXPECT_FALSE(restorer.SaveTextureStageState(8, D3DTSS_COLOROP));
  EXPECT_EQ(restorer.RenderStateCount(), 2u);
  EXPECT_EQ(restorer.TextureStageStateCount(1), 1u);
  dev().SetRenderState(D3DRS_ZWRITEENABLE, 1);
  dev().SetRenderState(D3DRS_LIGHTING, 0);
  dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
  Restart();
  restorer.Restore();
  EXPECT_EQ(Calls(), (std::vector<std::string>{sxtest::RS(D3DRS_ZWRITEENABLE, 0), sxtest::RS(D3DRS_LIGHTING, 1),
                                               "SetTextureStageState(1, 1, 1)"}));
  EXPECT_EQ(restorer.RenderStateCount(), 0u);
  restorer.SaveRenderState(D3DRS_ZENABLE);
  restorer.Reset();
  Restart();
  restorer.Restore();
  EXPECT_TRUE(Calls({"SetRenderState"}).empty());
}
