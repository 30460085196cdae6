#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "support/IOException.h"

// Whole-folder operations on paths without a trailing backslash. Failures throw IOException of
// kind Resource unless the caller passes another kind; the tests never throw.

// True when the path names an existing folder.
bool isDirectory(const std::wstring& path);
// True when the path names an existing entry that is not a folder.
bool isFile(const std::wstring& path);
// True when the path names a link: a reparse point whose tag is a name surrogate (junction,
// symbolic link, mount point), as isLinkReparsePoint decides. A compressed, deduplicated or cloud
// file or folder is no link.
bool isLink(const std::wstring& path);
// Creates one level. Throws "The folder <path> can not be created." (also when it exists).
void createFolder(const std::wstring& path);
// Copies the contents of source into the existing target: files overwritten (read-only, hidden
// and system ones too), subfolders created (failing when one exists) and copied, dot-named
// subfolders and links left out. Throws IOException.
void copyFolder(const std::wstring& source, const std::wstring& target);
// The failure copyFolder raises when source cannot be listed: "Invalid source folder: <source>".
IOException invalidSourceFolder(const std::wstring& source);
// The files that copyFolder would copy from folder, by path relative to it ("ext\\b.jar"), with
// their sizes. A folder that cannot be listed counts as empty. Never throws IOException.
std::map<std::wstring, std::uint64_t> copiedFilesBelow(const std::wstring& folder);
// Deletes the folder tree, 10 attempts 300 ms apart; throws IOException "The folder <path> can
// not be deleted." after the last. Links (reparse points) are removed as links, never what they
// point to, and a folder that is itself a link is removed as a link. The shell deletes the trees
// it handles; a tree with a link or a path too long for the shell (MAX_PATH) inside is deleted
// entry by entry in the long-path form, and so is a tree the shell fails on (names such as
// "NUL.jar" or "b.jar." that only the long-path form reaches). A file at path is deleted too. An
// empty path is never deleted: every attempt fails.
void deleteFolder(const std::wstring& path);
// The same attempts as deleteFolder; false instead of the exception when the last one failed.
bool tryDeleteFolder(const std::wstring& path);
// Moves source to target, 10 attempts 300 ms apart; throws IOException of the given kind.
void renameFolder(const std::wstring& source, const std::wstring& target, IOException::Kind errorKind);
// Removes the folder if it is empty; never throws.
bool removeEmptyFolder(const std::wstring& path);

// The form of a full path that lifts the MAX_PATH limit of the file functions: "C:\a" becomes
// "\\?\C:\a", "\\server\share\a" becomes "\\?\UNC\server\share\a"; a path already in that form
// or a device path ("\\.\") stays as it is. Never throws.
std::wstring longPathForm(const std::wstring& fullPath);
// The long-path form of a file's full path, for opening a file found by a search: the folder part
// is resolved against the current folder and the last part is kept as a name, so "aux.log" or
// "com1.log" is the file of that name, never the device AUX or COM1 that the plain path would
// open. The path as it stands when its folder cannot be resolved. Never throws.
std::wstring longPathOfFile(const std::wstring& path);
