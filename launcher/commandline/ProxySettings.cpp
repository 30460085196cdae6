#include "launcher/commandline/ProxySettings.h"

#include <windows.h>

#include "launcher/commandline/JavaCommandLine.h"
#include "support/RegistryEntry.h"

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
