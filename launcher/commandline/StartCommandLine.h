#pragma once

#include <string>

#include "launcher/commandline/JavaCommandLine.h"

class LogfileWriter;

// The command line that the runtime is started with. It is composeJavaCommandLine(parts) whenever
// that fits a process command line. Otherwise the class path goes into the manifest jar
// kManifestJarName in appDirFolder (ending with a backslash), written in one step (the caller holds
// the application folder's LibraryLock, so no second launcher writes it at the same time), the log
// says so with the jar's path, and the jar's path is the
// whole class path of the line. When even that line is too long (its options alone are), the
// full line is returned unchanged and the process start reports it. Throws IOException when the
// jar cannot be written.
std::wstring composeStartCommandLine(const JavaCommandLineParts& parts, const std::wstring& appDirFolder,
                                     LogfileWriter& log);
