#pragma once

#include <string>

namespace supportio {

// A fresh, empty folder under the temporary folder for one test; removed with its files when the
// test ends. Its name contains an umlaut so that every path in these tests is non-ASCII.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();

    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Folder path with a trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

// Whole content of a file as bytes (the file must not be held exclusively); empty when missing.
std::string readBytes(const std::wstring& path);
// Creates or replaces a file with the given bytes.
void writeBytes(const std::wstring& path, const std::string& bytes);
// Size in bytes asked of the file system without opening the file; -1 when missing.
long long fileSize(const std::wstring& path);

}  // namespace supportio
