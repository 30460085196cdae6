#pragma once

#include <string>

class LogfileWriter;

// Starts the Java runtime with the command line and keeps the splash on screen until the runtime
// is ready for input: at most four passes of WaitForInputIdle (30 s each) with 800 ms pauses.
// Throws IOException (kind Installation) with the bilingual text when the process is not created,
// also for a command line too long to start a process with (error 206, as Windows reports it),
// and when the runtime has already ended with an exit code other than 0 once the waits are over
// (logged with its code).
void startJavaProcess(const std::wstring& commandLine, LogfileWriter& log);

// Whether a runtime has failed to start the client, from WaitForSingleObject's answer on its
// process after the waits (WAIT_OBJECT_0: it has ended) and its exit code: ended with a code other
// than 0. A runtime still running, one that ended with 0 and a wait that failed are no failure.
// Never throws.
bool endedAtOnceWithFailure(unsigned long waitResult, unsigned long exitCode);
