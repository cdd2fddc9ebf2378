// System services on Win32.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "platform/system.h"

namespace platform {

namespace {

// GetVersionExA's record as the system fills it: 148 bytes.
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");

using VerifyScreenSavePwdFn = BOOL(WINAPI*)(HWND);
using PwdChangePasswordAFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);

// GetProcAddress's result as the function type it is documented to have.
template <typename Fn>
Fn EntryPoint(HMODULE lib, const char* name) {
  FARPROC p = GetProcAddress(lib, name);
  Fn fn = nullptr;
  static_assert(sizeof fn == sizeof p, "function pointers of one size");
  if (p) std::memcpy(&fn, &p, sizeof fn);
  return fn;
}

class Win32System final : public System {
 public:
  Size ScreenSize() override { return Size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }
  int ShowCursor(bool show) override { return ::ShowCursor(show ? TRUE : FALSE); }

  std::optional<std::uint32_t> PlatformId() override {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 148;
    if (!GetVersionExA(&info)) return std::nullopt;
    return static_cast<std::uint32_t>(info.dwPlatformId);
  }

  void SetScreenSaverRunning(bool running) override {
    UINT scratch = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &scratch, 0);
  }

  // The Windows 9x family stores the flag as a 4-byte binary value, the later systems as a DWORD;
  // both are read. Anything else counts as "no value", which lets the run end without a password.
  std::optional<std::uint32_t> ScreenSaveUsePassword() override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, KEY_READ, &key) != ERROR_SUCCESS)
      return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG rc =
        RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || size != sizeof value || (type != REG_DWORD && type != REG_BINARY)) return std::nullopt;
    return static_cast<std::uint32_t>(value);
  }

  PasswordAnswer VerifyScreenSavePassword(WindowHandle window) override {
    const std::string path = SystemFolder() + "PASSWORD.CPL";
    HMODULE lib = LoadLibraryA(path.c_str());
    if (!lib) return PasswordAnswer::NoService;
    PasswordAnswer answer = PasswordAnswer::NoService;
    if (auto verify = EntryPoint<VerifyScreenSavePwdFn>(lib, "VerifyScreenSavePwd"))
      answer = verify(static_cast<HWND>(window)) ? PasswordAnswer::Accepted : PasswordAnswer::Refused;
    FreeLibrary(lib);
    return answer;
  }

  bool ChangeScreenSavePassword(std::uintptr_t parent) override {
    HMODULE lib = LoadLibraryA("MPR.DLL");
    if (!lib) return false;
    auto change = EntryPoint<PwdChangePasswordAFn>(lib, "PwdChangePasswordA");
    if (change) change("SCRSAVE", reinterpret_cast<HWND>(parent), 0, 0);
    FreeLibrary(lib);
    return change != nullptr;
  }

  // The system folder, at most MAX_PATH characters, with a backslash at the end.
  std::string SystemFolder() override {
    char buf[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryA(buf, MAX_PATH);
    std::string folder(buf, n <= MAX_PATH ? n : 0);
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
  }

  WindowHandle ForegroundWindow() override { return GetForegroundWindow(); }
  void EnableWindow(WindowHandle window, bool enable) override {
    ::EnableWindow(static_cast<HWND>(window), enable ? TRUE : FALSE);
  }

  int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, unsigned flags) override {
    return MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
  }

 protected:
  std::uint32_t PlatformTime() override { return static_cast<std::uint32_t>(timeGetTime()); }
};

}  // namespace

std::unique_ptr<System> CreateSystem() { return std::make_unique<Win32System>(); }

bool TakesXScreenSaverSwitches() { return false; }

}  // namespace platform
