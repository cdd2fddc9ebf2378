// The car scene on the recording Direct3D 9 with fakes of the window and the services, on a small
// data set written by the fixture (one-triangle meshes, 2 x 2 pictures, a one-line kestor.txt).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fakes/platform_fakes.h"
#include "scene/car_scene.h"
#include "support/d3d9_recording.h"
#include "unit/platform/temp_folder.h"

namespace scenetest {

inline d3d9rec::RecordingDirect3D* gDirect3D = nullptr;
inline IDirect3D9* WINAPI MakeRecordingDirect3D(UINT) {
  gDirect3D = new d3d9rec::RecordingDirect3D();
  return gDirect3D;
}

inline bool IsPicture(int n) { return n == 10 || n == 15 || n == 39 || n == 41 || n == 47 || n == 48 || n == 49; }

inline std::string Mesh() {
  std::string b(256, '\0');
  std::memcpy(&b[0], "Simplified_X00  ", 16);
  b[16] = 3;
  b[18] = 3;
  const float v[3][10] = {
      {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0}, {1, 0, 0, 0, 0, -1, 0, 0, 1, 0}, {0, 1, 0, 0, 0, -1, 0, 0, 0, 1}};
  for (const auto& vertex : v) {
    char bytes[40];
    std::memcpy(bytes, vertex, 40);
    std::uint32_t white = 0xFFFFFFFF;
    std::memcpy(bytes + 24, &white, 4);
    b.append(bytes, 40);
  }
  const char indices[6] = {0, 0, 1, 0, 2, 0};
  b.append(indices, 6);
  return b;
}

inline std::string Picture() {  // 2 x 2, 24 bits, bottom-up, rows of 8 bytes
  const unsigned char header[54] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0,  0,
                                    2,   0,   0,  0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0,  0, 16, 0,
                                    0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0,  0};
  std::string b(reinterpret_cast<const char*>(header), 54);
  b.append(16, '\x7F');
  return b;
}

class FrameLoopTest : public testing::Test {
 protected:
  FrameLoopTest() {
    for (int n = 0; n <= 50; ++n)
      std::ofstream(data.Path("crmd_" + std::to_string(n)), std::ios::binary) << (IsPicture(n) ? Picture() : Mesh());
    std::ofstream(data.Path("kestor.txt")) << "KESTOR\r\n";
    form.SetBounds(0, 0, 640, 480);
    system.screen = {640, 480};
    system.UseVirtualClock(1000, 10);
  }

  // The input of a run of `mode` on the fixture's data, the overlay off.
  scene::SetupInput Input(std::int32_t mode, std::int32_t frameInterval = 0, bool missing = false) const {
    scene::SetupInput in;
    in.runMode = mode;
    in.frameInterval = frameInterval;
    in.dataMissing = missing;
    in.overlayOn = false;
    in.dataFolder = data.Folder();
    return in;
  }
  void Make(std::int32_t mode, std::int32_t frameInterval = 0, bool missing = false) {
    Make(Input(mode, frameInterval, missing));
  }
  void Make(const scene::SetupInput& in) {
    car.reset();  // one device component per window
    car = std::make_unique<scene::CarScene>(form, system, &MakeRecordingDirect3D);
    car->SetUp(in);
    device = gDirect3D->lastDevice;
    ASSERT_NE(device, nullptr);
    device->ClearCalls();
  }
  // One idle call as the window makes it: the scene's call, then the virtual clock's step.
  bool Idle() {
    const bool processed = car->Idle(hooks);
    system.EndIdleCall();
    return processed;
  }
  std::vector<std::string> FrameCalls() const {
    return device->Texts({"TestCooperativeLevel", "Reset", "BeginScene", "Clear", "EndScene", "Present"});
  }
  std::vector<std::uint64_t> ClearColours() const {
    std::vector<std::uint64_t> c;
    for (const d3d9rec::Call& call : device->calls)
      if (call.method == "Clear") c.push_back(call.args[3]);
    return c;
  }

  testutil::TempFolder data;
  fakes::System system;
  fakes::Form form;
  scene::FrameHooks hooks;
  std::unique_ptr<scene::CarScene> car;
  d3d9rec::RecordingDevice* device = nullptr;
};

}  // namespace scenetest
