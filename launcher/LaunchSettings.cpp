#include "launcher/LaunchSettings.h"

#include <windows.h>

#include "launcher/JavaCommandLine.h"
#include "support/FileInputStream.h"
#include "support/RegistryEntry.h"
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

void appendInternetSettingsProperties(std::wstring& propertyOptions) {
    const RegistryEntry internetSettings(HKEY_CURRENT_USER,
                                         L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0);
    if (!internetSettings.isOpen()) return;
    DWORD proxyEnable = 0;  // missing or not a DWORD: proxy off
    std::wstring autoConfigUrl;
    std::wstring proxyServer;
    std::wstring proxyOverride;
    internetSettings.getDword(L"ProxyEnable", proxyEnable);
    internetSettings.getString(L"AutoConfigURL", autoConfigUrl);
    internetSettings.getString(L"ProxyServer", proxyServer);
    internetSettings.getString(L"ProxyOverride", proxyOverride);
    appendLaunchProperty(L"proxyEnabled", proxyEnable != 0 ? L"true" : L"false", propertyOptions);
    appendProxyProperties(proxyServer, propertyOptions);
    appendLaunchProperty(L"autoConfigUrl", autoConfigUrl, propertyOptions);
    appendLaunchProperty(L"proxyOverride", proxyOverride, propertyOptions);
}
