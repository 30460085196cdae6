#pragma once

#include <cstddef>
#include <string>

// The pieces of the Java runtime's command line, composed from plain strings.

// value as one argument of a process command line: enclosed in double quotes, a double quote
// inside written as \" and the backslashes before a double quote (the closing one included)
// doubled, so that the usual splitting (CommandLineToArgvW, the Java launcher's own) gives back
// exactly value. A value without double quote and trailing backslash is only enclosed.
// Never throws but std::bad_alloc.
std::wstring quotedArgument(const std::wstring& value);

// One "-Dlaunch." option, quoted as one argument, appended to options (blank-separated); nothing
// for an empty value. Never throws but std::bad_alloc.
void appendLaunchProperty(const std::wstring& name, const std::wstring& value, std::wstring& options);

struct JavaCommandLineParts {
    std::wstring javaPath;
    std::wstring classpath;
    std::wstring propertyOptions;
    std::wstring additionalOptions;
    std::wstring appDir;
    std::wstring installDir;
    std::wstring dataDir;
};

// Quoted runtime, " -classpath " and the quoted class path, the options, " a.a " and the three
// quoted folders. The options are taken as they are: additionalOptions is options text. The
// length is not checked (see fitsProcessCommandLine). Never throws but std::bad_alloc.
std::wstring composeJavaCommandLine(const JavaCommandLineParts& parts);

// The longest command line that CreateProcessW accepts: 32,767 characters with the terminating
// zero.
constexpr std::size_t kMaxProcessCommandLineLength = 32766;

// Whether a process can be started with commandLine. Windows refuses a longer one; Wine cuts it
// and starts the program without what stood at its end. Never throws.
bool fitsProcessCommandLine(const std::wstring& commandLine);
