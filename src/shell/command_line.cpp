#include "shell/command_line.h"

#include <algorithm>
#include <cstdio>

#include "platform/paths.h"

namespace shell {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Digits only, in base 10 or 16, with a limit; nothing on an empty text, a stray character or
// overflow.
std::optional<std::uint64_t> Digits(const std::string& s, std::size_t from, int base, std::uint64_t limit) {
  if (from >= s.size()) return std::nullopt;
  std::uint64_t v = 0;
  for (std::size_t i = from; i < s.size(); ++i) {
    const int d = base == 16 ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return std::nullopt;
    v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (v > limit) return std::nullopt;
  }
  return v;
}

// Unsigned decimal, or hex with 0x when `hex` is allowed.
std::optional<std::uint32_t> Unsigned(const std::string& s, std::uint64_t limit, bool hex = false) {
  std::optional<std::uint64_t> v;
  if (hex && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    v = Digits(s, 2, 16, limit);
  } else {
    v = Digits(s, 0, 10, limit);
  }
  if (!v) return std::nullopt;
  return static_cast<std::uint32_t>(*v);
}

std::optional<int> Signed(const std::string& s, int lo, int hi) {
  const bool neg = !s.empty() && s[0] == '-';
  const auto v = Digits(s, neg ? 1 : 0, 10, 1u << 31);
  if (!v) return std::nullopt;
  const long long n = neg ? -static_cast<long long>(*v) : static_cast<long long>(*v);
  if (n < lo || n > hi) return std::nullopt;
  return static_cast<int>(n);
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const auto pos = s.find(sep, start);
    parts.push_back(s.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
    if (pos == std::string::npos) return parts;
    start = pos + 1;
  }
}

constexpr std::uint64_t kMaxFrame = 0xFFFFFFFFu;

// XScreenSaver's ways of naming the window to draw into: -root and --root (its own window, or the
// root window), -window-id ID, --window-id ID and --window-id=ID (a preview).
bool IsHostForm(const std::string& a) {
  return a == "-root" || a == "--root" || a == "-window-id" || a == "--window-id" ||
         a.compare(0, 12, "--window-id=") == 0 || a.compare(0, 11, "-window-id=") == 0;
}

class OptionParser {
 public:
  OptionParser(CommandLine& out) : out_(out) {}

  // Parses args[i] (an option) and its value; returns the index of the last argument used.
  std::size_t Option(const std::vector<std::string>& args, std::size_t i) {
    std::string name = args[i];
    std::optional<std::string> value;
    std::size_t last = i;
    if (const auto eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    static const char* const kKnown[] = {"--data-dir", "--frames",      "--step-ms",    "--clock-start",
                                         "--key",      "--mouse",       "--capture",    "--capture-at",
                                         "--size",     "--lose-device", "--fail-reset", "--timing"};
    if (std::find_if(std::begin(kKnown), std::end(kKnown), [&](const char* k) { return name == k; }) ==
        std::end(kKnown)) {
      Error("unknown option " + name);
      return last;
    }
    if (!value && i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0) {
      value = args[i + 1];
      last = i + 1;
    }
    if (!value || value->empty()) {
      Error(name + " needs a value");
      return last;
    }
    Apply(name, *value);
    return last;
  }

  void Finish() {
    Automation& a = out_.automation;
    const bool listed = !a.captureAt.empty() || a.captureEvery != 0;
    if (!a.captureDir.empty() && !listed) Error("--capture needs --capture-at");
    if (a.captureDir.empty() && listed) Error("--capture-at needs --capture");
  }

 private:
  void Error(const std::string& text) { out_.errors.push_back(text); }
  void Bad(const std::string& name, const std::string& value, const char* why) {
    Error(name + " " + value + ": " + why);
  }

  void Apply(const std::string& name, const std::string& v) {
    Automation& a = out_.automation;
    if (name == "--data-dir") {
      a.dataDir = v;
    } else if (name == "--frames") {
      if (auto n = Unsigned(v, kMaxFrame))
        a.frames = *n;
      else
        Bad(name, v, "not a frame count");
    } else if (name == "--step-ms") {
      if (auto n = Unsigned(v, 0x7FFFFFFFu))
        a.stepMs = *n;
      else
        Bad(name, v, "not a step of 0 to 2147483647 ms");
    } else if (name == "--clock-start") {
      if (auto n = Unsigned(v, 0xFFFFFFFFu, true))
        a.clockStart = *n;
      else
        Bad(name, v, "not a clock reading of 0 to 4294967295 ms");
    } else if (name == "--key") {
      const auto colon = v.find(':');
      const auto frame = colon == std::string::npos ? std::nullopt : Frame(v.substr(0, colon));
      const auto key = colon == std::string::npos ? std::nullopt : ParseKeyName(v.substr(colon + 1));
      if (frame && key)
        a.keys.push_back(KeyAt{*frame, *key});
      else
        Bad(name, v, "expected FRAME:KEY, FRAME from 1");
    } else if (name == "--mouse") {
      const auto colon = v.find(':');
      const auto frame = colon == std::string::npos ? std::nullopt : Frame(v.substr(0, colon));
      const auto xy = colon == std::string::npos ? std::vector<std::string>{} : Split(v.substr(colon + 1), ',');
      const auto x = xy.size() == 2 ? Signed(xy[0], -32768, 32767) : std::nullopt;
      const auto y = xy.size() == 2 ? Signed(xy[1], -32768, 32767) : std::nullopt;
      if (frame && x && y)
        a.mice.push_back(MouseAt{*frame, *x, *y});
      else
        Bad(name, v, "expected FRAME:X,Y");
    } else if (name == "--capture") {
      a.captureDir = v;
    } else if (name == "--timing") {
      a.timingFile = v;
    } else if (name == "--capture-at") {
      CaptureList(name, v);
    } else if (name == "--lose-device") {
      if (auto f = Frame(v)) {
        a.loseDeviceAt.insert(std::upper_bound(a.loseDeviceAt.begin(), a.loseDeviceAt.end(), *f), *f);
        a.loseDeviceAt.erase(std::unique(a.loseDeviceAt.begin(), a.loseDeviceAt.end()), a.loseDeviceAt.end());
      } else {
        Bad(name, v, "expected a frame number from 1");
      }
    } else if (name == "--fail-reset") {
      const auto colon = v.find(':');
      const auto frame = colon == std::string::npos ? std::nullopt : Frame(v.substr(0, colon));
      const auto count = colon == std::string::npos ? std::nullopt : Frame(v.substr(colon + 1));
      if (frame && count) {
        auto& list = a.failResets;
        const auto at = std::lower_bound(list.begin(), list.end(), *frame,
                                         [](const ResetFailureAt& r, std::uint32_t f) { return r.frame < f; });
        if (at != list.end() && at->frame == *frame) {
          at->count = *count;
        } else {
          list.insert(at, ResetFailureAt{*frame, *count});
        }
      } else {
        Bad(name, v, "expected FRAME:N, both from 1");
      }
    } else if (name == "--size") {
      const auto sep = v.find_first_of("xX");
      const auto w = sep == std::string::npos ? std::nullopt : Unsigned(v.substr(0, sep), 16384);
      const auto h = sep == std::string::npos ? std::nullopt : Unsigned(v.substr(sep + 1), 16384);
      if (w && h && *w > 0 && *h > 0) {
        a.width = static_cast<int>(*w);
        a.height = static_cast<int>(*h);
      } else {
        Bad(name, v, "expected WxH, 1 to 16384 each");
      }
    }
  }

  static std::optional<std::uint32_t> Frame(const std::string& s) {
    const auto n = Unsigned(s, kMaxFrame);
    if (!n || *n == 0) return std::nullopt;
    return n;
  }

  void CaptureList(const std::string& name, const std::string& v) {
    Automation& a = out_.automation;
    if (v.compare(0, 6, "every:") == 0) {
      if (auto n = Frame(v.substr(6))) {
        a.captureEvery = *n;
        a.captureAt.clear();
      } else {
        Bad(name, v, "expected every:N, N from 1");
      }
      return;
    }
    std::vector<std::uint32_t> frames;
    for (const std::string& item : Split(v, ',')) {
      const auto f = Frame(item);
      if (!f) {
        Bad(name, v, "expected frame numbers from 1, separated by commas, or every:N");
        return;
      }
      frames.push_back(*f);
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    a.captureAt = frames;
    a.captureEvery = 0;
  }

  CommandLine& out_;
};

}  // namespace

std::optional<std::uint32_t> ParseHandle(const std::string& text) {
  std::size_t i = 0;
  bool neg = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
  std::optional<std::uint64_t> v;
  if (i < text.size() && text[i] == '$') {
    v = Digits(text, i + 1, 16, 0xFFFFFFFFu);
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    v = Digits(text, i + 2, 16, 0xFFFFFFFFu);
  } else {
    v = Digits(text, i, 10, 0xFFFFFFFFu);
  }
  if (!v) return std::nullopt;
  if (neg) {
    if (*v > 0x80000000u) return std::nullopt;
    return static_cast<std::uint32_t>(0u - static_cast<std::uint32_t>(*v));
  }
  return static_cast<std::uint32_t>(*v);
}

std::optional<std::uint16_t> ParseKeyName(const std::string& text) {
  if (text.size() == 1) {
    const char c = Upper(text[0]);
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<std::uint16_t>(c);
    return std::nullopt;
  }
  const std::string name = Lower(text);
  if (name.size() > 2 && name[0] == '0' && name[1] == 'x') {
    const auto v = Digits(name, 2, 16, 0xFFFF);
    if (!v || *v == 0) return std::nullopt;
    return static_cast<std::uint16_t>(*v);
  }
  static const struct {
    const char* name;
    std::uint16_t vk;
  } kNames[] = {{"left", 0x25}, {"up", 0x26},  {"right", 0x27},  {"down", 0x28},  {"num8", 0x68},
                {"num2", 0x62}, {"alt", 0x12}, {"escape", 0x1B}, {"space", 0x20}, {"return", 0x0D}};
  for (const auto& n : kNames)
    if (name == n.name) return n.vk;
  return std::nullopt;
}

std::vector<std::uint16_t> Automation::KeysBefore(std::uint32_t frame) const {
  std::vector<std::uint16_t> out;
  for (const KeyAt& k : keys)
    if (k.frame == frame) out.push_back(k.key);
  return out;
}

std::vector<MouseAt> Automation::MiceBefore(std::uint32_t frame) const {
  std::vector<MouseAt> out;
  for (const MouseAt& m : mice)
    if (m.frame == frame) out.push_back(m);
  return out;
}

bool Automation::Captures(std::uint32_t frame) const {
  if (captureDir.empty() || frame == 0) return false;
  if (captureEvery != 0) return frame % captureEvery == 0;
  return std::binary_search(captureAt.begin(), captureAt.end(), frame);
}

bool Automation::LosesDeviceBefore(std::uint32_t frame) const {
  return std::binary_search(loseDeviceAt.begin(), loseDeviceAt.end(), frame);
}

std::uint32_t Automation::ResetFailuresBefore(std::uint32_t frame) const {
  for (const ResetFailureAt& r : failResets)
    if (r.frame == frame) return r.count;
  return 0;
}

std::string Automation::CapturePath(std::uint32_t frame) const {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%05u.png", static_cast<unsigned>(frame));
  std::string path = captureDir;
  if (!path.empty() && path.back() != '/' && path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
  return path + name;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, bool xscreensaverForms) {
  CommandLine out;
  OptionParser options(out);
  std::size_t next = 1;  // first argument after the switch (and its handle)

  if (xscreensaverForms) {
    for (const std::string& a : args) {
      if (a == "--help" || a == "-h") out.showHelp = true;
      if (a == "--version") out.showVersion = true;
    }
    if (out.showHelp || out.showVersion) return out;
  }

  if (xscreensaverForms && (args.empty() || args[0].compare(0, 1, "/") != 0) &&
      std::any_of(args.begin(), args.end(), IsHostForm)) {
    bool window = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a == "-root" || a == "--root") {
        out.intoRootWindow = true;
      } else if (IsHostForm(a)) {
        // -window-id ID, --window-id ID or --window-id=ID: the window must be named, and exist.
        window = true;
        std::optional<std::string> id;
        if (const auto eq = a.find('='); eq != std::string::npos) {
          id = a.substr(eq + 1);
        } else if (i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0) {
          id = args[++i];
        }
        const std::optional<std::uint32_t> handle = id ? ParseHandle(*id) : std::nullopt;
        if (!handle || *handle == 0) {
          out.errors.push_back(id ? "--window-id " + *id + ": not a window id (hex 0x... or decimal)"
                                  : std::string("--window-id needs a window id"));
        } else {
          out.previewWindow = *handle;
        }
      } else if (a.compare(0, 2, "--") == 0) {
        i = options.Option(args, i);
      } else {
        out.warnings.push_back("ignored argument " + a);
      }
    }
    // A preview appended to a --root command line (what xscreensaver-settings does) wins.
    out.mode = window ? Mode::Preview : Mode::FullScreen;
    if (window) out.intoRootWindow = false;
    options.Finish();
    return out;
  }

  const std::string modeString = args.empty() ? std::string("/C") : args[0];
  const char second = modeString.size() < 2 ? '\0' : Upper(modeString[1]);
  switch (second) {
    case 'A': out.mode = Mode::PasswordChange; break;
    case 'C': out.mode = Mode::Settings; break;
    case 'P': out.mode = Mode::Preview; break;
    default: out.mode = Mode::FullScreen; break;
  }
  // An option in the switch's place selects the full-screen run (its second character is '-')
  // and is read as an option as well.
  if (!args.empty() && args[0].compare(0, 2, "--") == 0) next = 0;
  if (out.mode == Mode::PasswordChange || out.mode == Mode::Preview) {
    // The handle is the second argument; an option there means it is missing.
    if (args.size() > 1 && args[1].compare(0, 2, "--") != 0) {
      out.previewWindow = ParseHandle(args[1]).value_or(0);
      next = 2;
    }
  }
  for (std::size_t i = next; i < args.size(); ++i) {
    if (args[i].compare(0, 2, "--") == 0) {
      i = options.Option(args, i);
    } else {
      out.warnings.push_back("ignored argument " + args[i]);
    }
  }
  options.Finish();
  return out;
}

}  // namespace shell
