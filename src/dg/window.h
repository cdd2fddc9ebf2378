// The owner window of a TDGCarad, as narrow as the component needs it: the handle that Direct3D
// draws into, the client and outer sizes, the position, and the one placement call it makes.
//
// Sizes and positions are pixels. Left and Top are in the coordinates SetWindowPos takes for this
// window (the screen for a top-level window, the parent's client area for a child). The handle is
// an HWND on Windows and an `SDL_Window*` cast to HWND on Linux (see <d3d9.h>). The window must
// outlive the TDGCarad that draws into it.
#pragma once

#include "platform/d3d.h"

namespace dg {

class TDGWindow {
 public:
  virtual ~TDGWindow() = default;

  virtual HWND Handle() const = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual int Width() const = 0;  // outer size, frame included
  virtual int Height() const = 0;
  virtual int Left() const = 0;
  virtual int Top() const = 0;

  // SetWindowPos(Handle(), HWND_NOTOPMOST, left, top, width, height, SWP_SHOWWINDOW): moves the
  // window, gives it this outer size, shows it and takes it out of the top-most band.
  virtual void SetWindowPos(int left, int top, int width, int height) = 0;
};

}  // namespace dg
