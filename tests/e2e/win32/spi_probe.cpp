// Prints what another program sees of the screen saver: the system's screen-saver-running flag
// (SystemParametersInfo SPI_GETSCREENSAVERRUNNING) and the platform id of the version query, as
// "running=N platform=N". A fresh process per reading: the system reads the flag once per process.
#include <windows.h>

#include <cstdio>

#ifndef SPI_GETSCREENSAVERRUNNING
#define SPI_GETSCREENSAVERRUNNING 0x0072
#endif

int main() {
  BOOL running = FALSE;
  if (!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) {
    std::printf("running=? (error %lu)\n", GetLastError());
    return 1;
  }
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  const DWORD platform = GetVersionExA(&info) ? info.dwPlatformId : 0;
  std::printf("running=%d platform=%lu\n", running ? 1 : 0, platform);
  return 0;
}
