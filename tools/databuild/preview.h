// Software preview renderer: draws decoded mesh files the way the saver's Direct3D 9 pipeline
// does, so the data set can be looked at before the scene graph exists.
//
// What it follows: left-handed perspective with a vertical field of view and aspect = height /
// width; Direct3D's pixel centres at integer coordinates; counter-clockwise triangles culled;
// fixed-function per-vertex lighting with the vertex colours as diffuse and specular material
// (directional lights, local viewer, power 10, specular gated by N.L and added after the texture
// stage); texture MODULATE with POINT sampling for meshes; the blend rows 0 (opaque), 1 (additive),
// 2 (alpha), 4 (multiply); blended items drawn after the opaque ones, farthest first by the
// depth of their mesh's box centre, without depth writes; camera-facing sprites scaled with
// distance by half the viewport width. An optional 16-bit depth buffer shows where depth
// precision runs out.
#pragma once

#include <vector>

#include "formats.h"
#include "geom.h"

namespace databuild {

struct PreviewLight {
  V3 direction;  // direction the light travels, world space
  V3 diffuse{1, 1, 1}, specular{0, 0, 0}, ambient{0, 0, 0};
  bool enabled = true;
};

struct SpriteCorner {
  double x, y, u, v;  // offset (screen-scaled units, y down) and texture coordinate
};

class PreviewRenderer {
 public:
  PreviewRenderer(int width, int height, bool depth16 = true);

  void Clear(uint32_t argb);
  // Camera at eye looking at target, up toward world +y (the frame LookAt with the root as
  // up frame; falls back to the x axis when looking straight up or down).
  void SetCamera(V3 eye, V3 target);
  void SetLights(const std::vector<PreviewLight>& lights) { lights_ = lights; }

  // Queues a mesh: opaque items (blend 0) are drawn at once, the others at Flush. `normalMatrix`
  // false uses the world matrix itself for normals (what a singular matrix gets).
  void DrawMesh(const MeshFile& mesh, const M4& world, int blend, bool specular, const Image* texture = nullptr,
                bool lighting = true);
  void AddSprite(V3 worldPos, const SpriteCorner (&quad)[4], const Image* texture, int blend = 2);
  // A screen-aligned picture at pixel position (x, y), its pixel size, tinted, alpha blended.
  void AddScreenPicture(double x, double y, const Image& texture, uint32_t tint);
  void Flush();

  const Image& Result() const { return colour_; }
  // Counters of the last frame, for tests: triangles drawn, triangles culled as back faces.
  size_t drawn = 0, culled = 0;

 private:
  struct ClipVertex {
    double x, y, z, w;  // clip space
    double r, g, b, a;  // lit diffuse (0..1)
    double sr, sg, sb;  // specular
    double u, v;
  };
  struct Pending {
    const MeshFile* mesh = nullptr;
    M4 world;
    int blend = 0;
    bool specular = true, lighting = true;
    const Image* texture = nullptr;
    // sprite fields
    bool sprite = false;
    ClipVertex quad[4];
    double key = 0;
  };
  void Draw(const Pending& item);
  void Raster(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, int blend, const Image* texture,
              bool specular, bool linear, bool cull);
  V3 Project(V3 world, double& w) const;

  int width_, height_;
  bool depth16_;
  Image colour_;
  std::vector<double> depth_;
  M4 view_, proj_;
  V3 eye_;
  std::vector<PreviewLight> lights_;
  std::vector<Pending> blended_;
};

// Scales an image down by an integer factor (box filter), for supersampled previews.
Image Downsample(const Image& img, int factor);
// Copies src into dst at (x, y).
void Blit(Image& dst, const Image& src, int x, int y);

}  // namespace databuild
