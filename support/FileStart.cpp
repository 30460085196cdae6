#include "support/FileStart.h"

#include <algorithm>

#include <windows.h>

#include "support/UniqueResource.h"

bool tryReadFileStart(const std::wstring& path, std::size_t limit, std::string& bytes) {
    bytes.clear();
    // Shared with writers and deleters too: the file may belong to a program that is running.
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[4096];
    while (bytes.size() < limit) {
        const DWORD wanted = static_cast<DWORD>(std::min(sizeof(buffer), limit - bytes.size()));
        DWORD count = 0;
        if (!::ReadFile(file.get(), buffer, wanted, &count, nullptr)) return false;
        if (count == 0) break;
        bytes.append(buffer, count);
    }
    return true;
}
