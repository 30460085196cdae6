#pragma once

#include <string>

// Whole-folder operations on paths without a trailing backslash. Failures throw IOException of
// kind Resource unless the caller passes another kind; the tests never throw.

// True when the path names an existing folder.
bool isDirectory(const std::wstring& path);
// True when the path names an existing entry that is not a folder.
bool isFile(const std::wstring& path);
// Creates one level. Throws "The folder <path> can not be created." (also when it exists).
void createFolder(const std::wstring& path);
// Copies the contents of source into the existing target: files overwritten, subfolders created
// (failing when one exists) and copied, dot-named subfolders left out. Throws IOException.
void copyFolder(const std::wstring& source, const std::wstring& target);
// Deletes the folder tree through the shell, 10 attempts 300 ms apart. Throws IOException. A tree
// holding a path of MAX_PATH characters or more (or an empty path) is never handed to the shell:
// every attempt fails and the delete error follows.
void deleteFolder(const std::wstring& path);
// Moves source to target, 10 attempts 300 ms apart; throws IOException of the given kind.
void renameFolder(const std::wstring& source, const std::wstring& target, int errorKind);
// Removes the folder if it is empty; never throws.
bool removeEmptyFolder(const std::wstring& path);
