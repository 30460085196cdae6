#pragma once

#include <string>

class LogfileWriter;

// The Java runtime's own launcher takes its command line with GetCommandLineA, in the system's
// ANSI code page, and finds its home with GetModuleFileNameA: a letter that the code page cannot
// carry (a user folder such as "Gülşen Yılmaz" on a 1252 system) reaches it as a look-alike or a
// "?", and the path names nothing. Such a path is handed over in its short form, which is plain
// ASCII. Every path that goes to the runtime passes through here.

// How the runtime reads the path.
enum class RuntimePathUse {
    // The program, a folder argument, any other path option: only the code page matters.
    Plain,
    // An entry of the plain class path or the manifest jar's own path: the runtime also splits the
    // class path at ";", trips over "%" when it decodes an entry, and over a letter outside the
    // Basic Multilingual Plane in the jar's path.
    ClassPathEntry
};

// Whether the runtime reads path exactly as written when its launcher works in codePage: the text
// survives WideCharToMultiByte (no best fit, no default character) and the way back unchanged;
// for code page 65001 (UTF-8) every well-formed text does. A lone surrogate never survives.
// Never throws.
bool runtimeReadsAsWritten(const std::wstring& path, unsigned int codePage, RuntimePathUse use);

// The text to hand over: path when the runtime reads it as written, otherwise shortForm when the
// runtime reads that; empty when neither (no short form: short names are off on that volume, or
// the path does not exist). Never throws.
std::wstring chooseRuntimePath(const std::wstring& path, const std::wstring& shortForm, unsigned int codePage,
                               RuntimePathUse use);

// The path as the runtime can read it on this system (GetACP): the path itself or its short form
// (GetShortPathNameW, asked only when needed), into readable; false, with readable empty, when
// there is none. Logs nothing, never throws.
bool tryRuntimeReadablePath(const std::wstring& path, RuntimePathUse use, std::wstring& readable);

// The path as the runtime can read it on this system (GetACP): the path itself, byte for byte,
// or its short form (GetShortPathNameW, asked only when needed), which the log names. Throws
// IOException (kind Installation) naming the path and the administrator's remedies (an appDir=
// line in launch.ini, short names on the volume) when there is no form the runtime reads, and
// what the log throws.
std::wstring runtimeReadablePath(const std::wstring& path, RuntimePathUse use, LogfileWriter& log);
