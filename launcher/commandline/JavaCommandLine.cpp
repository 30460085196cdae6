#include "launcher/commandline/JavaCommandLine.h"

std::wstring quotedArgument(const std::wstring& value) {
    std::wstring quoted(1, L'"');
    // Backslashes are plain text unless a double quote follows them: only then are they doubled.
    std::size_t backslashes = 0;
    for (const wchar_t character : value) {
        if (character == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(character == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted += character;
        backslashes = 0;
    }
    // The closing quote follows the last backslashes.
    quoted.append(2 * backslashes, L'\\');
    quoted += L'"';
    return quoted;
}

void appendLaunchProperty(const std::wstring& name, const std::wstring& value, std::wstring& options) {
    if (value.empty()) return;
    if (!options.empty()) options += L' ';
    // The registry values come from any program of the user: a quote in one must not end the
    // argument and start options of its own.
    options += quotedArgument(L"-Dlaunch." + name + L"=" + value);
}

std::wstring composeJavaCommandLine(const JavaCommandLineParts& parts) {
    // The program name is split by other rules (up to the next quote, backslashes plain), but a
    // path ending in javaw.exe holds neither a quote nor a trailing backslash, so both agree.
    std::wstring commandLine = quotedArgument(parts.javaPath);
    commandLine += L" -classpath " + quotedArgument(parts.classpath);
    if (!parts.propertyOptions.empty()) commandLine += L" " + parts.propertyOptions;
    if (!parts.additionalOptions.empty()) commandLine += L" " + parts.additionalOptions;
    commandLine += L" a.a ";
    // appDir keeps a trailing backslash that launch.ini gave it.
    commandLine += quotedArgument(parts.appDir) + L" " + quotedArgument(parts.installDir) + L" " +
                   quotedArgument(parts.dataDir);
    return commandLine;
}

bool fitsProcessCommandLine(const std::wstring& commandLine) {
    return commandLine.size() <= kMaxProcessCommandLineLength;
}
