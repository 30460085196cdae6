#pragma once

#include <string>
#include <vector>

// What a real Java runtime's launcher (java.exe, javaw.exe) reads of its start: it takes its
// command line with GetCommandLineA, in the ANSI code page, and splits it by rules of its own
// (inside a quoted part "" is one literal quote and the part stays open), and it finds its home
// with GetModuleFileNameA. The stand-in runtime and the bridge read themselves this way, and the
// tests judge command lines by the same rules. No test framework needed.
namespace testdriver {

// The arguments of commandLine split by the Java launcher's rules, the program first: backslashes
// are literal unless a quote follows them (2n give n and the quote counts, 2n+1 give n and a literal
// quote); a quote toggles the quoted part, and a quote right after one that closed a part is a
// literal quote and reopens the part; blanks and tabs outside a quoted part separate arguments; an
// empty quoted part is an empty argument. Never throws.
std::vector<std::wstring> runtimeArguments(const std::wstring& commandLine);

// text as it comes back from the ANSI code page: what the system hands a program that asks for the
// ANSI form of a text (best fit, "?" for what has no look-alike). Never throws.
std::wstring ansiView(const std::wstring& text);

// This process's command line and program path as a Java runtime's launcher reads them
// (GetCommandLineA, GetModuleFileNameA), decoded from the ANSI code page.
std::wstring ansiCommandLine();
std::wstring ansiModuleFileName();

}  // namespace testdriver
