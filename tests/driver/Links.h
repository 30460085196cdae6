#pragma once

#include <string>

// Folder links (directory reparse points) for the tests of walks and deletes, made and removed
// in one place, since neither works the same way on Windows and under Wine.
namespace testdriver {

// Makes link a folder link to the existing folder target (both full paths). Windows: a directory
// symbolic link where the user may create one, else a junction. Wine 8 makes neither (its
// CreateSymbolicLinkW answers success and creates nothing), so there a Linux symbolic link is
// made with ln -s, which the programs in the prefix see as a directory reparse point (attributes
// 0x410). True when link then shows as a folder link (isLink of the folder operations).
bool makeFolderLink(const std::wstring& link, const std::wstring& target);

// Removes the link itself, never its target. Under Wine 8 every Win32 call on a Linux link acts
// on the target (RemoveDirectoryW removes an empty target), so it is removed from the Linux side.
// Failures are ignored.
void removeLink(const std::wstring& link);

}  // namespace testdriver
