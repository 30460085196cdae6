#pragma once

#include <initializer_list>
#include <string>

// Scratch folders and folder trees for the tests. Long paths work throughout.
namespace testdriver {

// A fresh, empty folder below the temporary folder for one test, removed with everything in it
// when the test ends. Its name starts with the tag, so a non-ASCII tag makes every path below it
// non-ASCII. path() has no trailing backslash.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& tag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    // path() + "\" + relative.
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

// path with the "\\?\" prefix that lifts the MAX_PATH limit.
std::wstring longForm(const std::wstring& path);
// True when a file or folder exists at path.
bool exists(const std::wstring& path);
// Creates every missing folder of path (with or without trailing backslash); failures are ignored.
void makeFolders(const std::wstring& path);
// Removes path and everything below it, read-only files included, links as links; failures are
// ignored.
void removeTree(const std::wstring& path);
// Creates files and folders below root: an entry ending with a backslash is a folder, any other a
// file holding its own relative path as UTF-8 text. Missing parent folders are created.
void makeTree(const std::wstring& root, std::initializer_list<std::wstring> entries);

}  // namespace testdriver
