// Diagnostics: the printf-style debug print, its indentation, assertion reports and
// the debug error box.
//
// The print goes to a sink, standard error by default (the debugger's output on the
// platform this engine came from), so what it reports is a problem someone should see;
// tests install their own sink. Notes that report no problem go through DebugNote, which
// reaches an installed sink only: like that debugger output with no debugger listening,
// they are lost in a normal run, which therefore prints nothing. The error box goes
// through a handler that the platform layer installs; with none installed, or with no
// display, it never blocks and answers OK.
#pragma once

#include <cstdarg>
#include <functional>
#include <string>

void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugPrintV(const char* format, va_list args);
void DebugPrintSilent(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugPrintLines(int count, const char* const* texts);
// Formats as DebugPrint does; the text reaches the sink when one is installed and is
// dropped otherwise.
void DebugNote(const char* format, ...) __attribute__((format(printf, 1, 2)));

void PushDebugIndent();
void PopDebugIndent();
const std::string& DebugIndent();

// Prints the report and ends the program with a non-zero exit code.
[[noreturn]] void ReportRuntimeAssertion(const char* text, const char* file, int line);

// Shows "Kelpo Debug Error" with OK and Cancel; Cancel stops the program through the
// assertion "false".
void DebugErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ReportMeshDebugError(const std::string& text);
void ReportWarning(const char* file, int line, const std::string& text);

// Where printed text goes; an empty function restores standard error.
using DebugSink = std::function<void(const std::string& text)>;
void SetDebugSink(DebugSink sink);

// The error box: caption and text in, true for OK, false for Cancel.
using DebugBoxHandler = std::function<bool(const std::string& caption, const std::string& text)>;
void SetDebugBoxHandler(DebugBoxHandler handler);

// The library assertion: prints "Assertion failed: <expr>, file <file>, line <line>"
// to standard error and aborts.
[[noreturn]] void LibraryAssertion(const char* expression, const char* file, int line);
