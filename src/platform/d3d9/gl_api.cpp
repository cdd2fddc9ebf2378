#include "gl_api.h"

#include <SDL.h>

#include <cstring>

namespace d3d9gl {

bool Gl::Load(const char** missing) {
#define D3D9GL_LOAD(type, name)                                                 \
  name = reinterpret_cast<type>(SDL_GL_GetProcAddress("gl" #name));          \
  if (!name) {                                                                  \
    if (missing) *missing = "gl" #name;                                         \
    return false;                                                               \
  }
  D3D9GL_GL_FUNCTIONS(D3D9GL_LOAD)
#undef D3D9GL_LOAD

  GLint major = 0, minor = 0, count = 0;
  GetIntegerv(GL_MAJOR_VERSION, &major);
  GetIntegerv(GL_MINOR_VERSION, &minor);
  GetIntegerv(GL_NUM_EXTENSIONS, &count);
  hasMirrorClamp = major > 4 || (major == 4 && minor >= 4);
  for (GLint i = 0; i < count; ++i) {
    const char* ext = reinterpret_cast<const char*>(GetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
    if (!ext) continue;
    if (std::strcmp(ext, "GL_EXT_texture_compression_s3tc") == 0) hasS3tc = true;
    if (std::strcmp(ext, "GL_ARB_texture_mirror_clamp_to_edge") == 0 ||
        std::strcmp(ext, "GL_EXT_texture_mirror_clamp") == 0)
      hasMirrorClamp = true;
  }
  GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  return true;
}

}  // namespace d3d9gl
