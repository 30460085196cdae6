#include "launcher/LaunchSettings.h"

#include "support/FileInputStream.h"
#include "support/Utf8StreamReader.h"

std::wstring programFolder(const std::wstring& programPath) {
    const std::size_t lastBackslash = programPath.rfind(L'\\');
    if (lastBackslash == std::wstring::npos) return L".\\";
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
    // Editors such as older Notepad start a UTF-8 file with a byte-order mark: it marks the file,
    // it is no part of the setting.
    if (!line.empty() && line[0] == L'\uFEFF') line.erase(0, 1);
    return line;
}
