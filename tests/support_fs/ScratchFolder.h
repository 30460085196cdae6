#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace supportfs {

// A fresh folder below the temporary folder, removed with everything in it at the end of the
// test, long paths included. path() has no trailing backslash.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    // path() + "\" + relative.
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

// Creates files and folders below root: an entry ending with a backslash is a folder, any other a
// file holding its own relative path as text. Missing parent folders are created. Long paths work.
void makeTree(const std::wstring& root, std::initializer_list<std::wstring> entries);
void writeFile(const std::wstring& path, const std::string& bytes);
// The file's bytes, or "<missing>" when it cannot be opened.
std::string readFile(const std::wstring& path);
// Creates every missing folder of path (long paths included).
void makeFolders(const std::wstring& path);
// Removes path and everything below it, ignoring failures (long paths included).
void removeTree(const std::wstring& path);
// path with the "\\?\" prefix that lifts the MAX_PATH limit.
std::wstring longForm(const std::wstring& path);
// True when the path exists (checked through the long form).
bool exists(const std::wstring& path);

std::string narrow(const std::wstring& text);

}  // namespace supportfs
