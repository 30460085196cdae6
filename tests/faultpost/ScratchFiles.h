#pragma once

#include <string>

// File helpers of the mailer tests: plain Win32, so they behave alike on Windows and Wine.
namespace scratch {

// A new folder below %TEMP% named after the test program and tag, with a trailing backslash.
std::wstring makeTempFolder(const std::wstring& tag);
// Creates the folder and its missing parents (path with or without trailing backslash).
void makeFolders(const std::wstring& path);
// Creates or replaces the file with exactly these bytes.
void writeBytes(const std::wstring& path, const std::string& bytes);
// The bytes of a file; empty when it cannot be read.
std::string readBytes(const std::wstring& path);
// Deletes the folder with everything in it; a missing folder is fine.
void deleteTree(const std::wstring& path);

}  // namespace scratch
