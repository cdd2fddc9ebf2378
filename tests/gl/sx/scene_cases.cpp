#include "gl/sx/scene_cases.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "dg/texture.h"
#include "sx/frame.h"
#include "sx/light.h"
#include "sx/mesh.h"
#include "sx/scene.h"

#ifndef _WIN32
#include <d3d9_linux.h>
#endif

namespace sxcases {

namespace {

constexpr D3DCOLOR kBackground = 0xFF102040;

void PutLe(std::string& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}
void PutFloat(std::string& bytes, float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  PutLe(bytes, u, 4);
}

// A w x h quad in the xy plane facing -z, clockwise as seen from -z, texture 0..1 left to right
// and top to bottom. Version 00 (position, normal, diffuse, specular, texture) or version 02
// (position, normal, diffuse: FVF 0x52, 28 bytes).
std::string QuadFile(float w, float h, D3DCOLOR color, bool version02) {
  std::string f = version02 ? "Simplified_X02  " : "Simplified_X00  ";
  PutLe(f, 4, 2);
  PutLe(f, 6, 2);
  if (version02) {
    PutLe(f, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, 4);
    PutLe(f, 28, 4);
  }
  f.resize(256, '\0');
  const float corners[4][4] = {
      {-w / 2, -h / 2, 0, 1}, {w / 2, -h / 2, 1, 1}, {-w / 2, h / 2, 0, 0}, {w / 2, h / 2, 1, 0}};
  for (const auto& c : corners) {
    PutFloat(f, c[0]);
    PutFloat(f, c[1]);
    PutFloat(f, 0);
    PutFloat(f, 0);
    PutFloat(f, 0);
    PutFloat(f, -1);
    PutLe(f, color, 4);
    if (!version02) {
      PutLe(f, 0, 4);
      PutFloat(f, c[2]);
      PutFloat(f, c[3]);
    }
  }
  for (std::uint16_t i : {0, 2, 1, 1, 2, 3}) PutLe(f, i, 2);
  return f;
}

std::vector<sx::SpriteVertex> Rect(float x0, float y0, float x1, float y1, D3DCOLOR color) {
  return {sx::MakeSpriteVertex(x0, y0, color, 0, 0), sx::MakeSpriteVertex(x1, y0, color, 1, 0),
          sx::MakeSpriteVertex(x0, y1, color, 0, 1), sx::MakeSpriteVertex(x1, y1, color, 1, 1)};
}

sx::Mat4 Place(float x, float y, float z, sx::AngleUnit turnY = 0) {
  sx::Mat4 m = sx::MatIdentity;
  const sx::Vec3 axes[3] = {sx::Vec3RotateY({1, 0, 0}, turnY), sx::Vec3RotateY({0, 1, 0}, turnY),
                            sx::Vec3RotateY({0, 0, 1}, turnY)};
  for (int r = 0; r < 3; ++r) m.m[r][0] = axes[r].x, m.m[r][1] = axes[r].y, m.m[r][2] = axes[r].z;
  m.m[3][0] = x, m.m[3][1] = y, m.m[3][2] = z;
  return m;
}

// Every object of the scene; destroyed before the component.
struct Rig {
  explicit Rig(dg::TDGCarad& c) : carad(c) {}
  ~Rig() {
    root.reset();
    meshes.clear();
    texture.reset();
    lights.reset();
    scene.reset();
  }

  sx::TSXMesh* Mesh(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories("sx_scene_scratch");
    const std::string path = "sx_scene_scratch/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    meshes.push_back(std::make_unique<sx::TSXMesh>(carad));
    meshes.back()->LoadFromFile(path);
    return meshes.back().get();
  }
  sx::TSXFrame* Item(sx::TSXMesh* mesh, const sx::Mat4& where, std::int32_t blend, bool lit) {
    auto* f = new sx::TSXFrame(root.get());
    f->Mesh = mesh;
    f->Matrix = where;
    f->BlendModeIndex = blend;
    f->Lighting = lit;
    f->Specular = false;
    return f;
  }

  dg::TDGCarad& carad;
  std::unique_ptr<sx::TSXScene> scene;
  std::unique_ptr<sx::TSXLightGroup> lights;
  std::unique_ptr<dg::TDGTexture> texture;
  std::vector<std::unique_ptr<sx::TSXMesh>> meshes;
  std::unique_ptr<sx::TSXFrame> root;
};

// Where things land (pixel: what it shows):
//   (28,35) red lit quad        (45,45) additive grey over it    (30,52) red in front of blue
//   (30,62) blue unlit quad     (28,69) multiply over blue        (33,43) overlay screen sprite
//   (86,44) textured, white half, lit at 60 degrees              (101,42) its yellow half
//   (64,14) alpha quad over the background   (64,77) billboard   (117,86) alpha screen sprite
//   (64,57) where the hidden frame would be
void Build(Rig& rig) {
  rig.scene = std::make_unique<sx::TSXScene>(rig.carad, "");
  rig.root = std::make_unique<sx::TSXFrame>(nullptr);
  auto* camera = new sx::TSXFrame(rig.root.get());
  camera->SetPosition(rig.root.get(), {0, 0, -10});
  camera->LookAt(rig.root.get(), {0, 0, 0}, 0, rig.root.get());
  rig.scene->SetCamera(camera);

  rig.lights = std::make_unique<sx::TSXLightGroup>(rig.carad, "", 2);
  auto* aim = new sx::TSXFrame(rig.root.get());
  aim->SetPosition(rig.root.get(), {0, 0, -20});
  aim->LookAt(rig.root.get(), {0, 0, 0}, 0, rig.root.get());
  sx::TSXLight* key = rig.lights->Lights(0);
  key->SetAmbient(0.1f, 0.1f, 0.1f);
  key->SetFromFrame(aim);  // along +z
  key->SetEnabled(true);
  sx::TSXLight* off = rig.lights->Lights(1);
  off->SetDirection({0, 0, -1});  // would light the back faces only; stays off
  off->SetAmbient(1, 1, 1);

  rig.texture = std::make_unique<dg::TDGTexture>(rig.carad, std::vector<D3DFORMAT>{D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, 0,
                                                 D3DPOOL_MANAGED, 1, "");
  rig.texture->SetSize(4, 4);
  const D3DLOCKED_RECT lr = rig.texture->LockRect(0, nullptr, 0);
  if (lr.pBits) {
    for (int y = 0; y < 4; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(lr.pBits) + y * lr.Pitch);
      for (int x = 0; x < 4; ++x) row[x] = x < 2 ? 0xFFFFFFFFu : 0xFFFFFF00u;
    }
  }
  rig.texture->UnlockRect();

  sx::TSXMesh* red = rig.Mesh("red.x", QuadFile(6, 6, 0xFFC00000, false));
  sx::TSXMesh* blue = rig.Mesh("blue.x", QuadFile(4, 6, 0xFF2040C0, true));
  sx::TSXMesh* grey = rig.Mesh("grey.x", QuadFile(3, 6, 0xFF404040, false));
  sx::TSXMesh* half = rig.Mesh("half.x", QuadFile(3, 1.5f, 0xFF808080, false));
  sx::TSXMesh* white = rig.Mesh("white.x", QuadFile(6, 6, 0xFFFFFFFF, false));
  sx::TSXMesh* glass = rig.Mesh("glass.x", QuadFile(2, 2, 0x80FFFFFF, false));

  // Blended items first in the tree: the queues, not the tree, decide the order.
  rig.Item(glass, Place(0, 7, 0), 2, false);
  rig.Item(grey, Place(-3.5f, 1, -1), 1, false);
  rig.Item(half, Place(-7.5f, -4.25f, -1), 4, false);
  rig.Item(red, Place(-5, 1, 0), 0, true);
  rig.Item(blue, Place(-8, -3, 2), 0, false);
  rig.Item(white, Place(6, 1, 0, -683), 0, true)->SetTexture(rig.texture.get());
  rig.Item(red, Place(0, -1.5f, 0), 0, false)->Visibility = 1;
}

void QueueSprites(Rig& rig) {
  const auto billboard = Rect(-1, -1, 1, 1, 0xFFFFFF00);
  rig.scene->AddSprite(rig.root.get(), {0, -6, 0}, billboard.data(), nullptr, 0, true, true, false);
  const auto overlay = Rect(0, 0, 6, 6, 0xFFFF00FF);
  rig.scene->AddScreenSprite({30, 40}, overlay.data(), nullptr, 0, false, true, 0.9f);
  const auto glass = Rect(0, 0, 14, 12, 0x80FFFFFF);
  rig.scene->AddScreenSprite({110, 80}, glass.data(), nullptr, 2, false, false, 0.5f);
}

bool ReadBack(IDirect3DDevice9* device, const std::string& name, std::vector<refscenes::Picture>* out,
              std::string* error) {
  IDirect3DSurface9* rt = nullptr;
  if (device->GetRenderTarget(0, &rt) != D3D_OK || !rt) {
    *error = "GetRenderTarget failed";
    return false;
  }
  D3DSURFACE_DESC d;
  rt->GetDesc(&d);
  IDirect3DSurface9* sys = nullptr;
  bool ok = false;
  if (device->CreateOffscreenPlainSurface(d.Width, d.Height, d.Format, D3DPOOL_SYSTEMMEM, &sys, nullptr) == D3D_OK) {
    D3DLOCKED_RECT lr;
    if (device->GetRenderTargetData(rt, sys) == D3D_OK && sys->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
      refscenes::Picture p;
      p.name = name;
      p.width = d.Width;
      p.height = d.Height;
      p.pixels.resize(static_cast<std::size_t>(d.Width) * d.Height);
      for (UINT y = 0; y < d.Height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(lr.pBits) + y * lr.Pitch);
        for (UINT x = 0; x < d.Width; ++x) p.pixels[y * d.Width + x] = row[x] | 0xFF000000u;
      }
      sys->UnlockRect();
      out->push_back(std::move(p));
      ok = true;
    }
    sys->Release();
  }
  rt->Release();
  if (!ok) *error = "reading back " + name + " failed";
  return ok;
}

bool Frame(Rig& rig, const std::string& name, std::vector<refscenes::Picture>* out, std::string* error) {
  IDirect3DDevice9* device = rig.carad.Device();
  if (!device || device->BeginScene() != D3D_OK) {
    *error = "BeginScene failed for " + name;
    return false;
  }
  QueueSprites(rig);
  rig.scene->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
  rig.scene->Render(rig.root.get());
  device->EndScene();
  return ReadBack(device, name, out, error);
}

}  // namespace

bool RenderAll(dg::TDGCarad& carad, std::vector<refscenes::Picture>* out, std::string* error) {
  carad.SetWindowMode(kWidth, kHeight, {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32}, D3DPRESENT_INTERVAL_IMMEDIATE,
                      D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
  if (!carad.Device()) {
    *error = "no device";
    return false;
  }
  Rig rig(carad);
  Build(rig);
  if (!Frame(rig, "scene", out, error)) return false;

#ifndef _WIN32
  D3D9Linux_ForceDeviceLost(carad.Device());
  carad.Device()->TestCooperativeLevel();
  carad.Device()->TestCooperativeLevel();
#endif
  carad.ResetDevice();
  if (carad.Device()->TestCooperativeLevel() != D3D_OK) {
    *error = "the device did not come back from Reset";
    return false;
  }
  return Frame(rig, "after-reset", out, error);
}

}  // namespace sxcases
