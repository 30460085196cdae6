#pragma once

#include <cstdint>
#include <string>

// One entry that a walker reports. The strings belong to the walker and its caller and are valid
// only during the onEntry call: a callback that keeps a path copies it.
class FileDescription {
public:
    FileDescription(const std::wstring& baseFolder, const std::wstring& relativeFolder,
                    const std::wstring& name, std::uint64_t size, bool firstInFolder)
        : baseFolder(baseFolder), relativeFolder(relativeFolder), name(name), size(size),
          firstInFolder(firstInFolder), stopRequested(false) {}
    virtual ~FileDescription() = default;

    std::wstring fullPath() const { return baseFolder + relativeFolder + name; }

    const std::wstring& baseFolder;      // as the caller passed it, with trailing backslash
    const std::wstring& relativeFolder;  // "" or folder names each followed by a backslash
    const std::wstring& name;
    std::uint64_t size;
    bool firstInFolder;  // first entry of one FileEnumerator listing
    bool stopRequested;  // set by the callback to end the walk
};
