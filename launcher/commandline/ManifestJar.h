#pragma once

#include <string>
#include <vector>

// A jar that holds nothing but a manifest whose Class-Path names the jars of a class path: the
// JVM then takes one short path on its command line instead of the whole list. Plain strings in,
// bytes out; writing the jar is the caller's.

// The jar's file name in the per-user application folder (outside lib, lib_new and lib_old, so it
// never becomes part of a class path nor of a library swap).
constexpr wchar_t kManifestJarName[] = L"classpath.jar";

// One path segment (UTF-8) as a URL path segment: ASCII letters, digits, "-", ".", "_" and "~"
// stay, every other byte becomes "%" and two upper-case hexadecimal digits. So blanks (which
// separate the Class-Path entries), "%", "#", "!", ";" and every byte beyond ASCII are escaped.
std::string urlPathSegment(const std::string& utf8Segment);

// One entry of the class path: its path and whether it is a folder (a class folder named like a
// jar, lib\x.jar\).
struct ManifestEntry {
    std::wstring path;
    bool folder = false;
};

// A class path entry as a Class-Path URL: relative to jarFolder (ending with a backslash) when the
// entry lies below it ("lib/ext/b.jar"), otherwise an absolute file URL ("file:/D:/x/b.jar",
// "file://server/share/b.jar"); a folder's URL ends with "/". Throws IOException when the path is
// no valid UTF-16 (a lone surrogate): UTF-8 cannot carry it.
std::string classPathUrl(const std::wstring& jarFolder, const ManifestEntry& entry);

// One manifest header ("Name: value", UTF-8, without line end) as manifest lines: at most 72
// bytes each, every further line starting with one blank, each ended by CR LF. A line is never
// broken inside a UTF-8 sequence. Never throws.
std::string manifestHeaderLines(const std::string& header);

// The manifest: "Manifest-Version: 1.0" and the Class-Path of every entry in its order (a ";" in a
// name is a character like any other), then the empty line that ends the main section. Throws
// IOException when a path cannot be converted to UTF-8.
std::string classPathManifest(const std::vector<ManifestEntry>& entries, const std::wstring& jarFolder);

// The whole jar: the folder META-INF/ and META-INF/MANIFEST.MF with classPathManifest, stored.
// Equal inputs give equal bytes. Throws as classPathManifest.
std::string manifestJarBytes(const std::vector<ManifestEntry>& entries, const std::wstring& jarFolder);
