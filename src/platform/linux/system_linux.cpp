// System services on Linux. The screen locker owns passwords, so the answers are those of the NT
// family with no password services; message boxes are printed on stderr.
#include <SDL.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "platform/linux/sdl_video.h"
#include "platform/paths.h"
#include "platform/sjis.h"
#include "platform/system.h"

namespace platform {

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class LinuxSystem final : public System {
 public:
  Size ScreenSize() override {
    if (!sdlvideo::Ensure()) return sdlvideo::HeadlessSize();
    return sdlvideo::ScreenSize();
  }

  int ShowCursor(bool show) override {
    cursorCount_ += show ? 1 : -1;
    if (sdlvideo::Ensure()) SDL_ShowCursor(cursorCount_ >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursorCount_;
  }

  std::optional<std::uint32_t> PlatformId() override { return 2; }
  void SetScreenSaverRunning(bool) override {}
  std::optional<std::uint32_t> ScreenSaveUsePassword() override { return std::nullopt; }
  PasswordAnswer VerifyScreenSavePassword(WindowHandle) override { return PasswordAnswer::NoService; }
  bool ChangeScreenSavePassword(std::uintptr_t) override { return false; }

  // The installed data folder: <program folder>/../share/corvane_kestor/ (the program is found
  // through /proc/self/exe, so a link to it in XScreenSaver's hack folder leads to the same place),
  // else the data folder of the prefix the program was built for.
  std::string SystemFolder() override {
    std::string folder = ProgramFolder();  // ends in '/'
    if (folder.size() > 1) {
      const auto slash = folder.rfind('/', folder.size() - 2);
      folder = slash == std::string::npos ? std::string("./") : folder.substr(0, slash + 1);
    }
    folder += "share/corvane_kestor/";
    if (IsFolder(folder)) return folder;
    const std::string installed = KESTOR_INSTALL_DATADIR "/corvane_kestor/";
    return IsFolder(installed) ? installed : folder;
  }

  WindowHandle ForegroundWindow() override { return nullptr; }
  void EnableWindow(WindowHandle, bool) override {}

  // No dialog yet: the text goes to stderr and the answer is the one that changes nothing.
  int ShowMessageBox(WindowHandle, const std::string& text, const std::string& caption, unsigned flags) override {
    std::fprintf(stderr, "%s: %s\n", sjis::ToUtf8(caption).c_str(), sjis::ToUtf8(text).c_str());
    switch (flags & 0xF) {
      case kMbOk: return kIdOk;
      case kMbYesNo: return kIdNo;
      case 0x2: return 3;  // MB_ABORTRETRYIGNORE: IDABORT
      default: return kIdCancel;
    }
  }

 protected:
  std::uint32_t PlatformTime() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const unsigned long long ms =
        static_cast<unsigned long long>(ts.tv_sec) * 1000ULL + static_cast<unsigned long long>(ts.tv_nsec) / 1000000ULL;
    return static_cast<std::uint32_t>(ms);
  }

 private:
  int cursorCount_ = 0;
};

}  // namespace

std::unique_ptr<System> CreateSystem() { return std::make_unique<LinuxSystem>(); }

bool TakesXScreenSaverSwitches() { return true; }

}  // namespace platform
