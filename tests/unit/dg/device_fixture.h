// Test fixtures of the device layer on the recording Direct3D of tests/support.
//
// testdev::Recorder makes the Direct3D objects a TDGCarad asks for (Recorder::Create stands for
// Direct3DCreate9) and keeps one journal: the calls of each Direct3D, its devices and their
// resources, in order, with the window's SetWindowPos and what the test adds (the resource
// callbacks). Every Direct3D it makes answers as one adapter ("fake.dll", 1024 x 768 desktop,
// 3.50 MiB of texture memory, a few formats), records Release calls, fills new memory with 0xCD
// and keeps Direct3D's Reset rule; `setUp` changes that before the component sees it.
//
// testdev::RecordingDevice: a TDGCarad on it, initialised (a 320 x 240 HAL device with an X8R8G8B8
// back buffer), every log line on, no halt switch.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dg/carad.h"
#include "dg/window.h"
#include "support/d3d9_recording.h"
#include "unit/dg/log_helper.h"

namespace testdev {

using Calls = std::vector<std::string>;

class Recorder {
 public:
  Recorder() { current_ = this; }
  ~Recorder() {
    if (current_ == this) current_ = nullptr;
  }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Direct3DCreate9 for TDGCarad: a new recording Direct3D (null when createsD3D is off).
  static IDirect3D9* WINAPI Create(UINT sdkVersion) {
    Recorder* r = current_;
    if (!r) return nullptr;
    r->Record("Direct3DCreate9", {sdkVersion});
    if (!r->createsD3D) return nullptr;
    auto* d3d = new d3d9rec::RecordingDirect3D();
    d3d->caps = {};
    d3d->caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    d3d->caps.MaxTextureWidth = d3d->caps.MaxTextureHeight = 4096;
    d3d->identifier = {};
    std::strcpy(d3d->identifier.Driver, "fake.dll");
    std::strcpy(d3d->identifier.Description, "Fake Adapter");
    d3d->identifier.VendorId = 0x10de;
    d3d->identifier.DeviceId = 0x6cd;
    d3d->identifier.Revision = 0xa3;
    d3d->displayMode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    d3d->depthFormats = {D3DFMT_D16, D3DFMT_D16_LOCKABLE, D3DFMT_D24S8};
    d3d->textureFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,
                           D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_L8};
    d3d->availableTextureMem = 3u * 1048576u + 524288u;  // 3.50 MiB
    d3d->fill = 0xCD;                                    // Direct3D leaves new memory undefined
    d3d->resetRule = true;
    d3d->recordReleases = true;
    d3d->journal = &r->journal;
    if (r->setUp) r->setUp(*d3d);
    r->d3d = d3d;
    return d3d;
  }

  // The journal's texts since the last Take(), which forgets them.
  Calls Take() {
    Calls taken = d3d9rec::Texts(journal);
    journal.clear();
    return taken;
  }
  // The texts that start with `prefix`, or whose method is in `methods`.
  Calls Matching(const std::string& prefix) const {
    Calls found;
    for (const std::string& text : d3d9rec::Texts(journal))
      if (text.compare(0, prefix.size(), prefix) == 0) found.push_back(text);
    return found;
  }
  Calls Only(const std::set<std::string>& methods) const { return d3d9rec::Texts(journal, methods); }
  void Record(const std::string& method, std::vector<std::uint64_t> args, const std::string& on = {}) {
    journal.push_back({method, std::move(args), {}, on});
  }

  // The device the last Direct3D made (null when it has none).
  d3d9rec::RecordingDevice* Device() const { return d3d ? d3d->lastDevice : nullptr; }
  // Changes the caps of the Direct3D and of its device, as a driver reports them to both.
  void ChangeCaps(const std::function<void(D3DCAPS9&)>& change) {
    if (d3d) change(d3d->caps);
    if (Device()) change(Device()->caps);
  }

  bool createsD3D = true;
  std::function<void(d3d9rec::RecordingDirect3D&)> setUp;
  d3d9rec::RecordingDirect3D* d3d = nullptr;  // the last one made; owned by the component
  std::vector<d3d9rec::Call> journal;

 private:
  static inline Recorder* current_ = nullptr;
};

// A window whose SetWindowPos is recorded in the journal and changes its sizes.
class Window : public dg::TDGWindow {
 public:
  Window(Recorder& recorder, std::uintptr_t handle) : recorder_(recorder), handle_(handle) {}
  HWND Handle() const override { return reinterpret_cast<HWND>(handle_); }
  int ClientWidth() const override { return clientWidth; }
  int ClientHeight() const override { return clientHeight; }
  int Width() const override { return clientWidth + frameWidth; }
  int Height() const override { return clientHeight + frameHeight; }
  int Left() const override { return left; }
  int Top() const override { return top; }
  void SetWindowPos(int x, int y, int width, int height) override {
    recorder_.Record("SetWindowPos", {static_cast<std::uint64_t>(x), static_cast<std::uint64_t>(y),
                                      static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height)});
    left = x;
    top = y;
    clientWidth = width - frameWidth;
    clientHeight = height - frameHeight;
  }

  int clientWidth = 320, clientHeight = 240;
  int frameWidth = 8, frameHeight = 27;
  int left = 10, top = 20;

 private:
  Recorder& recorder_;
  std::uintptr_t handle_;
};

class RecordingDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = testlog::Begin();
    carad_ = std::make_unique<dg::TDGCarad>(window_, &Recorder::Create);
    carad_->SetDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
    carad_->Initialize();
    Restart();
  }
  void TearDown() override {
    carad_.reset();
    testlog::End();
  }

  // A fresh log from here on (indent 0) and a fresh journal.
  void Restart(dg::TDGDebugOption options = dg::dgoDebugMessage | dg::dgoDetailedLog) {
    log_ = testlog::Begin();
    dg::AssignDebugOption(options);
    rec_.Take();
  }
  std::vector<std::string> Log() const { return testlog::Lines(log_); }
  // Drops the device and makes a new one, as a change of window mode does.
  void Recreate() { carad_->SetWindowMode(320, 240, {}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0); }
  d3d9rec::RecordingDevice& dev() const { return *rec_.Device(); }

  Recorder rec_;
  Window window_{rec_, 0x1000};
  std::unique_ptr<dg::TDGCarad> carad_;
  std::string log_;
};

}  // namespace testdev
