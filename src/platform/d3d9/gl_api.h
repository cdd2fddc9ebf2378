// OpenGL 3.3 core entry points used by the Direct3D 9 layer, loaded through SDL_GL_GetProcAddress
// once a context is current. One table per device; the pointers are valid for that context.
#pragma once

#include <SDL.h>
#include <GL/glcorearb.h>

namespace d3d9gl {

#define D3D9GL_GL_FUNCTIONS(X)                                   \
  X(PFNGLACTIVETEXTUREPROC, ActiveTexture)                       \
  X(PFNGLATTACHSHADERPROC, AttachShader)                         \
  X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation)             \
  X(PFNGLBINDBUFFERPROC, BindBuffer)                             \
  X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)                   \
  X(PFNGLBINDRENDERBUFFERPROC, BindRenderbuffer)                 \
  X(PFNGLBINDSAMPLERPROC, BindSampler)                           \
  X(PFNGLBINDTEXTUREPROC, BindTexture)                           \
  X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                   \
  X(PFNGLBINDFRAGDATALOCATIONPROC, BindFragDataLocation)         \
  X(PFNGLBLENDCOLORPROC, BlendColor)                             \
  X(PFNGLBLENDEQUATIONSEPARATEPROC, BlendEquationSeparate)       \
  X(PFNGLBLENDFUNCSEPARATEPROC, BlendFuncSeparate)               \
  X(PFNGLBLITFRAMEBUFFERPROC, BlitFramebuffer)                   \
  X(PFNGLBUFFERDATAPROC, BufferData)                             \
  X(PFNGLBUFFERSUBDATAPROC, BufferSubData)                       \
  X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus)     \
  X(PFNGLCLEARPROC, Clear)                                       \
  X(PFNGLCLEARCOLORPROC, ClearColor)                             \
  X(PFNGLCLEARDEPTHPROC, ClearDepth)                             \
  X(PFNGLCLEARSTENCILPROC, ClearStencil)                         \
  X(PFNGLCOLORMASKPROC, ColorMask)                               \
  X(PFNGLCOMPILESHADERPROC, CompileShader)                       \
  X(PFNGLCOMPRESSEDTEXIMAGE2DPROC, CompressedTexImage2D)         \
  X(PFNGLCOMPRESSEDTEXSUBIMAGE2DPROC, CompressedTexSubImage2D)   \
  X(PFNGLCREATEPROGRAMPROC, CreateProgram)                       \
  X(PFNGLCREATESHADERPROC, CreateShader)                         \
  X(PFNGLCULLFACEPROC, CullFace)                                 \
  X(PFNGLDELETEBUFFERSPROC, DeleteBuffers)                       \
  X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)             \
  X(PFNGLDELETEPROGRAMPROC, DeleteProgram)                       \
  X(PFNGLDELETERENDERBUFFERSPROC, DeleteRenderbuffers)           \
  X(PFNGLDELETESAMPLERSPROC, DeleteSamplers)                     \
  X(PFNGLDELETESHADERPROC, DeleteShader)                         \
  X(PFNGLDELETETEXTURESPROC, DeleteTextures)                     \
  X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays)             \
  X(PFNGLDEPTHFUNCPROC, DepthFunc)                               \
  X(PFNGLDEPTHMASKPROC, DepthMask)                               \
  X(PFNGLDEPTHRANGEPROC, DepthRange)                             \
  X(PFNGLDISABLEPROC, Disable)                                   \
  X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, DisableVertexAttribArray) \
  X(PFNGLDRAWARRAYSPROC, DrawArrays)                             \
  X(PFNGLDRAWBUFFERPROC, DrawBuffer)                             \
  X(PFNGLDRAWELEMENTSBASEVERTEXPROC, DrawElementsBaseVertex)     \
  X(PFNGLENABLEPROC, Enable)                                     \
  X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray)   \
  X(PFNGLFINISHPROC, Finish)                                     \
  X(PFNGLFLUSHPROC, Flush)                                       \
  X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, FramebufferRenderbuffer)   \
  X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D)         \
  X(PFNGLFRONTFACEPROC, FrontFace)                               \
  X(PFNGLGENBUFFERSPROC, GenBuffers)                             \
  X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers)                   \
  X(PFNGLGENRENDERBUFFERSPROC, GenRenderbuffers)                 \
  X(PFNGLGENSAMPLERSPROC, GenSamplers)                           \
  X(PFNGLGENTEXTURESPROC, GenTextures)                           \
  X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays)                   \
  X(PFNGLGETERRORPROC, GetError)                                 \
  X(PFNGLGETINTEGERVPROC, GetIntegerv)                           \
  X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)               \
  X(PFNGLGETPROGRAMIVPROC, GetProgramiv)                         \
  X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog)                 \
  X(PFNGLGETSHADERIVPROC, GetShaderiv)                           \
  X(PFNGLGETSTRINGPROC, GetString)                               \
  X(PFNGLGETSTRINGIPROC, GetStringi)                             \
  X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)             \
  X(PFNGLLINKPROGRAMPROC, LinkProgram)                           \
  X(PFNGLMAPBUFFERRANGEPROC, MapBufferRange)                     \
  X(PFNGLPIXELSTOREIPROC, PixelStorei)                           \
  X(PFNGLPOINTSIZEPROC, PointSize)                               \
  X(PFNGLPOLYGONMODEPROC, PolygonMode)                           \
  X(PFNGLPROVOKINGVERTEXPROC, ProvokingVertex)                   \
  X(PFNGLREADBUFFERPROC, ReadBuffer)                             \
  X(PFNGLREADPIXELSPROC, ReadPixels)                             \
  X(PFNGLRENDERBUFFERSTORAGEPROC, RenderbufferStorage)           \
  X(PFNGLSAMPLERPARAMETERFPROC, SamplerParameterf)               \
  X(PFNGLSAMPLERPARAMETERFVPROC, SamplerParameterfv)             \
  X(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri)               \
  X(PFNGLSCISSORPROC, Scissor)                                   \
  X(PFNGLSHADERSOURCEPROC, ShaderSource)                         \
  X(PFNGLSTENCILFUNCPROC, StencilFunc)                           \
  X(PFNGLSTENCILMASKPROC, StencilMask)                           \
  X(PFNGLSTENCILOPPROC, StencilOp)                               \
  X(PFNGLTEXIMAGE2DPROC, TexImage2D)                             \
  X(PFNGLTEXPARAMETERIPROC, TexParameteri)                       \
  X(PFNGLTEXPARAMETERIVPROC, TexParameteriv)                     \
  X(PFNGLTEXSUBIMAGE2DPROC, TexSubImage2D)                       \
  X(PFNGLUNIFORM1FPROC, Uniform1f)                               \
  X(PFNGLUNIFORM1IPROC, Uniform1i)                               \
  X(PFNGLUNIFORM2FPROC, Uniform2f)                               \
  X(PFNGLUNIFORM3FVPROC, Uniform3fv)                             \
  X(PFNGLUNIFORM4FPROC, Uniform4f)                               \
  X(PFNGLUNIFORM4FVPROC, Uniform4fv)                             \
  X(PFNGLUNIFORMMATRIX3FVPROC, UniformMatrix3fv)                 \
  X(PFNGLUNIFORMMATRIX4FVPROC, UniformMatrix4fv)                 \
  X(PFNGLUNMAPBUFFERPROC, UnmapBuffer)                           \
  X(PFNGLUSEPROGRAMPROC, UseProgram)                             \
  X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer)           \
  X(PFNGLVIEWPORTPROC, Viewport)

struct Gl {
#define D3D9GL_DECLARE(type, name) type name = nullptr;
  D3D9GL_GL_FUNCTIONS(D3D9GL_DECLARE)
#undef D3D9GL_DECLARE

  bool hasS3tc = false;           // GL_EXT_texture_compression_s3tc
  bool hasMirrorClamp = false;    // GL 4.4 or ARB/EXT texture_mirror_clamp_to_edge
  GLint maxTextureSize = 0;       // GL_MAX_TEXTURE_SIZE: the widest and tallest texture
  GLint maxRenderbufferSize = 0;  // GL_MAX_RENDERBUFFER_SIZE: the depth buffers
  GLint maxViewport[2] = {0, 0};  // GL_MAX_VIEWPORT_DIMS

  // Loads every entry point and the few limits; false (with the missing name in *missing) when
  // an entry point is absent. Needs a current context.
  bool Load(const char** missing);
};

// An OpenGL 3.3 core context on `window`, or null (SDL_GetError says why); SDL's context
// attributes are put back afterwards. The libraries loaded by then (the GL driver among them) stay
// loaded for the rest of the process, so that later contexts do not load the driver again.
SDL_GLContext CreateCoreContext(SDL_Window* window);

// GL_MAX_TEXTURE_SIZE of the contexts CreateCoreContext gives, asked of one on a hidden window
// of its own, before any device exists; 0 when there is no such context. The context current
// before the call is current again afterwards.
GLint ProbeMaxTextureSize();

}  // namespace d3d9gl
