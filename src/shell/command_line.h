// The entry's command line: the screen-saver switch, the window handle and the automation options.
//
// Mode: the second character of the upper-cased first argument ("/C" when there is none); 'A'
// password change, 'C' settings, 'P' preview, anything else (or a first argument shorter than two
// characters) the full-screen run. Modes A and P read the handle from the second argument.
// Linux also takes XScreenSaver's forms, anywhere on a command line that does not start with a
// "/" switch: "--window-id ID" (also "-window-id ID", "--window-id=ID"; hex or decimal) is the
// preview into ID, "--root" (or "-root") the full-screen run inside XScreenSaver's window. A
// missing or malformed window id is a usage error there, as a preview that silently became a
// full-screen run would cover the host's screen. "--help" and "--version" print their text and
// end the program with exit code 0.
//
// Automation options (tests, demos, benchmarks) follow the switch and its handle. Their values are
// checked strictly: an unknown option, a missing or malformed value, or --capture without
// --capture-at (or the reverse) is a usage error. The program then prints the messages on stderr
// and ends with exit code 2 without starting anything, because a half-applied scenario could run
// forever or capture the wrong frames. Arguments that are not options (what Windows may add) are
// ignored with a warning. The system's own switches never fail.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace shell {

enum class Mode { PasswordChange, Settings, Preview, FullScreen };

// Integer conversion of a handle argument: decimal with an optional sign, or hex with a 0x or $
// prefix, in the 32-bit range (negative values wrap as on 32-bit Windows). Nothing when malformed.
std::optional<std::uint32_t> ParseHandle(const std::string& text);

// A key of --key: a letter, a digit, left, up, right, down, num8, num2, alt, escape, space,
// return, or a 0x.. virtual-key code (0x01-0xFFFF). Case-insensitive names. Nothing when unknown.
std::optional<std::uint16_t> ParseKeyName(const std::string& text);

struct KeyAt {
  std::uint32_t frame;  // processed frame, counted from 1
  std::uint16_t key;    // virtual-key code
};

struct MouseAt {
  std::uint32_t frame;
  int x, y;  // client pixels, -32768..32767
};

struct ResetFailureAt {
  std::uint32_t frame;  // processed frame the device is lost before, from 1
  std::uint32_t count;  // resets that fail before one succeeds, from 1
};

struct Automation {
  std::string dataDir;                  // empty: the system folder
  std::optional<std::uint32_t> frames;  // close after this many processed frames (0: at the first idle call)
  std::optional<std::uint32_t> stepMs;  // virtual clock: ms per idle call (0..2^31-1)
  std::uint32_t clockStart = 0;         // the virtual clock's first reading
  std::vector<KeyAt> keys;              // in command-line order
  std::vector<MouseAt> mice;
  std::string captureDir;                   // with --capture-at
  std::vector<std::uint32_t> captureAt;     // sorted, unique
  std::uint32_t captureEvery = 0;           // every:N, 0 = not used
  int width = 1280, height = 720;           // --size (Linux headless screen)
  std::vector<std::uint32_t> loseDeviceAt;  // --lose-device: frames before which the device is lost (sorted, unique)
  std::vector<ResetFailureAt> failResets;   // --fail-reset: sorted by frame, one per frame (the last given)
  std::string timingFile;                   // --timing: the timing log (appended), empty = none

  bool VirtualClock() const { return stepMs.has_value(); }
  // The events to deliver just before processed frame `frame`, in command-line order.
  std::vector<std::uint16_t> KeysBefore(std::uint32_t frame) const;
  std::vector<MouseAt> MiceBefore(std::uint32_t frame) const;
  // Whether processed frame `frame` is captured, and its file: DIR/frame-00010.png.
  bool Captures(std::uint32_t frame) const;
  // Whether the device is to be lost just before processed frame `frame`.
  bool LosesDeviceBefore(std::uint32_t frame) const;
  // How many resets fail after the device is lost just before processed frame `frame`; 0: none.
  std::uint32_t ResetFailuresBefore(std::uint32_t frame) const;
  std::string CapturePath(std::uint32_t frame) const;
  // Whether the window should be asked to close once `processed` frames are done.
  bool CloseAfter(std::uint32_t processed) const { return frames && processed >= *frames; }
};

struct CommandLine {
  Mode mode = Mode::Settings;
  std::uint32_t previewWindow = 0;             // handle of modes A and P; 0 = none / malformed
  bool intoRootWindow = false;                 // Linux --root
  bool showHelp = false, showVersion = false;  // Linux --help, --version: print and end
  Automation automation;
  std::vector<std::string> warnings;  // ignored arguments (printed, the run goes on)
  std::vector<std::string> errors;    // usage errors (printed, exit code 2)
};

// `args` are the arguments after the program name, byte strings as the system passes them.
// `xscreensaverForms` enables --root, --window-id, --help and --version (the Linux build).
CommandLine ParseCommandLine(const std::vector<std::string>& args, bool xscreensaverForms);

}  // namespace shell
