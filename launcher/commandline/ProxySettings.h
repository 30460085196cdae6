#pragma once

#include <string>

// The user's proxy settings as "-Dlaunch." options.

// The proxyHost and proxyPort options of an Internet settings "ProxyServer" text: the whole text
// as host:port, or in a per-protocol list ("http=...;https=...") only the "https=" entry.
void appendProxyProperties(const std::wstring& proxyServer, std::wstring& options);

// Appends the proxy properties from the user's Internet settings in the registry (proxyEnabled,
// the proxy server's, autoConfigUrl, proxyOverride); appends nothing when the key cannot be
// opened. A missing or non-DWORD ProxyEnable counts as off. Never throws.
void appendInternetSettingsProperties(std::wstring& propertyOptions);
