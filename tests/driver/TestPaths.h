#pragma once

#include <string>

namespace testdriver {

// Folder of the running test program (the build's bin folder), with a trailing backslash.
std::wstring binFolder();
// Full path of a program or test double built into the bin folder, e.g. L"tavrel-brivane.exe".
std::wstring builtFile(const std::wstring& relativePath);
// The temporary folder (with a trailing backslash) + name.
std::wstring tempPath(const std::wstring& name);
// A shell folder of the running user (CSIDL_LOCAL_APPDATA, CSIDL_PERSONAL, ...), without trailing
// backslash, asked of the shell itself rather than of the code under test. Fails the calling test
// and answers "" when the shell has no such folder.
std::wstring shellFolder(int csidl);

}  // namespace testdriver
