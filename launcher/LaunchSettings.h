#pragma once

#include <string>

// How the launcher derives its folders from its own program path and from launch.ini.

// The folder of a program path, with a trailing backslash; ".\" when the path names no folder.
// Never throws.
std::wstring programFolder(const std::wstring& programPath);

// The application folder (with trailing backslash) that a first line of launch.ini selects.
// False when the line selects the default per-user folder, which the caller must create.
bool appDirFolderFromLaunchIniLine(const std::wstring& line, const std::wstring& installFolder,
                                   std::wstring& appDirFolder);

// The first line of a text file, verbatim but for a leading byte-order mark: UTF-16LE after the
// mark FF FE, UTF-8 otherwise (after a UTF-8 mark or none); empty when the file cannot be opened
// or holds no byte. Throws IOException on read or conversion errors.
std::wstring readFirstLine(const std::wstring& path);

// Appends the proxy properties from the user's Internet settings in the registry (proxyEnabled,
// the proxy server's, autoConfigUrl, proxyOverride); appends nothing when the key cannot be
// opened. A missing or non-DWORD ProxyEnable counts as off. Never throws.
void appendInternetSettingsProperties(std::wstring& propertyOptions);
