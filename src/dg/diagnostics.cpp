#include "dg/diagnostics.h"

#include <cstdio>
#include <cstdlib>

#include "dg/format.h"
#include "platform/paths.h"
#include "platform/sjis.h"

namespace dg {

namespace {

// The process-wide state; zero at start.
struct State {
  bool halt = false;
  bool log = false;
  bool detail = false;
  std::int32_t lineCount = 0;
  std::int32_t indent = 0;
  std::string pathOverride;
};

State& Diag() {
  static State state;
  return state;
}

constexpr const char* kLogFileName = "DGCarad_DebugLog.txt";

struct CodeName {
  std::uint32_t code;
  const char* name;
};

// Trailing spaces are part of the names.
constexpr CodeName kErrorNames[] = {
    {0x00000000u, "D3D_OK"},
    {0x8876017Cu, "D3DERR_OUTOFVIDEOMEMORY"},
    {0x88760818u, "D3DERR_WRONGTEXTUREFORMAT"},
    {0x88760819u, "D3DERR_UNSUPPORTEDCOLOROPERATION "},
    {0x8876081Au, "D3DERR_UNSUPPORTEDCOLORARG "},
    {0x8876081Bu, "D3DERR_UNSUPPORTEDALPHAOPERATION "},
    {0x8876081Cu, "D3DERR_UNSUPPORTEDALPHAARG "},
    {0x8876081Du, "D3DERR_TOOMANYOPERATIONS "},
    {0x8876081Eu, "D3DERR_CONFLICTINGTEXTUREFILTER"},
    {0x8876081Fu, "D3DERR_UNSUPPORTEDFACTORVALUE"},
    {0x88760821u, "D3DERR_CONFLICTINGRENDERSTATE"},
    {0x88760822u, "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    {0x88760826u, "D3DERR_CONFLICTINGTEXTUREPALETTE "},
    {0x88760827u, "D3DERR_DRIVERINTERNALERROR "},
    {0x88760866u, "D3DERR_NOTFOUND"},
    {0x88760867u, "D3DERR_MOREDATA"},
    {0x88760868u, "D3DERR_DEVICELOST"},
    {0x88760869u, "D3DERR_DEVICENOTRESET"},
    {0x8876086Au, "D3DERR_NOTAVAILABLE"},
    {0x8876086Bu, "D3DERR_INVALIDDEVICE "},
    {0x8876086Cu, "D3DERR_INVALIDCALL "},
    {0x8876086Du, "D3DERR_DRIVERINVALIDCALL "},
};

constexpr std::uint32_t FourCC(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

constexpr CodeName kFormatNames[] = {
    {20, "R8G8B8"},
    {21, "A8R8G8B8"},
    {22, "X8R8G8B8"},
    {23, "R5G6B5"},
    {24, "X1R5G5B5"},
    {25, "A1R5G5B5"},
    {26, "A4R4G4B4"},
    {27, "R3G3B2"},
    {28, "A8"},
    {29, "A8R3G3B2"},
    {30, "X4R4G4B4"},
    {40, "A8P8"},
    {41, "P8"},
    {50, "L8"},
    {51, "A8L8"},
    {52, "A4L4"},
    {60, "V8U8"},
    {61, "L6V5U5"},
    {62, "X8L8V8U8"},
    {63, "Q8W8V8U8"},
    {64, "V16U16"},
    {70, "D16_LOCKABLE"},
    {71, "D32"},
    {73, "D15S1"},
    {75, "D24S8"},
    {77, "D24X8"},
    {79, "D24X4S4"},
    {80, "D16"},
    {100, "VERTEXDATA"},
    {101, "INDEX16"},
    {102, "INDEX32"},
    {FourCC('D', 'X', 'T', '1'), "DXT1"},
    {FourCC('D', 'X', 'T', '2'), "DXT2"},
    {FourCC('D', 'X', 'T', '3'), "DXT3"},
    {FourCC('D', 'X', 'T', '4'), "DXT4"},
    {FourCC('D', 'X', 'T', '5'), "DXT5"},
    {FourCC('U', 'Y', 'V', 'Y'), "UYVY"},
    {FourCC('Y', 'U', 'Y', '2'), "YUY2"},
};

// Writes one whole line; false when the file could not be opened or the bytes did not all reach it.
bool WriteLine(const std::string& path, bool fresh, const std::string& line) {
  std::FILE* f = std::fopen(path.c_str(), fresh ? "wb" : "ab");
  if (!f) return false;
  const bool written = std::fwrite(line.data(), 1, line.size(), f) == line.size();
  const bool closed = std::fclose(f) == 0;
  return written && closed;
}

}  // namespace

void AssignDebugOption(TDGDebugOption options) {
  State& s = Diag();
  s.halt = (options & dgoHaltOnError) != 0;
  s.log = (options & dgoDebugMessage) != 0;
  s.detail = (options & dgoDetailedLog) != 0;
}

bool HaltSwitch() { return Diag().halt; }
bool LogSwitch() { return Diag().log; }
bool DetailSwitch() { return Diag().detail; }

std::string LogFilePath() {
  const State& s = Diag();
  if (!s.pathOverride.empty()) return s.pathOverride;
  const std::string folder = platform::SettingsFolder();
  return folder.empty() ? std::string() : folder + kLogFileName;
}

void DebugLog(const std::string& text) {
  State& s = Diag();
  if (!s.log) return;
  // The count wraps like the 32-bit counter it is, without signed overflow.
  const auto next = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.lineCount) + 1u);
  std::string line = Format("#%.5d | ", static_cast<int>(next));
  for (std::int32_t i = 0; i < s.indent; ++i) line += "  ";
  line += text;
  line += "\r\n";
  // A line that cannot be written is dropped: the saver must not stop over its log. The settings
  // folder is made when the log is first written there.
  const std::string path = LogFilePath();
  if (path.empty()) return;
  bool written = WriteLine(path, s.lineCount == 0, line);
  if (!written && s.pathOverride.empty() && platform::CreateSettingsFolder())
    written = WriteLine(path, s.lineCount == 0, line);
  if (written) s.lineCount = next;
}

void DetailLog(const std::string& text) {
  if (Diag().detail) DebugLog(text);
}

std::int32_t LogResult(std::int32_t code, const std::string& message) {
  if (code != 0) DebugLog(message + Format("(Error Code = %s)", ErrorName(code).c_str()));
  return code;
}

std::int32_t CheckResult(std::int32_t code, const std::string& message) {
  if (LogResult(code, message) != 0 && Diag().halt)
    HaltProgram(message + Format("(Error Code = %s)", ErrorName(code).c_str()));
  return code;
}

std::string ErrorName(std::int32_t code) {
  const auto value = static_cast<std::uint32_t>(code);
  for (const CodeName& e : kErrorNames) {
    if (e.code == value) return e.name;
  }
  return Format("UNKNOWN ERROR ... $%.8X", static_cast<unsigned>(value));
}

std::string FormatName(std::uint32_t format) {
  for (const CodeName& e : kFormatNames) {
    if (e.code == format) return e.name;
  }
  return "UNKNOWN";
}

std::int32_t LogIndent() { return Diag().indent; }
void SetLogIndent(std::int32_t depth) { Diag().indent = depth; }
std::int32_t LogLineCount() { return Diag().lineCount; }

void SetLogFilePathOverride(const std::string& path) { Diag().pathOverride = path; }

void ResetDiagnostics() {
  State& s = Diag();
  s.halt = s.log = s.detail = false;
  s.lineCount = 0;
  s.indent = 0;
}

namespace {
HaltHook g_haltHook = nullptr;
}  // namespace

void SetHaltHook(HaltHook hook) { g_haltHook = hook; }

void HaltProgram(const std::string& reason) {
  if (g_haltHook) g_haltHook();
  // The log may be off or unwritable: the reason also goes to stderr, so that whoever started the
  // program (a screen-saver host, a script) sees why the run ended.
  std::fprintf(stderr, "corvane_kestor: the run ends: %s\n", sjis::ToUtf8(reason).c_str());
  std::fflush(nullptr);
  std::exit(kHaltExitCode);
}

}  // namespace dg
