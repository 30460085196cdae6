#pragma once

#include <string>

// Byte-exact file access and UTF-8 conversion for the tests: plain Win32, so they behave alike on
// Windows and under Wine. Paths are absolute; one of MAX_PATH or more is opened in its "\\?\" form.
namespace testdriver {

// text as UTF-8 bytes, and back. Also what failure messages and SCOPED_TRACE get.
std::string utf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& bytes);
// text in this process's ANSI code page: the form in which the stand-in MAPI library records the
// narrow texts handed to it, since the programs started from a test share the test's code page.
std::string ansi(const std::wstring& text);

// Whole content of a file; empty when it cannot be opened. Opened with read and write sharing, so
// a file that a running program still writes can be read.
std::string readBytes(const std::wstring& path);
// Creates or replaces the file with exactly these bytes, creating missing parent folders.
// Throws std::runtime_error when it cannot.
void writeBytes(const std::wstring& path, const std::string& bytes);
// Size in bytes asked of the file system without opening the file; -1 when missing.
long long fileSize(const std::wstring& path);

}  // namespace testdriver
