/* LD_PRELOAD library for bench/run: counts the heap allocations of a whole process (malloc, calloc,
   realloc, memalign, aligned_alloc, posix_memalign and the C++ operator new, which it replaces so
   that the caller is the code that asked) and writes "TOTAL PROGRAM" to the file named by
   KESTOR_ALLOC_LOG when the process ends. PROGRAM counts the calls made from the main executable
   itself (the saver with its statically linked libraries, the Direct3D 9 layer included); the
   rest come from shared libraries (Mesa, SDL, the C++ runtime's own internals).
   glibc only: the real functions are glibc's __libc_* entry points, so that nothing is looked up
   (and allocated) before counting starts. Counts are atomic: llvmpipe allocates on its threads. */
#define _GNU_SOURCE
#include <errno.h>
#include <link.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

extern void* __libc_malloc(size_t);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);
extern void* __libc_memalign(size_t, size_t);

static unsigned long long g_total, g_program;
static uintptr_t g_programStart, g_programEnd;  /* the main executable's loaded range */

static void Count(const void* caller) {
  __atomic_add_fetch(&g_total, 1, __ATOMIC_RELAXED);
  const uintptr_t a = (uintptr_t)caller;
  if (a >= g_programStart && a < g_programEnd) __atomic_add_fetch(&g_program, 1, __ATOMIC_RELAXED);
}

#define CALLER __builtin_return_address(0)

void* malloc(size_t n) {
  Count(CALLER);
  return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
  Count(CALLER);
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
  Count(CALLER);
  return __libc_realloc(p, n);
}
void* memalign(size_t alignment, size_t n) {
  Count(CALLER);
  return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n) {
  Count(CALLER);
  return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n) {
  Count(CALLER);
  void* p = __libc_memalign(alignment, n);
  if (!p && n) return ENOMEM;
  *out = p;
  return 0;
}

/* operator new(size_t), new[](size_t), their nothrow forms and the aligned forms. */
static void* New(size_t n, const void* caller) {
  Count(caller);
  void* p = __libc_malloc(n ? n : 1);
  if (!p) abort();
  return p;
}
static void* NewAligned(size_t n, size_t alignment, const void* caller) {
  Count(caller);
  void* p = __libc_memalign(alignment, n ? n : 1);
  if (!p) abort();
  return p;
}
void* _Znwm(size_t n) { return New(n, CALLER); }
void* _Znam(size_t n) { return New(n, CALLER); }
void* _ZnwmRKSt9nothrow_t(size_t n, const void* tag) { (void)tag; Count(CALLER); return __libc_malloc(n ? n : 1); }
void* _ZnamRKSt9nothrow_t(size_t n, const void* tag) { (void)tag; Count(CALLER); return __libc_malloc(n ? n : 1); }
void* _ZnwmSt11align_val_t(size_t n, size_t alignment) { return NewAligned(n, alignment, CALLER); }
void* _ZnamSt11align_val_t(size_t n, size_t alignment) { return NewAligned(n, alignment, CALLER); }

static int FindProgram(struct dl_phdr_info* info, size_t size, void* data) {
  (void)size;
  (void)data;
  /* The first object is the main executable. */
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)* ph = &info->dlpi_phdr[i];
    if (ph->p_type != PT_LOAD) continue;
    const uintptr_t start = info->dlpi_addr + ph->p_vaddr, end = start + ph->p_memsz;
    if (!g_programStart || start < g_programStart) g_programStart = start;
    if (end > g_programEnd) g_programEnd = end;
  }
  return 1;
}

__attribute__((constructor)) static void Start(void) { dl_iterate_phdr(FindProgram, NULL); }

__attribute__((destructor)) static void Report(void) {
  const char* path = getenv("KESTOR_ALLOC_LOG");
  if (!path) return;
  FILE* f = fopen(path, "w");
  if (!f) return;
  fprintf(f, "%llu %llu\n", __atomic_load_n(&g_total, __ATOMIC_RELAXED), __atomic_load_n(&g_program, __ATOMIC_RELAXED));
  fclose(f);
}
