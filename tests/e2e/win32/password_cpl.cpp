// A stand-in for the Windows 9x screen-saver password service, built as PASSWORD.CPL: its
// VerifyScreenSavePwd refuses the first call and accepts every later one, and records each call
// with what the saver's process looked like at that moment:
//   VerifyScreenSavePwd call=N answer=0|1 window=<class> visible=0|1 cursor=shown|hidden running=0|1
// (the class of the window handed in, whether it is visible, whether the pointer is shown, and the
// system's screen-saver-running flag).
#include <windows.h>

#include <cstdio>

#include "record.h"

#ifndef SPI_GETSCREENSAVERRUNNING
#define SPI_GETSCREENSAVERRUNNING 0x0072
#endif

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND window) {
  const HMODULE self = service_record::Self();
  const int call = service_record::Count(self) + 1;
  const BOOL answer = call > 1;
  char cls[64] = "none";
  if (window && !GetClassNameA(window, cls, sizeof cls)) std::snprintf(cls, sizeof cls, "invalid");
  CURSORINFO ci{};
  ci.cbSize = sizeof ci;
  const bool shown = GetCursorInfo(&ci) && (ci.flags & CURSOR_SHOWING);
  BOOL running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  char line[256];
  std::snprintf(line, sizeof line, "VerifyScreenSavePwd call=%d answer=%d window=%s visible=%d cursor=%s running=%d", call,
                answer ? 1 : 0, cls, window && IsWindowVisible(window) ? 1 : 0, shown ? "shown" : "hidden",
                running ? 1 : 0);
  service_record::Append(self, line);
  return answer;
}
