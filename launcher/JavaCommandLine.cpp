#include "launcher/JavaCommandLine.h"

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

void appendProxyProperties(const std::wstring& proxyServer, std::wstring& options) {
    std::wstring proxy = proxyServer;
    if (proxyServer.find(L'=') != std::wstring::npos) {
        const std::wstring httpsKey = L"https=";
        const std::size_t httpsEntry = proxyServer.find(httpsKey);
        if (httpsEntry == std::wstring::npos) return;
        const std::size_t start = httpsEntry + httpsKey.size();
        const std::size_t end = proxyServer.find(L';', start);
        proxy = proxyServer.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    }
    const std::size_t colon = proxy.find(L':');
    if (colon == std::wstring::npos) {
        appendLaunchProperty(L"proxyHost", proxy, options);
        return;
    }
    appendLaunchProperty(L"proxyHost", proxy.substr(0, colon), options);
    appendLaunchProperty(L"proxyPort", proxy.substr(colon + 1), options);
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
