#include "tests/support_fs/ScratchFolder.h"

#include <atomic>
#include <string>

#include <windows.h>

#include "support/UniqueResource.h"

namespace supportfs {

std::wstring longForm(const std::wstring& path) {
    return path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path;
}

bool exists(const std::wstring& path) {
    return ::GetFileAttributesW(longForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp) + L"brivane_fs_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter) + L"_" + std::to_wstring(::GetTickCount());
    makeFolders(path_);
}

ScratchFolder::~ScratchFolder() {
    removeTree(path_);
}

void makeFolders(const std::wstring& path) {
    const std::wstring full = longForm(path);
    // Start after "\\?\C:\" so the drive is never created.
    for (size_t slash = full.find(L'\\', 7); slash != std::wstring::npos; slash = full.find(L'\\', slash + 1)) {
        ::CreateDirectoryW(full.substr(0, slash).c_str(), nullptr);
    }
    ::CreateDirectoryW(full.c_str(), nullptr);
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    const UniqueFileHandle file(::CreateFileW(longForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string readFile(const std::wstring& path) {
    const UniqueFileHandle file(::CreateFileW(longForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr,
                          nullptr);
    return result;
}

void makeTree(const std::wstring& root, std::initializer_list<std::wstring> entries) {
    for (const std::wstring& entry : entries) {
        const std::wstring path = root + L"\\" + entry;
        if (!entry.empty() && entry.back() == L'\\') {
            makeFolders(path.substr(0, path.size() - 1));
        } else {
            const size_t slash = path.find_last_of(L'\\');
            makeFolders(path.substr(0, slash));
            writeFile(path, narrow(entry));
        }
    }
}

void removeTree(const std::wstring& path) {
    std::wstring full = longForm(path);
    while (!full.empty() && full.back() == L'\\') full.pop_back();
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(full.c_str());
        return;
    }
    WIN32_FIND_DATAW entry;
    {
        const UniqueFindHandle search(::FindFirstFileW((full + L"\\*").c_str(), &entry));
        if (search) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") removeTree(full + L"\\" + name);
            } while (::FindNextFileW(search.get(), &entry));
        }
    }
    ::RemoveDirectoryW(full.c_str());
}

}  // namespace supportfs
