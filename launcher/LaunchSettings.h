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
