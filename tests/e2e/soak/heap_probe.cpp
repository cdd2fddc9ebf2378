// A preload library for the Linux build: after every presented frame (SDL_GL_SwapWindow) it
// counts the frame, and every KESTOR_HEAP_EVERY frames (default 500) appends a line
// "FRAME IN_USE_BYTES MAPPED_BYTES" to the file KESTOR_HEAP_LOG. The figures are glibc's
// mallinfo2: bytes in use in the arenas and bytes in mmap'ed blocks, read at the same point
// of every frame, so that a steady run gives flat numbers. Not for sanitizer builds (their
// allocator is not glibc's).
#include <dlfcn.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>

struct SDL_Window;

namespace {

using SwapFn = void (*)(SDL_Window*);

SwapFn RealSwap() {
  static SwapFn real = reinterpret_cast<SwapFn>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
  return real;
}

long Every() {
  const char* v = std::getenv("KESTOR_HEAP_EVERY");
  const long n = v ? std::strtol(v, nullptr, 10) : 500;
  return n > 0 ? n : 500;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void SDL_GL_SwapWindow(SDL_Window* window) {
  static long frames = 0;
  static const long every = Every();
  if (SwapFn real = RealSwap()) real(window);
  if (++frames % every != 0) return;
  const char* path = std::getenv("KESTOR_HEAP_LOG");
  if (!path) return;
  const struct mallinfo2 m = mallinfo2();
  if (std::FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%ld %zu %zu\n", frames, m.uordblks, m.hblkhd);
    std::fclose(f);
  }
}
