#pragma once

#include <string>

class LogfileWriter;

// Keeps the per-user library folder present and current. appDirFolder ends with a backslash;
// the library folders carry none. Throws the IOExceptions of the folder operations (the two
// renames of the swap with kind InUse).
void maintainLibraryFolder(const std::wstring& appDirFolder, const std::wstring& installLibDir,
                           const std::wstring& libDir, LogfileWriter& log);

// The class path of libDir; when it yields nothing, repairs libDir from installLibDir at most
// twice (a failed copy of the first repair is logged and leads to the second). Throws
// IOException (kind Installation) when the folder still yields no class path, and the
// IOExceptions of the folder operations of the second repair.
std::wstring createClasspathWithRecovery(const std::wstring& libDir, const std::wstring& installLibDir,
                                         LogfileWriter& log);
