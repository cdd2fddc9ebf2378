#include "gl_api.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>

namespace d3d9gl {

namespace {

int PinModule(struct dl_phdr_info* info, std::size_t, void*) {
  if (info->dlpi_name && *info->dlpi_name) dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  return 0;
}

}  // namespace

SDL_GLContext CreateCoreContext(SDL_Window* window) {
  int oldMajor = 0, oldMinor = 0, oldProfile = 0, oldDouble = 0;
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &oldMajor);
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, &oldMinor);
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &oldProfile);
  SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &oldDouble);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, oldMajor);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, oldMinor);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, oldProfile);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, oldDouble);
  if (context) dl_iterate_phdr(PinModule, nullptr);
  return context;
}

GLint ProbeMaxTextureSize() {
  SDL_Window* oldWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext oldContext = SDL_GL_GetCurrentContext();
  SDL_Window* window = SDL_CreateWindow("d3d9gl", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return 0;
  GLint size = 0;
  if (SDL_GLContext context = CreateCoreContext(window)) {
    if (SDL_GL_MakeCurrent(window, context) == 0) {
      if (auto get = reinterpret_cast<PFNGLGETINTEGERVPROC>(SDL_GL_GetProcAddress("glGetIntegerv")))
        get(GL_MAX_TEXTURE_SIZE, &size);
    }
    SDL_GL_MakeCurrent(oldWindow, oldContext);
    SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(window);
  return size;
}

bool Gl::Load(const char** missing) {
#define D3D9GL_LOAD(type, name)                                     \
  name = reinterpret_cast<type>(SDL_GL_GetProcAddress("gl" #name)); \
  if (!name) {                                                      \
    if (missing) *missing = "gl" #name;                             \
    return false;                                                   \
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
  GetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbufferSize);
  GetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
  return true;
}

}  // namespace d3d9gl
