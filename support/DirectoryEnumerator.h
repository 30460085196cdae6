#pragma once

#include <string>

class FileEnumeratorCallback;

// Reports the folders matching a pattern, each before the matching folders inside it (the same
// pattern at every depth, matched by long names only); dot-named folders and folder links
// (isLinkEntry) are never reported nor entered. Throws only what onEntry throws.
class DirectoryEnumerator {
public:
    virtual ~DirectoryEnumerator() = default;
    // baseFolder must end with a backslash.
    void enumerate(const std::wstring& baseFolder, const std::wstring& pattern,
                   FileEnumeratorCallback& callback, bool recursive);

private:
    void listFolders(const std::wstring& base, const std::wstring& pattern, const std::wstring& relative);

    FileEnumeratorCallback* callback_ = nullptr;
    bool recursive_ = false;
    bool continue_ = true;
};
