#pragma once

#include <cstdint>
#include <map>
#include <string>

class LogfileWriter;

// Keeps the per-user library folder present and current. appDirFolder ends with a backslash;
// the library folders carry none. A copy is made under the temporary name libDir + "_tmp" and
// becomes libDir by one rename once it is complete, so that an interrupted or failed copy never
// counts as a library; what is found under that name is a leftover and is removed. Callers hold
// the LibraryLock of the application folder. Throws the IOExceptions of the folder operations
// (the renames of the swap with kind InUse).
void maintainLibraryFolder(const std::wstring& appDirFolder, const std::wstring& installLibDir,
                           const std::wstring& libDir, LogfileWriter& log);

// The class path of libDir; when it yields nothing, repairs libDir from installLibDir at most
// twice (a failed copy of the first repair is logged and leads to the second). Throws
// IOException (kind Installation) when the folder still yields no class path, and the
// IOExceptions of the folder operations of the second repair.
std::wstring createClasspathWithRecovery(const std::wstring& libDir, const std::wstring& installLibDir,
                                         LogfileWriter& log);

// The name of the file that marks a library folder as complete (written into every copy and every
// swapped-in folder before it takes its place).
extern const wchar_t kLibraryCompleteMarker[];

// Whether a library folder that an earlier launcher seeded in place (no marker) was cut short:
// everything in it also lies in the installation's library with the same size, apart from the
// last file being copied, and something of the installation is missing or shorter. A library
// holding files the installation lacks came from an update and is kept. Files by relative path
// with their sizes, as copiedFilesBelow lists them. Never throws.
bool looksCutShort(const std::map<std::wstring, std::uint64_t>& installFiles,
                   const std::map<std::wstring, std::uint64_t>& libFiles);
