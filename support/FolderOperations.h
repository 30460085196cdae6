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
// Creates one level unless a folder is there already, also one that another program made a moment
// ago (two launchers of a double click on a new profile). Throws the error of createFolder when
// the folder is still missing (no parent, a file of that name, no rights).
void createMissingFolder(const std::wstring& path);
// Copies the contents of source into the existing target: files overwritten (read-only, hidden
// and system ones too), subfolders created (failing when one exists) and copied, dot-named
// subfolders and links left out. Throws IOException.
void copyFolder(const std::wstring& source, const std::wstring& target);
// copyFolder for a target that may already hold some of the source's subfolders: those are copied
// into instead of refused. Throws the IOExceptions of copyFolder otherwise.
void mergeFolderInto(const std::wstring& source, const std::wstring& target);
// The first folder of the tree that copyFolder would walk (folder itself or one of the subfolders
// it enters) whose contents cannot be listed; empty when every one can. Never throws.
std::wstring firstUnlistableFolder(const std::wstring& folder);
// The failure copyFolder raises when source cannot be listed: "Invalid source folder: <source>".
IOException invalidSourceFolder(const std::wstring& source);
// The failure copyFolder raises when a file cannot be copied: "The file <source file> can not be
// copied to <target file>."
IOException fileCopyFailure(const std::wstring& sourceFile, const std::wstring& targetFile);
// The files that copyFolder would copy from folder, by path relative to it ("ext\\b.jar"), with
// their sizes. A folder that cannot be listed counts as empty. Never throws IOException.
std::map<std::wstring, std::uint64_t> copiedFilesBelow(const std::wstring& folder);
// Deletes the folder tree at path (meant for folders: a file at path goes too, but tryDeleteFile is
// the call for a file), 10 attempts 300 ms apart; throws IOException "The folder <path> can
// not be deleted." after the last. Links (reparse points) are removed as links, never what they
// point to, and a folder that is itself a link is removed as a link. The shell deletes the trees
// it handles; a tree with a link or a path too long for the shell (MAX_PATH) inside is deleted
// entry by entry in the long-path form, and so is a tree the shell fails on (names such as
// "NUL.jar" or "b.jar." that only the long-path form reaches). An empty path is never deleted:
// every attempt fails.
void deleteFolder(const std::wstring& path);
// The same attempts as deleteFolder; false instead of the exception when the last one failed.
bool tryDeleteFolder(const std::wstring& path);
// Deletes the file at path, read-only or with a name only the long-path form reaches, with the
// attempts of deleteFolder. True once no file is there (also when there was none); false when
// the last attempt failed or path names a folder, which it leaves alone. Never throws.
bool tryDeleteFile(const std::wstring& path);
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
