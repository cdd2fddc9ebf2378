// System-services seam: the operating-system calls of the screen-saver shell, behind one class so
// that tests can substitute a fake (derive from System and implement the Platform* members).
//
// Supported: screen size, the counted pointer visibility, the version query's platform id,
// SPI_SETSCREENSAVERRUNNING, the "ScreenSaveUsePassword" registry value, the screen-saver password
// services loaded at run time, the system and data folders, the foreground window and
// EnableWindow, message boxes, timeGetTime with the automation's virtual clock, and whether the
// host is XScreenSaver (which command-line forms the program takes).
//
// Windows: the Win32 calls of the same names. Linux: the NT family's answers where a screen locker,
// not the saver, owns passwords: platform id 2, no registry value, no password services, no
// SPI flag, no foreground window; message boxes go to stderr until a GTK view replaces them.
//
// Texts and paths are Shift-JIS / ANSI byte strings on Windows, UTF-8 paths on Linux (the
// message-box texts are Shift-JIS on both). One System per process, used on the GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/app.h"

namespace platform {

enum class PasswordAnswer { NoService, Accepted, Refused };  // NoService: library or entry point absent

// MessageBoxA flags and answers used by the system (same values as Win32).
constexpr unsigned kMbOk = 0x0, kMbOkCancel = 0x1, kMbYesNo = 0x4, kMbIconError = 0x10, kMbIconQuestion = 0x20,
                   kMbIconWarning = 0x30, kMbIconInformation = 0x40;
constexpr int kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7;

class System {
 public:
  virtual ~System() = default;

  virtual Size ScreenSize() = 0;          // pixels of the whole (primary) screen
  virtual int ShowCursor(bool show) = 0;  // like ShowCursor: the new display count; visible at >= 0
  // GetVersionExA with the 148-byte record: the platform id (1 = 9x family, 2 = NT family), or
  // nothing when the query fails.
  virtual std::optional<std::uint32_t> PlatformId() = 0;
  virtual void SetScreenSaverRunning(bool running) = 0;  // SPI_SETSCREENSAVERRUNNING (97); 9x only
  // "ScreenSaveUsePassword" under HKEY_CURRENT_USER "Control Panel\desktop", read only. Nothing
  // when the key cannot be opened or the value is missing or not a 32-bit integer.
  virtual std::optional<std::uint32_t> ScreenSaveUsePassword() = 0;
  // VerifyScreenSavePwd(window) from "PASSWORD.CPL" in the system folder, loaded and unloaded here.
  virtual PasswordAnswer VerifyScreenSavePassword(WindowHandle window) = 0;
  // PwdChangePasswordA("SCRSAVE", parent, 0, 0) from "MPR.DLL", loaded and unloaded here; false
  // when the library or the entry point is absent (then nothing happened).
  virtual bool ChangeScreenSavePassword(std::uintptr_t parent) = 0;
  virtual std::string SystemFolder() = 0;       // with a trailing separator (Linux: the installed data folder)
  virtual WindowHandle ForegroundWindow() = 0;  // null when none
  virtual void EnableWindow(WindowHandle window, bool enable) = 0;
  virtual int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                             unsigned flags) = 0;

  // The data folder: the --data-dir override, else SystemFolder(). With a trailing separator.
  std::string DataFolder();
  void SetDataFolderOverride(const std::string& folder);  // empty: no override

  // timeGetTime as the shell sees it: milliseconds modulo 2^32. With the virtual clock it reads
  // `start` until the first EndIdleCall and then advances by exactly `stepMs` at each one.
  std::uint32_t TimeGetTime();
  void UseVirtualClock(std::uint32_t start, std::uint32_t stepMs);
  bool ClockIsVirtual() const { return virtualClock_; }
  // Call once at the end of every idle call: the virtual clock advances, then the virtual timers
  // that are due tick. No effect on the real clock.
  void EndIdleCall();

  // A timer on the virtual clock, for the runs whose time is virtual: it ticks at the end of the
  // idle call in which the clock has advanced by its interval since it was (re)started, so that
  // such a run times its windows by its own clock, however busy the machine is. It must go before
  // this System. Null without a virtual clock (the application's timers serve then).
  std::unique_ptr<Timer> CreateVirtualTimer(std::uint32_t intervalMs, bool enabled, std::function<void()> onTimer);

 protected:
  virtual std::uint32_t PlatformTime() = 0;  // winmm timeGetTime / a monotonic clock, ms mod 2^32

 private:
  class VirtualTimer;
  std::string dataFolderOverride_;
  bool virtualClock_ = false;
  std::uint32_t virtualNow_ = 0, virtualStep_ = 0;
  std::vector<VirtualTimer*> virtualTimers_;  // registered by each timer, in creation order
};

// The real services of this platform.
std::unique_ptr<System> CreateSystem();

// True where XScreenSaver is the host (Linux): the command line takes its forms as well (--root,
// --window-id, --help, --version). False on Windows, whose hosts pass the system's switches only.
bool TakesXScreenSaverSwitches();

}  // namespace platform
