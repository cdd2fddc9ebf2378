// Diagnostics of the device layer: the numbered debug log, the result check that can end the
// program, and the names of Direct3D result codes and surface formats.
//
// Process-wide state, one copy per program, all zero at start: three switches (halt, log, detail)
// set together by AssignDebugOption, the count of lines written in this run and the indent depth.
// Single-threaded: call only from the window's thread.
//
// The log is "DGCarad_DebugLog.txt" in platform::SettingsFolder() (on Windows the program folder),
// Shift-JIS lines "#%.5d | %s%s" (count, two spaces per indent level, text) ending in CR LF. The
// first line of a run recreates the file, later lines append; the file is opened and closed for
// every line; the settings folder is created when a line cannot be written without it. A line that
// cannot be written (folder read-only or impossible to make, no home folder, disk full) is dropped
// without error and does not count.
#pragma once

#include <cstdint>
#include <string>

namespace dg {

// The TDGDebugOption set as a byte.
using TDGDebugOption = std::uint8_t;
constexpr TDGDebugOption dgoHaltOnError = 1u << 0;
constexpr TDGDebugOption dgoDebugMessage = 1u << 1;
constexpr TDGDebugOption dgoDetailedLog = 1u << 2;

// Sets the three switches from the option bits (TDGCarad's DebugOption assignment).
void AssignDebugOption(TDGDebugOption options);
bool HaltSwitch();
bool LogSwitch();
bool DetailSwitch();

// One numbered line, only with the log switch on.
void DebugLog(const std::string& text);
// DebugLog(text), only with the detail switch on (the log switch is needed as well).
void DetailLog(const std::string& text);

// Code 0: nothing, returns 0. Any other code: logs `message` directly followed by
// "(Error Code = <ErrorName(code)>)", then ends the program (exit code 0) when the halt switch is
// on; otherwise returns `code`. Release() counts are passed here as codes: non-zero fails.
std::int32_t CheckResult(std::int32_t code, const std::string& message);
// CheckResult without the halt: the same line for a failure that its caller recovers from (a
// failed Reset is tried again on a later frame), whatever the halt switch says.
std::int32_t LogResult(std::int32_t code, const std::string& message);

// The name of a Direct3D result code, trailing spaces included as listed; any other code gives
// "UNKNOWN ERROR ... $XXXXXXXX" (eight upper-case hexadecimal digits).
std::string ErrorName(std::int32_t code);
// The name of a D3DFORMAT value ("A8R8G8B8", "DXT1", ...); any other value gives "UNKNOWN".
std::string FormatName(std::uint32_t format);

// Indentation of the log lines, raised and lowered around the device layer's groups of lines.
std::int32_t LogIndent();
void SetLogIndent(std::int32_t depth);
inline void IndentLog() { SetLogIndent(LogIndent() + 1); }
inline void OutdentLog() { SetLogIndent(LogIndent() - 1); }

// Lines written so far in this run.
std::int32_t LogLineCount();

// The file the next line goes to.
std::string LogFilePath();

// For tests and tools: a full path that replaces the log file's (empty restores the normal one),
// and a return to the state of a fresh process (switches off, count and indent 0, so the next line
// recreates the file). Neither is used by the program itself.
void SetLogFilePathOverride(const std::string& path);
void ResetDiagnostics();

// The orderly end of the program used by CheckResult and the scene graph's fatal errors: prints
// `reason` (Shift-JIS, shown as UTF-8) on stderr, flushes the C streams and exits with
// kHaltExitCode: a run that had to stop is not a success. With a halt hook set, the hook runs
// first instead.
constexpr int kHaltExitCode = 1;
[[noreturn]] void HaltProgram(const std::string& reason);

// For tests and fuzzing harnesses only (never set by the program): a function HaltProgram calls
// in place of ending the process, so that a harness can observe a halt and go on. The hook must
// not return; it throws an exception of its own, which unwinds out of the halting call to the
// harness. Should it return, the process ends as without a hook. Null removes it (the default).
using HaltHook = void (*)();
void SetHaltHook(HaltHook hook);

}  // namespace dg
