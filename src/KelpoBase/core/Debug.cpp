#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/Array.h"
#include "KelpoBase/core/TextUtil.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
std::string gIndent;

DebugSink& Sink()
{
    static DebugSink sink;
    return sink;
}

DebugBoxHandler& BoxHandler()
{
    static DebugBoxHandler handler;
    return handler;
}

std::string FormatV(const char* format, va_list args)
{
    std::string text;
    FormatStringV(text, format, args);
    return text;
}

void Emit(const std::string& text)
{
    if (Sink())
        Sink()(text);
    else
        std::fputs(text.c_str(), stderr);
}

bool ShowBox(const std::string& text)
{
    if (BoxHandler())
        return BoxHandler()("Kelpo Debug Error", text);
    std::fprintf(stderr, "Kelpo Debug Error: %s\n", text.c_str());
    return true;
}
} // namespace

void DebugPrintV(const char* format, va_list args) { Emit(gIndent + FormatV(format, args)); }

void DebugPrint(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    DebugPrintV(format, args);
    va_end(args);
}

void DebugPrintSilent(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    (void)FormatV(format, args);
    va_end(args);
}

void DebugNote(const char* format, ...)
{
    if (!Sink())
        return;
    va_list args;
    va_start(args, format);
    Sink()(gIndent + FormatV(format, args));
    va_end(args);
}

void DebugPrintLines(int count, const char* const* texts)
{
    for (int i = 0; i < count; ++i)
        Emit(gIndent + texts[i]);
}

void PushDebugIndent() { gIndent.push_back('\t'); }

void PopDebugIndent()
{
    if (!gIndent.empty())
        gIndent.pop_back();
}

const std::string& DebugIndent() { return gIndent; }

void ReportRuntimeAssertion(const char* text, const char* file, int line)
{
    const std::string rule(62, '=');
    DebugPrint("%s\n", rule.c_str());
    DebugPrint("ERROR: KELPO RUNTIME ASSERTION:\n");
    DebugPrint("\n");
    DebugPrint("%s (%d): %s\n", file, line, text);
    DebugPrint("\n");
    DebugPrint("%s\n", rule.c_str());
    // A failed assertion is a failure: the exit code says so.
    std::exit(1);
}

void DebugErrorBox(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    if (!ShowBox(text))
        LibraryAssertion("false", "src\\KelpoBase\\KelpoSystem", 354);
}

void ReportMeshDebugError(const std::string& text)
{
    std::string message = "\n\n" + text + "\n\n" + "src\\KelpoBase\\cMesh" + " : " + "109" + "\n\n";
    if (!ShowBox(message))
        LibraryAssertion("false", "src\\KelpoBase\\KelpoSystem", 338);
}

void ReportWarning(const char* file, int line, const std::string& text)
{
    DebugPrint("%s(%d) : WARNING: %s\n", file, line, text.c_str());
}

void SetDebugSink(DebugSink sink) { Sink() = std::move(sink); }
void SetDebugBoxHandler(DebugBoxHandler handler) { BoxHandler() = std::move(handler); }

void LibraryAssertion(const char* expression, const char* file, int line)
{
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, file, line);
    std::fflush(stderr);
    std::abort();
}

void ArrayIndexFailure(const char* file, int line) { LibraryAssertion("i<asize", file, line); }
