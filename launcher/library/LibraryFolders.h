#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

class LogfileWriter;

// Keeps the per-user library folder present and current. appDirFolder ends with a backslash;
// the library folders carry none. A copy is made under the temporary name libDir + "_tmp" and
// becomes libDir by one rename once it is complete and checked against its sources, so that an
// interrupted or failed copy never counts as a library; what is found under that name is a
// leftover and is removed (a complete, marked copy with no libDir beside it takes its place
// instead). A leftover that cannot be removed is logged and left for a later start, and the next
// copy takes a fresh temporary name. Callers hold the LibraryLock of the application folder.
// Throws the IOExceptions of the folder operations (the renames of the swap with kind InUse).
void maintainLibraryFolder(const std::wstring& appDirFolder, const std::wstring& installLibDir,
                           const std::wstring& libDir, LogfileWriter& log);

// The class path of libDir; when it yields nothing, repairs libDir from installLibDir at most
// twice: first a staged merge of libDir's own files and the installation's (the installation's
// winning), then, when that copy failed, a clean copy of the installation. Throws IOException
// (kind Installation) when the folder still yields no class path; "Invalid source folder" at once,
// with libDir left as it is, when the installation's library cannot be listed; and the
// IOExceptions of the folder operations that put a repaired copy in place.
std::wstring createClasspathWithRecovery(const std::wstring& installLibDir, const std::wstring& libDir,
                                         LogfileWriter& log);

// The name of the file that marks a library folder as complete (written into every copy and every
// swapped-in folder before it takes its place).
extern const wchar_t kLibraryCompleteMarker[];

// Whether a library folder that an earlier launcher seeded in place (no marker) was cut short by
// an interrupted copy. Such a copy leaves one tell-tale: every file it holds is the installation's
// with the same size, except the one jar it was writing, which holds the start of the
// installation's jar (holdsStartOfInstalled(relative path) reads both files to tell). A library
// without such a jar (files removed or edited by the user, an update) is no cut copy and is kept.
// Files by relative path with their sizes, as copiedFilesBelow lists them. Never throws.
bool looksCutShort(const std::map<std::wstring, std::uint64_t>& installFiles,
                   const std::map<std::wstring, std::uint64_t>& libFiles,
                   const std::function<bool(const std::wstring& relativePath)>& holdsStartOfInstalled);

// Whether the file copied holds the start of the file installed and, where Windows had already
// set the size, zeros beyond: what an interrupted CopyFileW leaves. False for an equal file, a
// longer one, other bytes or a file that cannot be read. Never throws.
bool holdsStartOf(const std::wstring& installed, const std::wstring& copied);
