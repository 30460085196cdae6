#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

// What a directory search (FindFirstFileW, FindNextFileW) reports about one entry, read in one
// place for every walk. None of these throws.

// True for a folder, a folder link included.
bool isFolderEntry(const WIN32_FIND_DATAW& entry);
// Whether a file or folder with these attributes and this reparse tag is a link: a reparse point
// whose tag is a name surrogate (symbolic link, junction, mount point). What a link leads to may
// lie anywhere, an ancestor of a walk included, so no walk enters it and no copy or delete goes
// through it. Other reparse points are plain files and folders: compressed (WOF), deduplicated
// and cloud files carry the attribute too. Tag 0 with the attribute counts as a link, the safe
// side: Wine lists a Linux link to a folder that way. The one decision for both inputs below.
bool isLinkReparsePoint(DWORD attributes, DWORD reparseTag);
// isLinkReparsePoint for a search result, whose tag is in dwReserved0.
bool isLinkEntry(const WIN32_FIND_DATAW& entry);
// isLinkReparsePoint for what GetFileInformationByHandleEx(FileAttributeTagInfo) tells of a handle.
bool isLinkTagInfo(const FILE_ATTRIBUTE_TAG_INFO& information);
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
