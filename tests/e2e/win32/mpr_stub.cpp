// A stand-in for the Windows 9x MPR.DLL password-change entry: PwdChangePasswordA records its four
// arguments as "PwdChangePasswordA provider=<text> window=<decimal> 0x<hex> 0x<hex>" and returns 0.
#include <windows.h>

#include <cstdio>

#include "record.h"

extern "C" DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND window, DWORD a, DWORD b) {
  char line[256];
  std::snprintf(line, sizeof line, "PwdChangePasswordA provider=%s window=%lu 0x%lx 0x%lx",
                provider ? provider : "(null)", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)),
                static_cast<unsigned long>(a), static_cast<unsigned long>(b));
  service_record::Append(service_record::Self(), line);
  return 0;
}
