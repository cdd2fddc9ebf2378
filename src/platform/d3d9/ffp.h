// The fixed-function pipeline as generated GLSL: a key that captures every piece of Direct3D
// state that changes the program (vertex format, lighting set-up, texture stages, alpha test,
// texture wrapping), the GLSL text generated from it, and a cache of linked programs.
#pragma once

#include "gl_api.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace d3d9gl {

constexpr int kMaxStages = 8;
constexpr int kMaxLights = 8;
constexpr int kMaxTexCoords = 8;

// Vertex attribute locations of the generated vertex shader.
enum AttribLocation : GLuint {
  kAttrPosition = 0,
  kAttrNormal = 1,
  kAttrDiffuse = 2,
  kAttrSpecular = 3,
  kAttrTexCoord0 = 4,  // .. kAttrTexCoord0 + 7
  kAttrCount = 12,
};

struct FfpStage {
  std::uint8_t colorOp;      // D3DTOP; stages from the first DISABLE on are not in the key
  std::uint8_t colorArg[3];  // arg1, arg2, arg0 (D3DTA with modifiers); unused args are 0
  std::uint8_t alphaOp;
  std::uint8_t alphaArg[3];
  std::uint8_t resultTemp;  // 1: result goes to D3DTA_TEMP instead of CURRENT
  std::uint8_t texCoord;    // texture coordinate set read by this stage (0..7)
  std::uint8_t sampled;     // the stage reads its texture
  std::uint8_t pad;
};

// All fields are bytes, so the key has no padding and compares with memcmp.
struct FfpKey {
  std::uint8_t rhw;                        // pre-transformed vertices (never lit)
  std::uint8_t normal, diffuse, specular;  // vertex has these components
  std::uint8_t texCount;                   // texture coordinate sets in the vertex (0..8)
  std::uint8_t lighting;                   // D3DRS_LIGHTING and not rhw
  std::uint8_t numLights;                  // active lights (0..8)
  std::uint8_t localViewer, normalizeNormals;
  std::uint8_t diffuseSource, ambientSource, specularSource, emissiveSource;  // D3DMCS, resolved
  std::uint8_t specularEnable;                                                // D3DRS_SPECULARENABLE
  std::uint8_t flatShade;                                                     // D3DSHADE_FLAT
  std::uint8_t alphaFunc;              // D3DCMPFUNC of the alpha test, 0 = no test
  std::uint8_t stageCount;             // stages before the first colour DISABLE
  std::uint8_t lightType[kMaxLights];  // D3DLIGHTTYPE of active light i
  std::uint8_t wrap[kMaxTexCoords];    // D3DWRAP_U | D3DWRAP_V per coordinate set
  FfpStage stage[kMaxStages];

  bool operator==(const FfpKey& o) const;
};

struct FfpKeyHash {
  std::size_t operator()(const FfpKey& k) const;
};

// Groups of uniforms; a program remembers the generation of each group it last received.
enum UniformGroup { kGroupTransform, kGroupViewport, kGroupMaterial, kGroupLights, kGroupFragment, kGroupCount };

struct FfpProgram {
  GLuint program = 0;
  GLint worldView = -1, proj = -1, normalMat = -1, pixelOffset = -1, rhwXform = -1;
  GLint matDiffuse = -1, matAmbient = -1, matSpecular = -1, matEmissive = -1, matPower = -1;
  GLint globalAmbient = -1;
  GLint lightDiffuse = -1, lightSpecular = -1, lightAmbient = -1, lightPos = -1, lightDir = -1, lightAtten = -1,
        lightSpot = -1;
  GLint tfactor = -1, alphaRef = -1;
  std::uint64_t gen[kGroupCount] = {};
};

std::string GenerateVertexShader(const FfpKey& key);
std::string GenerateGeometryShader(const FfpKey& key);  // empty when no coordinate set wraps
std::string GenerateFragmentShader(const FfpKey& key);

// Owns the linked programs of one context. Get returns null (and writes the log to stderr once)
// when a program does not compile or link.
class FfpCache {
 public:
  FfpCache() = default;
  FfpCache(const FfpCache&) = delete;
  FfpCache& operator=(const FfpCache&) = delete;

  FfpProgram* Get(const Gl& gl, const FfpKey& key, bool* built);
  void Destroy(const Gl& gl);  // deletes every program; needs the context current
  void ForgetUniforms();       // every program receives all uniforms again
  std::size_t size() const { return programs_.size(); }

 private:
  std::unordered_map<FfpKey, FfpProgram, FfpKeyHash> programs_;
};

}  // namespace d3d9gl
