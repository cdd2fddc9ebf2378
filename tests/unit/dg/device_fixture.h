// Test fixture: a TDGCarad on the recording Direct3D stand-in, initialised (a 320 x 240 HAL device
// with an X8R8G8B8 back buffer), every log line on, no halt switch.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dg/carad.h"
#include "unit/dg/fake_d3d9.h"
#include "unit/dg/log_helper.h"

namespace testdev {

using Calls = std::vector<std::string>;

class FakeDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = testlog::Begin();
    carad_ = std::make_unique<dg::TDGCarad>(window_, &fake::World::Create);
    carad_->SetDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
    carad_->Initialize();
    Restart();
  }
  void TearDown() override {
    carad_.reset();
    testlog::End();
  }

  // A fresh log from here on (indent 0) and a fresh record of calls.
  void Restart(dg::TDGDebugOption options = dg::dgoDebugMessage | dg::dgoDetailedLog) {
    log_ = testlog::Begin();
    dg::AssignDebugOption(options);
    world_.Take();
  }
  std::vector<std::string> Log() const { return testlog::Lines(log_); }
  // Drops the device and makes a new one, as a change of window mode does.
  void Recreate() { carad_->SetWindowMode(320, 240, {}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0); }

  fake::World world_;
  fake::Window window_{world_, 0x1000};
  std::unique_ptr<dg::TDGCarad> carad_;
  std::string log_;
};

}  // namespace testdev
