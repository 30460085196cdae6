#pragma once

#include <string>

class LogfileWriter;

// Starts the Java runtime with the command line and keeps the splash on screen until the runtime
// is ready for input: at most four passes of WaitForInputIdle (30 s each) with 800 ms pauses.
// Throws IOException (kind Installation) with the bilingual text when the process is not created,
// also for a command line too long to start a process with (error 206, as Windows reports it).
void startJavaProcess(const std::wstring& commandLine, LogfileWriter& log);
