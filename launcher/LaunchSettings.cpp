#include "launcher/LaunchSettings.h"

#include "support/FileInputStream.h"
#include "support/Utf8StreamReader.h"

std::wstring installFolderFromCommandLine(const std::wstring& commandLine) {
    const std::wstring currentFolder = L".\\";
    if (commandLine.empty()) return currentFolder;
    std::wstring programPath;
    if (commandLine[0] == L'"') {
        const std::size_t closingQuote = commandLine.find(L'"', 1);
        if (closingQuote == std::wstring::npos) return currentFolder;
        programPath = commandLine.substr(1, closingQuote - 1);
    } else {
        const std::size_t blank = commandLine.find(L' ');
        programPath = (blank == std::wstring::npos || blank == 0) ? commandLine : commandLine.substr(0, blank);
    }
    if (programPath.empty()) return currentFolder;
    const std::size_t lastBackslash = programPath.rfind(L'\\');
    if (lastBackslash == std::wstring::npos) return currentFolder;
    return programPath.substr(0, lastBackslash + 1);
}

bool appDirFolderFromLaunchIniLine(const std::wstring& line, const std::wstring& installFolder,
                                   std::wstring& appDirFolder) {
    if (line == L"appPath=${homePath}") {
        appDirFolder = installFolder;
        return true;
    }
    const std::wstring appDirKey = L"appDir=";
    if (line.compare(0, appDirKey.size(), appDirKey) != 0) return false;
    // The value is taken as it stands: not trimmed, not made absolute.
    const std::wstring value = line.substr(appDirKey.size());
    appDirFolder = value == L"${installDir}" ? installFolder : value + L"\\";
    return true;
}

std::wstring readFirstLine(const std::wstring& path) {
    std::wstring line;
    FileInputStream stream(path);
    if (!stream.isOpen()) return line;
    Utf8StreamReader reader(stream);
    reader.readLine(line);
    reader.close();
    return line;
}
