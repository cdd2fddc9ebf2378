// Test fixture for the scene graph: a TDGCarad on the recording Direct3D 9 (tests/support), every
// log line on and no halt switch, and builders for mesh files and sprite corners.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dg/carad.h"
#include "dg/window.h"
#include "sx/frame.h"
#include "sx/mathpack.h"
#include "sx/mesh.h"
#include "sx/scene.h"
#include "support/d3d9_recording.h"
#include "unit/dg/log_helper.h"
#include "unit/dg/scratch.h"

namespace sxtest {

// A window the component only measures; the handle is a made-up value.
class FakeWindow : public dg::TDGWindow {
 public:
  FakeWindow(int width, int height) : width_(width), height_(height) {}
  HWND Handle() const override { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x5A10)); }
  int ClientWidth() const override { return width_; }
  int ClientHeight() const override { return height_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int Left() const override { return 0; }
  int Top() const override { return 0; }
  void SetWindowPos(int, int, int width, int height) override {
    width_ = width;
    height_ = height;
  }

 private:
  int width_, height_;
};

// The Direct3D object the next component gets: set by the fixture before Initialize.
inline IDirect3D9*& NextDirect3D() {
  static IDirect3D9* next = nullptr;
  return next;
}

inline IDirect3D9* WINAPI TakeDirect3D(UINT) {
  IDirect3D9* d3d = NextDirect3D();
  NextDirect3D() = nullptr;
  return d3d;
}

class SceneTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 320, kHeight = 240;

  void SetUp() override {
    log_ = testlog::Begin();
    Open(new d3d9rec::RecordingDirect3D());
  }
  void TearDown() override {
    carad_.reset();
    testlog::End();
  }

  // A component on `d3d` (whose reference it takes), initialised at the window's size.
  void Open(d3d9rec::RecordingDirect3D* d3d) {
    d3d_ = d3d;
    NextDirect3D() = d3d;
    carad_ = std::make_unique<dg::TDGCarad>(window_, &TakeDirect3D);
    carad_->SetDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
    carad_->Initialize();
    ASSERT_NE(carad_->Device(), nullptr);
    Restart();
  }

  d3d9rec::RecordingDevice& dev() const { return *static_cast<d3d9rec::RecordingDevice*>(carad_->Device()); }

  // A fresh log and a fresh record of calls from here on.
  void Restart() {
    log_ = testlog::Begin();
    dg::AssignDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
    dev().ClearCalls();
  }
  std::vector<std::string> Log() const { return testlog::Lines(log_); }
  std::vector<std::string> Calls(const std::set<std::string>& only = {}) const { return dev().Texts(only); }

  FakeWindow window_{kWidth, kHeight};
  d3d9rec::RecordingDirect3D* d3d_ = nullptr;  // owned by the component
  std::unique_ptr<dg::TDGCarad> carad_;
  std::string log_;
};

// ---- mesh files ----

struct MeshVertex00 {  // FVF 0x1D2, 40 bytes
  float x, y, z, nx, ny, nz;
  std::uint32_t diffuse, specular;
  float tu, tv;
};

inline void PutLe(std::string& bytes, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The 256-byte header: magic, counts, and for version 02 the format and stride; the reserved
// bytes are filled with `filler`.
inline std::string MeshHeader(const char* magic, std::uint16_t vertices, std::uint16_t indices, std::uint32_t fvf = 0,
                              std::uint32_t stride = 0, char filler = 0) {
  std::string h(magic, 16);
  PutLe(h, vertices, 2);
  PutLe(h, indices, 2);
  if (std::memcmp(magic, "Simplified_X02  ", 16) == 0) {
    PutLe(h, fvf, 4);
    PutLe(h, stride, 4);
  }
  h.resize(256, filler);
  return h;
}

inline std::string Indices(const std::vector<std::uint16_t>& indices) {
  std::string b;
  for (std::uint16_t i : indices) PutLe(b, i, 2);
  return b;
}

// A version 00 file of these vertices and indices.
inline std::string MeshFile00(const std::vector<MeshVertex00>& vertices, const std::vector<std::uint16_t>& indices,
                              char filler = 0) {
  std::string f = MeshHeader("Simplified_X00  ", static_cast<std::uint16_t>(vertices.size()),
                             static_cast<std::uint16_t>(indices.size()), 0, 0, filler);
  f.append(reinterpret_cast<const char*>(vertices.data()), vertices.size() * sizeof(MeshVertex00));
  return f + Indices(indices);
}

// A version 02 file whose vertices are positions followed by (stride - 12) bytes of `pad`.
inline std::string MeshFile02(std::uint32_t fvf, std::uint32_t stride, const std::vector<sx::Vec3>& positions,
                              const std::vector<std::uint16_t>& indices, char pad = 0x33) {
  std::string f = MeshHeader("Simplified_X02  ", static_cast<std::uint16_t>(positions.size()),
                             static_cast<std::uint16_t>(indices.size()), fvf, stride);
  for (const sx::Vec3& p : positions) {
    f.append(reinterpret_cast<const char*>(&p), 12);
    f.append(stride - 12, pad);
  }
  return f + Indices(indices);
}

inline MeshVertex00 V00(float x, float y, float z, std::uint32_t diffuse = 0xFFFFFFFFu) {
  return {x, y, z, 0, 0, -1, diffuse, 0, 0, 0};
}

// A scratch file holding `bytes`; returns its path.
inline std::string WriteScratch(const std::string& name, const std::string& bytes) {
  const std::string path = scratch::Path(name);
  scratch::WriteAll(path, bytes);
  return path;
}

// Four corners of a w x h rectangle centred on its position, one colour.
inline std::vector<sx::SpriteVertex> Corners(float w, float h, std::uint32_t color) {
  return {sx::MakeSpriteVertex(-w / 2, -h / 2, color, 0, 0), sx::MakeSpriteVertex(w / 2, -h / 2, color, 1, 0),
          sx::MakeSpriteVertex(-w / 2, h / 2, color, 0, 1), sx::MakeSpriteVertex(w / 2, h / 2, color, 1, 1)};
}

inline sx::Mat4 Translation(float x, float y, float z) {
  sx::Mat4 m = sx::MatIdentity;
  m.m[3][0] = x, m.m[3][1] = y, m.m[3][2] = z;
  return m;
}

// A recorded SetRenderState call as the recording device prints it, and the start of any with that state.
inline std::string RSPrefix(D3DRENDERSTATETYPE state) {
  return "SetRenderState(" + std::to_string(static_cast<int>(state)) + ",";
}
inline std::string RS(D3DRENDERSTATETYPE state, unsigned value) {
  return RSPrefix(state) + " " + std::to_string(value) + ")";
}

// A scene on the fixture's component with a root, a camera at the origin looking along +z, and
// meshes made from files written here.
class GraphTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    scene_ = std::make_unique<sx::TSXScene>(*carad_, "");
    root_ = std::make_unique<sx::TSXFrame>(nullptr);
    camera_ = new sx::TSXFrame(root_.get());
    scene_->SetCamera(camera_);
    Restart();
  }
  void TearDown() override {
    root_.reset();
    meshes_.clear();
    scene_.reset();
    SceneTest::TearDown();
  }

  // A mesh whose box is -h .. h on x and y and -d .. d on z (d = h unless given).
  sx::TSXMesh* Cube(float h = 0.5f, float d = -1) {
    if (d < 0) d = h;
    std::vector<MeshVertex00> v;
    for (int i = 0; i < 8; ++i) v.push_back(V00(i & 1 ? h : -h, i & 2 ? h : -h, i & 4 ? d : -d));
    const std::string path = WriteScratch("cube.x", MeshFile00(v, {0, 1, 2, 1, 3, 2}));
    meshes_.push_back(std::make_unique<sx::TSXMesh>(*carad_));
    meshes_.back()->LoadFromFile(path);
    return meshes_.back().get();
  }
  sx::TSXFrame* MeshFrame(sx::TSXFrame* parent, sx::TSXMesh* mesh, float x, float y, float z, std::int32_t blend = 0) {
    auto* f = new sx::TSXFrame(parent);
    f->Mesh = mesh;
    f->Matrix = Translation(x, y, z);
    f->BlendModeIndex = blend;
    return f;
  }
  // The x, y, z of the WORLD transforms sent, in order: which frames were drawn.
  std::vector<sx::Vec3> WorldPositions() const {
    std::vector<sx::Vec3> out;
    for (const auto& c : dev().calls) {
      if (c.method == "SetTransform" && c.args[0] == 256) out.push_back({c.floats[12], c.floats[13], c.floats[14]});
    }
    return out;
  }

  std::unique_ptr<sx::TSXScene> scene_;
  std::unique_ptr<sx::TSXFrame> root_;
  sx::TSXFrame* camera_ = nullptr;
  std::vector<std::unique_ptr<sx::TSXMesh>> meshes_;
};

}  // namespace sxtest
