// A null Direct3D 9 for allocation tests and benchmarks: the recording device with every call of
// a frame (cooperative level, scene begin and end, clears, transforms, render, stage and sampler
// states, textures, material, lights, vertex format, streams, draws, present) answered in place
// and counted instead of recorded, so that a frame costs only the caller's own work and allocates
// nothing in the device. Resources (textures, buffers, their locks) stay the recording ones, with
// real memory, and still record their calls: ClearCalls() empties that record.
//
// NullDirect3D's CreateDevice makes a NullDevice; `device` points at the last one (owned by its
// caller like any device). Header only, both targets.
#pragma once

#include "support/d3d9_recording.h"

namespace d3d9rec {

class NullDevice : public RecordingDevice {
 public:
  using RecordingDevice::RecordingDevice;
  long draws = 0;   // DrawIndexedPrimitive and DrawPrimitiveUP calls
  long states = 0;  // state calls that reach the device (render, stage, sampler, texture, transform, ...)
  long presents = 0;

  HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE BeginScene() override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE EndScene() override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE Present(const RECT*, const RECT*, HWND, const RGNDATA*) override {
    ++presents;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE s, const D3DMATRIX* m) override {
    ++states;
    if (s == D3DTS_PROJECTION && m) projection_ = *m;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX* m) override {
    if (!m) return D3DERR_INVALIDCALL;
    *m = projection_;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE SetTexture(DWORD, IDirect3DBaseTexture9*) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD* v) override {
    if (!v) return D3DERR_INVALIDCALL;
    *v = D3DTEXF_POINT;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9*) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE SetLight(DWORD, const D3DLIGHT9*) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE LightEnable(DWORD, BOOL) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE SetFVF(DWORD) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9*) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return Counted(); }
  HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9*) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override {
    ++draws;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override {
    ++draws;
    return D3D_OK;
  }

 private:
  HRESULT Counted() {
    ++states;
    return D3D_OK;
  }
  D3DMATRIX projection_{};
};

class NullDirect3D : public RecordingDirect3D {
 public:
  NullDevice* device = nullptr;  // the last device made; not owned

  HRESULT STDMETHODCALLTYPE CreateDevice(UINT, D3DDEVTYPE type, HWND, DWORD, D3DPRESENT_PARAMETERS* params,
                                         IDirect3DDevice9** out) override {
    if (!out || !params) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (params->BackBufferCount == 0) params->BackBufferCount = 1;
    if (params->BackBufferFormat == D3DFMT_UNKNOWN) params->BackBufferFormat = displayMode.Format;
    device = new NullDevice(this, *params);
    Prepare(device, type);
    *out = device;
    return D3D_OK;
  }
};

}  // namespace d3d9rec
