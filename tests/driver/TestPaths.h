#pragma once

#include <string>

namespace testdriver {

// Folder of the running test program (the build's bin folder), with a trailing backslash.
std::wstring binFolder();
// Full path of a program or test double built into the bin folder, e.g. L"tavrel-brivane.exe".
std::wstring builtFile(const std::wstring& relativePath);

}  // namespace testdriver
