#include "ffp.h"

#include <d3d9.h>

#include <cstdio>
#include <cstring>

namespace d3d9gl {

bool FfpKey::operator==(const FfpKey& o) const { return std::memcmp(this, &o, sizeof(FfpKey)) == 0; }

std::size_t FfpKeyHash::operator()(const FfpKey& k) const {
  // FNV-1a over the key's bytes.
  const auto* p = reinterpret_cast<const unsigned char*>(&k);
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < sizeof(FfpKey); ++i) {
    h ^= p[i];
    h *= 1099511628211ull;
  }
  return static_cast<std::size_t>(h);
}

namespace {

std::string Num(int i) { return std::to_string(i); }

// Colour source expression for the lighting equation.
std::string Source(std::uint8_t source, const char* materialUniform) {
  if (source == D3DMCS_COLOR1) return "aDiffuse";
  if (source == D3DMCS_COLOR2) return "aSpecular";
  return materialUniform;
}

bool AnyWrap(const FfpKey& key) {
  for (int i = 0; i < key.texCount; ++i)
    if (key.wrap[i]) return true;
  return false;
}

void LightCode(std::string& s, const FfpKey& key, int i) {
  const std::string n = Num(i);
  const int type = key.lightType[i];
  s += "  {\n    vec3 L; float att = 1.0;\n";
  if (type == D3DLIGHT_DIRECTIONAL) {
    s += "    L = -uLightDir[" + n + "].xyz;\n";
  } else {
    s += "    vec3 d = uLightPos[" + n +
         "].xyz - P; float dist = length(d);\n"
         "    L = d / max(dist, 1e-20);\n"
         "    vec4 a = uLightAtten[" +
         n +
         "];\n"
         "    att = dist > a.w ? 0.0 : 1.0 / max(a.x + a.y * dist + a.z * dist * dist, 1e-20);\n";
    if (type == D3DLIGHT_SPOT) {
      s += "    vec4 sp = uLightSpot[" + n +
           "];\n"
           "    float rho = dot(-L, uLightDir[" +
           n +
           "].xyz);\n"
           "    float f = rho > sp.x ? 1.0 : (rho <= sp.y ? 0.0 :\n"
           "        pow(max((rho - sp.y) / max(sp.x - sp.y, 1e-6), 0.0), sp.z));\n"
           "    att *= f;\n";
    }
  }
  s += "    amb += uLightAmbient[" + n +
       "].rgb * att;\n"
       "    float nl = dot(N, L);\n"
       "    if (nl > 0.0) {\n"
       "      dif += uLightDiffuse[" +
       n + "].rgb * (nl * att);\n";
  if (key.specularEnable) {
    s += "      vec3 H = normalize(L + V);\n"
         "      float nh = max(dot(N, H), 0.0);\n"
         "      spec += uLightSpecular[" +
         n + "].rgb * (att * (uMatPower == 0.0 ? 1.0 : pow(nh, uMatPower)));\n";
  }
  s += "    }\n  }\n";
}

// Varying declarations shared by the three stages; prefix "v" reaches the fragment shader.
void Varyings(std::string& s, const FfpKey& key, const char* dir, const char* prefix, const char* array) {
  const char* q = key.flatShade ? "flat " : "";
  s += std::string(q) + dir + " vec4 " + prefix + "Diffuse" + array + ";\n";
  s += std::string(q) + dir + " vec4 " + prefix + "Specular" + array + ";\n";
  for (int i = 0; i < key.texCount; ++i) s += std::string(dir) + " vec4 " + prefix + "Tex" + Num(i) + array + ";\n";
}

}  // namespace

std::string GenerateVertexShader(const FfpKey& key) {
  const char* out = AnyWrap(key) ? "g" : "v";
  const std::string o = out;
  std::string s = "#version 330 core\n";
  s += "layout(location = 0) in vec4 aPos;\n";
  if (key.normal) s += "layout(location = 1) in vec3 aNormal;\n";
  if (key.diffuse) s += "layout(location = 2) in vec4 aDiffuse;\n";
  if (key.specular) s += "layout(location = 3) in vec4 aSpecular;\n";
  for (int i = 0; i < key.texCount; ++i)
    s += "layout(location = " + Num(kAttrTexCoord0 + i) + ") in vec4 aTex" + Num(i) + ";\n";
  Varyings(s, key, "out", out, "");
  if (key.rhw) {
    s += "uniform vec4 uRhwXform;\n";
  } else {
    s += "uniform mat4 uWorldView;\nuniform mat4 uProj;\nuniform vec2 uPixelOffset;\n";
  }
  if (key.lighting) {
    s += "uniform mat3 uNormalMat;\n"
         "uniform vec4 uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive;\n"
         "uniform float uMatPower;\nuniform vec4 uGlobalAmbient;\n";
    if (key.numLights) {
      s += "uniform vec4 uLightDiffuse[8], uLightSpecular[8], uLightAmbient[8];\n"
           "uniform vec4 uLightPos[8], uLightDir[8], uLightAtten[8], uLightSpot[8];\n";
    }
  }
  s += "void main() {\n";
  if (key.rhw) {
    // Screen position (Direct3D pixel centres at integers) to clip space; w = 1/rhw keeps the
    // interpolation perspective-correct.
    s += "  float w = aPos.w != 0.0 ? 1.0 / aPos.w : 1.0;\n"
         "  vec2 ndc = aPos.xy * uRhwXform.xy + uRhwXform.zw;\n"
         "  gl_Position = vec4(ndc * w, (2.0 * aPos.z - 1.0) * w, w);\n";
  } else {
    // Row vectors: the matrices arrive transposed, so M * v is Direct3D's v * M. y flips to store
    // the top row first; the half-pixel offset moves GL's pixel centres onto Direct3D's; z goes
    // from [0, w] to [-w, w].
    s += "  vec4 pv = uWorldView * vec4(aPos.xyz, 1.0);\n"
         "  vec4 c = uProj * pv;\n"
         "  c.y = -c.y;\n"
         "  c.xy += uPixelOffset * c.w;\n"
         "  c.z = 2.0 * c.z - c.w;\n"
         "  gl_Position = c;\n";
  }
  if (key.lighting) {
    s += "  vec3 P = pv.xyz;\n";
    s += key.normal ? "  vec3 N = uNormalMat * aNormal;\n" : "  vec3 N = vec3(0.0);\n";
    if (key.normalizeNormals) s += "  if (dot(N, N) > 0.0) N = normalize(N);\n";
    s += key.localViewer ? "  vec3 V = -P; V = dot(V, V) > 0.0 ? normalize(V) : vec3(0.0, 0.0, -1.0);\n"
                         : "  vec3 V = vec3(0.0, 0.0, -1.0);\n";
    s += "  vec3 amb = vec3(0.0), dif = vec3(0.0), spec = vec3(0.0);\n";
    for (int i = 0; i < key.numLights; ++i) LightCode(s, key, i);
    s += "  vec4 Md = " + Source(key.diffuseSource, "uMatDiffuse") + ";\n";
    s += "  vec4 Ma = " + Source(key.ambientSource, "uMatAmbient") + ";\n";
    s += "  vec4 Ms = " + Source(key.specularSource, "uMatSpecular") + ";\n";
    s += "  vec4 Me = " + Source(key.emissiveSource, "uMatEmissive") + ";\n";
    s += "  " + o +
         "Diffuse = vec4(clamp(Me.rgb + Ma.rgb * (uGlobalAmbient.rgb + amb) + Md.rgb * dif, 0.0, 1.0),"
         " clamp(Md.a, 0.0, 1.0));\n";
    s += "  " + o + "Specular = " + (key.specularEnable ? "vec4(clamp(Ms.rgb * spec, 0.0, 1.0), Ms.a)" : "vec4(0.0)") +
         ";\n";
  } else {
    s += "  " + o + "Diffuse = " + (key.diffuse ? "aDiffuse" : "vec4(1.0)") + ";\n";
    s += "  " + o + "Specular = " + (key.specular ? "aSpecular" : "vec4(0.0)") + ";\n";
  }
  for (int i = 0; i < key.texCount; ++i) s += "  " + o + "Tex" + Num(i) + " = aTex" + Num(i) + ";\n";
  s += "}\n";
  return s;
}

std::string GenerateGeometryShader(const FfpKey& key) {
  if (!AnyWrap(key)) return std::string();
  std::string s = "#version 330 core\nlayout(triangles) in;\nlayout(triangle_strip, max_vertices = 3) out;\n";
  Varyings(s, key, "in", "g", "[]");
  Varyings(s, key, "out", "v", "");
  // Wrapped coordinates take the shorter way round: each vertex moves by whole units to lie
  // within half a unit of the first vertex.
  s += "vec4 Wrap(vec4 t, vec4 r, vec2 m) { t.xy -= m * round(t.xy - r.xy); return t; }\n";
  s += "void main() {\n  for (int i = 0; i < 3; ++i) {\n    gl_Position = gl_in[i].gl_Position;\n"
       "    vDiffuse = gDiffuse[i];\n    vSpecular = gSpecular[i];\n";
  for (int i = 0; i < key.texCount; ++i) {
    const std::string n = Num(i);
    if (key.wrap[i]) {
      const char* mu = (key.wrap[i] & D3DWRAP_U) ? "1.0" : "0.0";
      const char* mv = (key.wrap[i] & D3DWRAP_V) ? "1.0" : "0.0";
      s += "    vTex" + n + " = Wrap(gTex" + n + "[i], gTex" + n + "[0], vec2(" + mu + ", " + mv + "));\n";
    } else {
      s += "    vTex" + n + " = gTex" + n + "[i];\n";
    }
  }
  s += "    EmitVertex();\n  }\n  EndPrimitive();\n}\n";
  return s;
}

namespace {

// Full vec4 expression of a stage argument with its modifiers.
std::string Arg(std::uint8_t arg, int stage) {
  std::string base;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: base = "diffuse"; break;
    case D3DTA_CURRENT: base = "current"; break;
    case D3DTA_TEXTURE: base = "tex" + Num(stage); break;
    case D3DTA_TFACTOR: base = "uTFactor"; break;
    case D3DTA_SPECULAR: base = "specular"; break;
    case D3DTA_TEMP: base = "temp"; break;
    default: base = "vec4(0.0)"; break;  // per-stage constants are not supported
  }
  if (arg & D3DTA_ALPHAREPLICATE) base = base + ".aaaa";
  if (arg & D3DTA_COMPLEMENT) base = "(vec4(1.0) - " + base + ")";
  return base;
}

// Expression of one operation on channel c (".rgb" or ".a").
std::string Op(std::uint8_t op, const std::uint8_t args[3], int stage, const char* c) {
  const std::string a1 = "(" + Arg(args[0], stage) + ")" + c;
  const std::string a2 = "(" + Arg(args[1], stage) + ")" + c;
  const std::string a0 = "(" + Arg(args[2], stage) + ")" + c;
  const std::string a1a = "(" + Arg(args[0], stage) + ").a";
  const std::string t = "tex" + Num(stage);
  switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return a1 + " * " + a2;
    case D3DTOP_MODULATE2X: return a1 + " * " + a2 + " * 2.0";
    case D3DTOP_MODULATE4X: return a1 + " * " + a2 + " * 4.0";
    case D3DTOP_ADD: return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED: return a1 + " + " + a2 + " - 0.5";
    case D3DTOP_ADDSIGNED2X: return "(" + a1 + " + " + a2 + " - 0.5) * 2.0";
    case D3DTOP_SUBTRACT: return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH: return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + a2 + ", " + a1 + ", " + t + ".a)";
    case D3DTOP_BLENDFACTORALPHA: return "mix(" + a2 + ", " + a1 + ", uTFactor.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM: return a1 + " + " + a2 + " * (1.0 - " + t + ".a)";
    case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", current.a)";
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return a1 + " + " + a1a + " * " + a2;
    case D3DTOP_MODULATECOLOR_ADDALPHA: return a1 + " * " + a2 + " + " + a1a;
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return "(1.0 - " + a1a + ") * " + a2 + " + " + a1;
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return "(1.0 - " + a1 + ") * " + a2 + " + " + a1a;
    case D3DTOP_DOTPRODUCT3: {
      const std::string d =
          "4.0 * dot((" + Arg(args[0], stage) + ").rgb - 0.5, (" + Arg(args[1], stage) + ").rgb - 0.5)";
      return std::string(c) == ".a" ? d : "vec3(" + d + ")";
    }
    case D3DTOP_MULTIPLYADD: return a0 + " + " + a1 + " * " + a2;
    case D3DTOP_LERP: return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    default: return std::string("current") + c;  // bump mapping and the rest: pass through
  }
}

const char* Compare(std::uint8_t func) {
  switch (func) {
    case D3DCMP_NEVER: return nullptr;
    case D3DCMP_LESS: return "<";
    case D3DCMP_EQUAL: return "==";
    case D3DCMP_LESSEQUAL: return "<=";
    case D3DCMP_GREATER: return ">";
    case D3DCMP_NOTEQUAL: return "!=";
    case D3DCMP_GREATEREQUAL: return ">=";
    default: return "";
  }
}

}  // namespace

std::string GenerateFragmentShader(const FfpKey& key) {
  std::string s = "#version 330 core\n";
  Varyings(s, key, "in", "v", "");
  for (int i = 0; i < key.stageCount; ++i)
    if (key.stage[i].sampled) s += "uniform sampler2D uTex" + Num(i) + ";\n";
  s += "uniform vec4 uTFactor;\nuniform float uAlphaRef;\nout vec4 fragColor;\n";
  s += "void main() {\n  vec4 diffuse = vDiffuse;\n  vec4 specular = vSpecular;\n"
       "  vec4 current = diffuse;\n  vec4 temp = vec4(0.0);\n  vec4 r;\n";
  for (int i = 0; i < key.stageCount; ++i) {
    const FfpStage& st = key.stage[i];
    const std::string n = Num(i);
    if (st.sampled) {
      const std::string coord = st.texCoord < key.texCount ? "vTex" + Num(st.texCoord) + ".xy" : "vec2(0.0)";
      s += "  vec4 tex" + n + " = texture(uTex" + n + ", " + coord + ");\n";
    }
    s += "  r.rgb = " + Op(st.colorOp, st.colorArg, i, ".rgb") + ";\n";
    if (st.colorOp == D3DTOP_DOTPRODUCT3)
      s += "  r.a = r.r;\n";
    else if (st.alphaOp == D3DTOP_DISABLE)
      s += "  r.a = current.a;\n";
    else
      s += "  r.a = " + Op(st.alphaOp, st.alphaArg, i, ".a") + ";\n";
    s += std::string("  ") + (st.resultTemp ? "temp" : "current") + " = clamp(r, 0.0, 1.0);\n";
  }
  if (key.specularEnable) s += "  current.rgb = min(current.rgb + specular.rgb, vec3(1.0));\n";
  if (key.alphaFunc) {
    // The test compares the 8-bit alpha with D3DRS_ALPHAREF.
    const char* cmp = Compare(key.alphaFunc);
    if (!cmp)
      s += "  discard;\n";
    else if (*cmp)
      s += std::string("  if (!(floor(clamp(current.a, 0.0, 1.0) * 255.0 + 0.5) ") + cmp + " uAlphaRef)) discard;\n";
  }
  s += "  fragColor = current;\n}\n";
  return s;
}

namespace {

GLuint Compile(const Gl& gl, GLenum type, const std::string& text) {
  const GLuint sh = gl.CreateShader(type);
  const char* src = text.c_str();
  gl.ShaderSource(sh, 1, &src, nullptr);
  gl.CompileShader(sh);
  GLint ok = 0;
  gl.GetShaderiv(sh, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[2048] = {};
    gl.GetShaderInfoLog(sh, sizeof log, nullptr, log);
    std::fprintf(stderr, "d3d9gl: shader does not compile: %s\n%s\n", log, src);
    gl.DeleteShader(sh);
    return 0;
  }
  return sh;
}

}  // namespace

FfpProgram* FfpCache::Get(const Gl& gl, const FfpKey& key, bool* built) {
  *built = false;
  auto it = programs_.find(key);
  if (it != programs_.end()) return it->second.program ? &it->second : nullptr;

  FfpProgram p;
  const GLuint vs = Compile(gl, GL_VERTEX_SHADER, GenerateVertexShader(key));
  const std::string gsText = GenerateGeometryShader(key);
  const GLuint gs = gsText.empty() ? 0 : Compile(gl, GL_GEOMETRY_SHADER, gsText);
  const GLuint fs = Compile(gl, GL_FRAGMENT_SHADER, GenerateFragmentShader(key));
  if (vs && fs && (gsText.empty() || gs)) {
    p.program = gl.CreateProgram();
    gl.AttachShader(p.program, vs);
    if (gs) gl.AttachShader(p.program, gs);
    gl.AttachShader(p.program, fs);
    gl.LinkProgram(p.program);
    GLint ok = 0;
    gl.GetProgramiv(p.program, GL_LINK_STATUS, &ok);
    if (!ok) {
      char log[2048] = {};
      gl.GetProgramInfoLog(p.program, sizeof log, nullptr, log);
      std::fprintf(stderr, "d3d9gl: program does not link: %s\n", log);
      gl.DeleteProgram(p.program);
      p.program = 0;
    }
  }
  if (vs) gl.DeleteShader(vs);
  if (gs) gl.DeleteShader(gs);
  if (fs) gl.DeleteShader(fs);

  if (p.program) {
    const GLuint g = p.program;
    p.worldView = gl.GetUniformLocation(g, "uWorldView");
    p.proj = gl.GetUniformLocation(g, "uProj");
    p.normalMat = gl.GetUniformLocation(g, "uNormalMat");
    p.pixelOffset = gl.GetUniformLocation(g, "uPixelOffset");
    p.rhwXform = gl.GetUniformLocation(g, "uRhwXform");
    p.matDiffuse = gl.GetUniformLocation(g, "uMatDiffuse");
    p.matAmbient = gl.GetUniformLocation(g, "uMatAmbient");
    p.matSpecular = gl.GetUniformLocation(g, "uMatSpecular");
    p.matEmissive = gl.GetUniformLocation(g, "uMatEmissive");
    p.matPower = gl.GetUniformLocation(g, "uMatPower");
    p.globalAmbient = gl.GetUniformLocation(g, "uGlobalAmbient");
    p.lightDiffuse = gl.GetUniformLocation(g, "uLightDiffuse");
    p.lightSpecular = gl.GetUniformLocation(g, "uLightSpecular");
    p.lightAmbient = gl.GetUniformLocation(g, "uLightAmbient");
    p.lightPos = gl.GetUniformLocation(g, "uLightPos");
    p.lightDir = gl.GetUniformLocation(g, "uLightDir");
    p.lightAtten = gl.GetUniformLocation(g, "uLightAtten");
    p.lightSpot = gl.GetUniformLocation(g, "uLightSpot");
    p.tfactor = gl.GetUniformLocation(g, "uTFactor");
    p.alphaRef = gl.GetUniformLocation(g, "uAlphaRef");
    gl.UseProgram(g);
    for (int i = 0; i < key.stageCount; ++i) {
      const std::string name = "uTex" + std::to_string(i);
      const GLint loc = gl.GetUniformLocation(g, name.c_str());
      if (loc >= 0) gl.Uniform1i(loc, i);
    }
    *built = true;
  }
  // A failed key is remembered too, so a broken program is reported once, not per draw.
  auto res = programs_.emplace(key, p);
  return res.first->second.program ? &res.first->second : nullptr;
}

void FfpCache::ForgetUniforms() {
  for (auto& kv : programs_)
    for (std::uint64_t& g : kv.second.gen) g = 0;
}

void FfpCache::Destroy(const Gl& gl) {
  for (auto& kv : programs_)
    if (kv.second.program) gl.DeleteProgram(kv.second.program);
  programs_.clear();
}

}  // namespace d3d9gl
