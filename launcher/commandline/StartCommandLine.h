#pragma once

#include <string>
#include <vector>

#include "launcher/commandline/JavaCommandLine.h"

class LogfileWriter;

// The entries of a class path that the launcher joined with ";" from the files below libDir. Every
// entry starts with libDir + "\", so the text is split only at a ";" that such a start follows: a
// ";" inside a name stays in it (a name can hold no ":" and no empty part, so with an absolute
// libDir no split is ever wrong). Empty for an empty class path. Never throws.
std::vector<std::wstring> classpathEntries(const std::wstring& classpath, const std::wstring& libDir);

// The command line that the runtime is started with: composeJavaCommandLine of the parts with
// every path in the form the runtime reads (runtimeReadablePath: the runtime path and the three
// folders; each class path entry of parts.classpath, the files below libDir, as well), whenever
// that fits a process command line. Then a classpath.jar that an earlier start left in appDirFolder
// is deleted (logged; one that a running client holds stays, also logged). Otherwise, or when an
// entry has no form the runtime reads (no short name on its volume), the class path goes into the
// manifest jar kManifestJarName in appDirFolder (ending with a backslash), built from the entries
// (folders with their closing "/", a name UTF-8 cannot carry by its short form) and written in
// one step (the caller holds the application folder's LibraryLock, so no second launcher writes
// it at the same time); the log says so with the jar's path, and the jar's readable path is the
// whole class path of the line. When even that line is too long (its options alone are), no jar
// is written and the line with the whole class path is returned: the process start reports it.
// composed, when given, receives the parts of the returned line (the readable paths, the class path
// as handed over). Throws IOException when a path has no form the runtime reads (kind Installation,
// see runtimeReadablePath) and when the jar cannot be written.
std::wstring composeStartCommandLine(const JavaCommandLineParts& parts, const std::wstring& libDir,
                                     const std::wstring& appDirFolder, LogfileWriter& log,
                                     JavaCommandLineParts* composed = nullptr);
