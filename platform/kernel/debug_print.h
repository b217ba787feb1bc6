#pragma once
// Debug output, as drivers write it to the kernel debugger. Lines go to
// standard output unless a test captures them.

#include <string>

namespace vox::kernel {

// printf-style; besides the usual conversions, %ws takes a NUL-terminated
// UTF-16 string (const char16_t*), written as UTF-8.
void DbgPrint(const char* format, ...);

// Where lines go when nobody captures them. A program that keeps its standard
// output for its own diagnostics sends them to standard error, or nowhere, as
// on a machine with no kernel debugger attached.
enum class DebugOutput { StandardOutput, StandardError, Nowhere };
void setDebugOutput(DebugOutput destination);
// While capturing, output collects in memory instead.
void captureDebugOutput(bool capture);
// Returns what was captured since the last call and forgets it.
std::string takeDebugOutput();

}  // namespace vox::kernel
