#pragma once

#include <string>

class FileEnumeratorCallback;

// Reports the entries matching a pattern inside a folder tree, deepest folders first and the
// base folder's own matches last. Dot-named folders and links (isLinkEntry) are never entered;
// matches are not filtered by attribute, and count by their long names only. A folder that cannot
// be listed counts as empty. Throws only what onEntry throws.
class FileEnumerator {
public:
    virtual ~FileEnumerator() = default;
    // baseFolder must end with a backslash.
    void enumerate(const std::wstring& baseFolder, const std::wstring& pattern,
                   FileEnumeratorCallback& callback, bool recursive);

private:
    void walkFolders(const std::wstring& base, const std::wstring& relative, const std::wstring& pattern);
    void listFiles(const std::wstring& base, const std::wstring& relative, const std::wstring& pattern);

    FileEnumeratorCallback* callback_ = nullptr;
    bool continue_ = true;
};
