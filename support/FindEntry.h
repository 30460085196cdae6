#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

// What a directory search (FindFirstFileW, FindNextFileW) reports about one entry, read in one
// place for every walk. None of these throws.

// True for a folder, a folder link included.
bool isFolderEntry(const WIN32_FIND_DATAW& entry);
// True for a reparse point: a junction, a directory or file symbolic link, a mount point. What it
// leads to may lie anywhere, an ancestor of the walk included, so no walk enters it.
bool isLinkEntry(const WIN32_FIND_DATAW& entry);
// True for "." and "..", for names beginning with a dot (tool folders such as ".svn") and for an
// empty name.
bool isDotNamed(const WIN32_FIND_DATAW& entry);
// True for "." and "..", the entries that name the listed folder and its parent.
bool isSelfOrParent(const WIN32_FIND_DATAW& entry);
// The entry's size from both 32-bit halves.
std::uint64_t entrySize(const WIN32_FIND_DATAW& entry);

// Whether a name that a search returned for pattern matches it by its long name. On volumes with
// short (8.3) names the search also matches the short name, so "*.jar" returns "client.jar_old"
// (short name CLIENT~1.JAR). A pattern whose last part after a dot holds no wildcard asks for
// names ending in that extension (ASCII letters compared without case, as in the patterns in
// use); any other pattern keeps every name.
bool matchesByLongName(const std::wstring& name, const std::wstring& pattern);
