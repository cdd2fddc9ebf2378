// Shared parts of the fuzzing harnesses: the entry point every harness defines, the halt hook that
// turns the program's orderly end into an exception the harness catches, a device component on
// the recording Direct3D 9 that lives for the whole run, and a check that aborts (a finding) when
// a property of a reader's result does not hold.
//
// Each harness is built twice: with clang's libFuzzer (KESTOR_FUZZ) for fuzzing, and with the
// project's compilers against replay_main.cpp, which feeds it the files of its corpus (CTest).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "dg/carad.h"
#include "dg/diagnostics.h"
#include "dg/window.h"
#include "support/d3d9_recording.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// What the halt hook throws: the program would have ended here (exit code 0).
struct Halted {};

[[noreturn]] inline void ThrowHalted() { throw Halted{}; }

// Every diagnostics switch on (halt included), lines to the null device so that formatting runs
// but nothing piles up (or to the file KESTOR_FUZZ_LOG names, to look at them); halts become
// Halted.
inline void ArmDiagnostics() {
  dg::SetHaltHook(&ThrowHalted);
  const char* log = std::getenv("KESTOR_FUZZ_LOG");
  dg::SetLogFilePathOverride(log && *log ? log : "/dev/null");
  dg::AssignDebugOption(dg::dgoHaltOnError | dg::dgoDebugMessage | dg::dgoDetailedLog);
}

// A finding: a property of a result that must hold did not.
#define FUZZ_CHECK(cond)                                                            \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

class FixedWindow : public dg::TDGWindow {
 public:
  HWND Handle() const override { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x5A10)); }
  int ClientWidth() const override { return 320; }
  int ClientHeight() const override { return 240; }
  int Width() const override { return 320; }
  int Height() const override { return 240; }
  int Left() const override { return 0; }
  int Top() const override { return 0; }
  void SetWindowPos(int, int, int, int) override {}
};

// A TDGCarad on a recording Direct3D, made on first use and kept for the whole run (the
// recorded calls are dropped before each input so that they do not pile up).
class Device {
 public:
  static Device& Get() {
    static Device* device = new Device();  // never freed: it outlives every input
    device->Clear();
    return *device;
  }
  dg::TDGCarad& Carad() { return *carad_; }
  d3d9rec::RecordingDirect3D& D3D() { return *d3d_; }

 private:
  Device() {
    d3d_ = new d3d9rec::RecordingDirect3D();
    Next() = d3d_;
    carad_ = std::make_unique<dg::TDGCarad>(window_, &Take);
    carad_->SetDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
    carad_->Initialize();
    if (!carad_->Device()) {
      std::fprintf(stderr, "no recording device\n");
      std::abort();
    }
  }
  void Clear() {
    d3d_->calls.clear();
    if (IDirect3DDevice9* d = carad_->Device()) static_cast<d3d9rec::RecordingDevice*>(d)->ClearCalls();
  }
  static IDirect3D9*& Next() {
    static IDirect3D9* next = nullptr;
    return next;
  }
  static IDirect3D9* WINAPI Take(UINT) {
    IDirect3D9* d3d = Next();
    Next() = nullptr;
    return d3d;
  }

  FixedWindow window_;
  d3d9rec::RecordingDirect3D* d3d_ = nullptr;  // owned by the component
  std::unique_ptr<dg::TDGCarad> carad_;
};

// Little-endian reads of a fuzzer input, zero past its end.
inline std::uint32_t Byte(const std::uint8_t* data, std::size_t size, std::size_t at) {
  return at < size ? data[at] : 0u;
}

}  // namespace fuzz
