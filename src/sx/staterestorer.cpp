#include "sx/staterestorer.h"

#include "dg/carad.h"

namespace sx {

TSXStateRestorer::TSXStateRestorer(dg::TDGCarad& device) : device_(device) { Reset(); }

void TSXStateRestorer::Reset() {
  renderSaved_.reset();
  renderCount_ = 0;
  for (StageTable& s : stages_) {
    s.saved.reset();
    s.count = 0;
  }
}

bool TSXStateRestorer::SaveRenderState(D3DRENDERSTATETYPE state) {
  const auto i = static_cast<std::uint32_t>(state);
  IDirect3DDevice9* d = device_.Device();
  if (!d || i >= kRenderStates || renderSaved_[i]) return false;
  DWORD value = 0;
  if (d->GetRenderState(state, &value) != D3D_OK) return false;
  renderValues_[i] = value;
  renderSaved_[i] = true;
  ++renderCount_;
  return true;
}

bool TSXStateRestorer::SaveTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
  const auto i = static_cast<std::uint32_t>(type);
  IDirect3DDevice9* d = device_.Device();
  if (!d || stage >= kStages || i >= kStageStates || stages_[stage].saved[i]) return false;
  DWORD value = 0;
  if (d->GetTextureStageState(stage, type, &value) != D3D_OK) return false;
  StageTable& s = stages_[stage];
  s.values[i] = value;
  s.saved[i] = true;
  ++s.count;
  return true;
}

void TSXStateRestorer::Restore() {
  if (IDirect3DDevice9* d = device_.Device()) {
    for (std::uint32_t i = 0; i < kRenderStates; ++i) {
      if (renderSaved_[i]) d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(i), renderValues_[i]);
    }
    for (DWORD stage = 0; stage < kStages; ++stage) {
      const StageTable& s = stages_[stage];
      for (std::uint32_t i = 0; i < kStageStates; ++i) {
        if (s.saved[i]) d->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(i), s.values[i]);
      }
    }
  }
  Reset();
}

}  // namespace sx
