// TSXStateRestorer: a holder of saved device states, one per scene. It records the render states
// and the texture-stage states of the eight stages that were saved since the last Reset, each once
// (the first value saved wins), and can send them back. The scene creates it and keeps it empty.
//
// Ownership: created with the device component it reads from (not owned). Single-threaded.
#pragma once

#include <bitset>
#include <cstdint>

#include "dg/fwd.h"
#include "dg/object.h"
#include "platform/d3d.h"

namespace sx {

class TSXStateRestorer : public dg::TObject {
 public:
  static constexpr std::uint32_t kRenderStates = 256;  // D3DRENDERSTATETYPE values below this
  static constexpr std::uint32_t kStageStates = 33;    // D3DTEXTURESTAGESTATETYPE values below this
  static constexpr std::uint32_t kStages = 8;

  explicit TSXStateRestorer(dg::TDGCarad& device);
  const char* ClassName() const override { return "TSXStateRestorer"; }

  // Forgets every saved state (counts 0).
  void Reset();
  // Reads the state's current value from the device and keeps it, unless it is already kept or
  // out of range (then false).
  bool SaveRenderState(D3DRENDERSTATETYPE state);
  bool SaveTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type);
  // Sends every kept value back (render states in ascending order, then stage by stage), then Reset.
  void Restore();

  std::uint32_t RenderStateCount() const { return renderCount_; }
  std::uint32_t TextureStageStateCount(DWORD stage) const { return stage < kStages ? stages_[stage].count : 0; }

 private:
  struct StageTable {
    DWORD values[kStageStates];
    std::bitset<kStageStates> saved;
    std::uint32_t count;
  };

  dg::TDGCarad& device_;
  DWORD renderValues_[kRenderStates] = {};
  std::bitset<kRenderStates> renderSaved_;
  std::uint32_t renderCount_ = 0;
  StageTable stages_[kStages] = {};
};

}  // namespace sx
