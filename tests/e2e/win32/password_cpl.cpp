// A stand-in for the Windows 9x screen-saver password service, built as PASSWORD.CPL: its
// VerifyScreenSavePwd refuses the first call and accepts every later one, and records each call
// with what the saver's process looked like at that moment:
//   VerifyScreenSavePwd call=N answer=0|1 window=<class> visible=0|1 cursor=N running=0|1 at=X,Y
// (the class of the window handed in, whether it is visible, the thread's pointer display count,
// which is 0 or more while the pointer shows, the system's screen-saver-running flag, and where
// the system has the pointer).
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
  const int count = ShowCursor(FALSE) + 1;  // the count as it was; put back at once
  ShowCursor(TRUE);
  POINT at{};
  GetCursorPos(&at);
  BOOL running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  char line[256];
  std::snprintf(line, sizeof line,
                "VerifyScreenSavePwd call=%d answer=%d window=%s visible=%d cursor=%d running=%d at=%ld,%ld", call,
                answer ? 1 : 0, cls, window && IsWindowVisible(window) ? 1 : 0, count, running ? 1 : 0,
                static_cast<long>(at.x), static_cast<long>(at.y));
  service_record::Append(self, line);
  return answer;
}
