// The entry's command line on any arguments: ParseCommandLine with and without the XScreenSaver
// forms, and the automation queries a run makes with the result.
//
// Input: byte 0 bit 0 turns the XScreenSaver forms on; the rest are the arguments, separated by
// NUL bytes.
// Properties: the mode follows the second character of the first argument (when the XScreenSaver
// forms do not apply); a result without errors has a capture folder exactly when it has frames to
// capture; capture frames are sorted and unique; keys and mouse moves are never before frame 1.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "shell/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const bool xscreensaver = fuzz::Byte(data, size, 0) & 1;
  std::vector<std::string> args;
  if (size > 1) {
    std::string current;
    for (std::size_t i = 1; i < size; ++i) {
      if (data[i] == 0) {
        args.push_back(current);
        current.clear();
      } else {
        current.push_back(static_cast<char>(data[i]));
      }
    }
    args.push_back(current);
  }
  const shell::CommandLine cl = shell::ParseCommandLine(args, xscreensaver);
  const bool xforms = xscreensaver && !args.empty() && (args[0] == "-root" || args[0] == "-window-id");
  if (!xforms) {
    const std::string first = args.empty() ? std::string("/C") : args[0];
    const char c = first.size() < 2 ? '\0' : first[1];
    const shell::Mode want = (c == 'a' || c == 'A')   ? shell::Mode::PasswordChange
                             : (c == 'c' || c == 'C') ? shell::Mode::Settings
                             : (c == 'p' || c == 'P') ? shell::Mode::Preview
                                                      : shell::Mode::FullScreen;
    FUZZ_CHECK(cl.mode == want);
    if (want != shell::Mode::PasswordChange && want != shell::Mode::Preview) FUZZ_CHECK(cl.previewWindow == 0);
  }
  const shell::Automation& a = cl.automation;
  if (cl.errors.empty()) {
    FUZZ_CHECK(a.captureDir.empty() == (a.captureAt.empty() && a.captureEvery == 0));
  }
  FUZZ_CHECK(std::is_sorted(a.captureAt.begin(), a.captureAt.end()));
  FUZZ_CHECK(std::adjacent_find(a.captureAt.begin(), a.captureAt.end()) == a.captureAt.end());
  FUZZ_CHECK(std::find(a.captureAt.begin(), a.captureAt.end(), 0u) == a.captureAt.end());
  for (const shell::KeyAt& k : a.keys) FUZZ_CHECK(k.frame >= 1 && k.key != 0);
  for (const shell::MouseAt& m : a.mice) FUZZ_CHECK(m.frame >= 1 && m.x >= -32768 && m.x <= 32767);
  FUZZ_CHECK(a.width >= 1 && a.width <= 16384 && a.height >= 1 && a.height <= 16384);
  if (a.stepMs) FUZZ_CHECK(*a.stepMs <= 0x7FFFFFFFu);

  // What a run asks of the result.
  for (std::uint32_t frame : {0u, 1u, 2u, 100u, 0xFFFFFFFFu}) {
    (void)a.KeysBefore(frame);
    (void)a.MiceBefore(frame);
    if (a.Captures(frame)) FUZZ_CHECK(!a.CapturePath(frame).empty() && frame != 0);
    (void)a.CloseAfter(frame);
  }
  return 0;
}
