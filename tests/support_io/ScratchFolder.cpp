#include "tests/support_io/ScratchFolder.h"

#include <cstdio>
#include <stdexcept>

#include <windows.h>

#include "support/UniqueResource.h"

namespace supportio {

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
    static unsigned counter = 0;
    path_ = std::wstring(temp, length) + L"support_io_Zürich_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter) + L"\\";
    if (!::CreateDirectoryW(path_.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        throw std::runtime_error("cannot create the scratch folder");
    }
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle search(::FindFirstFileW((path_ + L"*").c_str(), &entry));
    if (search) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                ::RemoveDirectoryW((path_ + name).c_str());
            } else {
                ::DeleteFileW((path_ + name).c_str());
            }
        } while (::FindNextFileW(search.get(), &entry));
    }
    ::RemoveDirectoryW(path_.c_str());
}

std::string readBytes(const std::wstring& path) {
    const UniqueCrtFile file(::_wfopen(path.c_str(), L"rb"));
    if (!file) return {};
    std::string bytes;
    char block[4096];
    std::size_t count = 0;
    while ((count = std::fread(block, 1, sizeof block, file.get())) > 0) bytes.append(block, count);
    return bytes;
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    const UniqueCrtFile file(::_wfopen(path.c_str(), L"wb"));
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        throw std::runtime_error("cannot write a test file");
    }
}

long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace supportio
