#include "launcher/JavaCommandLine.h"

void appendLaunchProperty(const std::wstring& name, const std::wstring& value, std::wstring& options) {
    if (value.empty()) return;
    if (!options.empty()) options += L' ';
    options += L"\"-Dlaunch." + name + L"=" + value + L"\"";
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
    std::wstring commandLine = L"\"" + parts.javaPath + L"\"";
    commandLine += L" -classpath \"" + parts.classpath + L"\"";
    if (!parts.propertyOptions.empty()) commandLine += L" " + parts.propertyOptions;
    if (!parts.additionalOptions.empty()) commandLine += L" " + parts.additionalOptions;
    commandLine += L" a.a ";
    commandLine += L"\"" + parts.appDir + L"\" \"" + parts.installDir + L"\" \"" + parts.dataDir + L"\"";
    return commandLine;
}
