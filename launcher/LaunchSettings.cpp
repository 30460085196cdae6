#include "launcher/LaunchSettings.h"

#include <string>

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
