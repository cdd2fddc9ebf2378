// The CPU part of a saver frame: the real car scene (scene::CarScene, its frame loop with the title
// or overlay quads, the display or driving step, the scene's traversal, culling, the three queues,
// sorting and the queues' state filtering) on a null Direct3D device that accepts every call of a
// frame and draws nothing. The data set is the native build's (KESTOR_DATA_DIR), the settings the
// stored defaults but for mode and overlay; the screen is 1280 x 720 and the virtual clock advances
// 50 ms per frame, as in bench/run's timed runs of the real program.
//
// Counters per frame: heap allocations (a counting operator new in this program), draw calls and
// state calls (render, texture-stage and sampler states, textures, transforms, material, lights)
// that reach the device.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "fakes/platform_fakes.h"
#include "platform/app.h"
#include "scene/car_scene.h"
#include "shell/settings.h"
#include "shell/ssform.h"
#include "support/alloc_counter.h"
#include "support/d3d9_null.h"

namespace {

using d3d9rec::NullDevice;
using d3d9rec::NullDirect3D;

NullDirect3D* g_direct3D = nullptr;
IDirect3D9* WINAPI MakeNullDirect3D(UINT) {
  g_direct3D = new NullDirect3D();
  return g_direct3D;
}

constexpr int kWidth = 1280, kHeight = 720;

// One saver run on the null device, advanced to `startFrame` before the timing starts.
struct Run {
  fakes::System system;
  fakes::Form form;
  scene::FrameHooks hooks;
  std::unique_ptr<scene::CarScene> car;
  NullDevice* device = nullptr;
  std::uint32_t frame = 0;

  Run(std::int32_t mode, bool overlay) {
    form.SetBounds(0, 0, kWidth, kHeight);
    system.screen = {kWidth, kHeight};
    system.UseVirtualClock(0, 50);
    shell::StoredSettings stored;
    stored.mode = mode;
    stored.textOut = overlay ? 1 : 2;
    stored.column = 5;
    const shell::RunSettings run = shell::DeriveRunSettings(stored, false);
    car = std::make_unique<scene::CarScene>(form, system, &MakeNullDirect3D);
    car->SetUp(shell::SetupInputFrom(run, false, false, KESTOR_DATA_DIR "/"));
    device = g_direct3D->device;
  }
  void Frame() {
    car->Idle(hooks);
    system.EndIdleCall();
    ++frame;
  }
  void Advance(std::uint32_t to) {
    while (frame < to) {
      Frame();
      device->ClearCalls();
    }
  }
};

void Measure(benchmark::State& state, Run& run) {
  const long allocations = alloccount::Count(), draws = run.device->draws, states = run.device->states;
  long frames = 0;
  for (auto _ : state) {
    run.Frame();
    if ((++frames & 255) == 0) {
      state.PauseTiming();
      run.device->ClearCalls();  // what the resources recorded (the overlay's texture locks)
      state.ResumeTiming();
    }
  }
  const auto per = [&](long n) { return benchmark::Counter(static_cast<double>(n) / static_cast<double>(frames)); };
  state.counters["allocs"] = per(alloccount::Count() - allocations);
  state.counters["draws"] = per(run.device->draws - draws);
  state.counters["states"] = per(run.device->states - states);
}

// Display mode after the title: the car turning on its turntable.
void BM_Display(benchmark::State& state) {
  Run run(0, false);
  run.Advance(150);
  Measure(state, run);
}

// The skeleton view (key S at frame 121; it falls back after 600 frames).
void BM_Skeleton(benchmark::State& state) {
  Run run(0, false);
  run.Advance(120);
  run.car->FormKeyDown('S');
  run.Advance(150);
  Measure(state, run);
}

// Driving by day: frames 150.. of the first three passes, 80 billboards a frame, sorted.
void BM_DrivingDay(benchmark::State& state) {
  Run run(1, false);
  run.Advance(150);
  Measure(state, run);
}

// Driving at night: frames 1350.. (the fourth pass).
void BM_DrivingNight(benchmark::State& state) {
  Run run(1, false);
  run.Advance(1350);
  Measure(state, run);
}

// Display mode with the overlay typing five-line blocks of kestor.txt (text writer, glyph cache,
// a new line texture per typed character, the 10-second holds between blocks).
void BM_OverlayTyping(benchmark::State& state) {
  Run run(0, true);
  run.Advance(101);
  Measure(state, run);
}

}  // namespace

// Fixed frame counts keep each scene inside its phase (skeleton 600 frames, day until 1335).
BENCHMARK(BM_Display)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(BM_Skeleton)->Unit(benchmark::kMicrosecond)->Iterations(500);
BENCHMARK(BM_DrivingDay)->Unit(benchmark::kMicrosecond)->Iterations(1100);
BENCHMARK(BM_DrivingNight)->Unit(benchmark::kMicrosecond)->Iterations(1300);
BENCHMARK(BM_OverlayTyping)->Unit(benchmark::kMicrosecond)->Iterations(2000);

BENCHMARK_MAIN();
