#include "tests/faultpost/ScratchFiles.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include <windows.h>

#include "support/UniqueResource.h"

namespace scratch {

namespace {

std::wstring withoutTrailingBackslash(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

}  // namespace

std::wstring makeTempFolder(const std::wstring& tag) {
    wchar_t temp[MAX_PATH + 1] = {};
    if (::GetTempPathW(MAX_PATH + 1, temp) == 0) throw std::runtime_error("GetTempPathW failed");
    const std::wstring folder = std::wstring(temp) + L"faultpost-" + tag + L"-" +
                                std::to_wstring(::GetCurrentProcessId()) + L"\\";
    deleteTree(folder);
    makeFolders(folder);
    return folder;
}

void makeFolders(const std::wstring& path) {
    const std::wstring folder = withoutTrailingBackslash(path);
    if (::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    const size_t parentEnd = folder.find_last_of(L'\\');
    if (parentEnd != std::wstring::npos && parentEnd > 2) makeFolders(folder.substr(0, parentEnd));
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        throw std::runtime_error("cannot create " + narrow(folder));
    }
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot create " + narrow(path));
    size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1 << 20));
        DWORD done = 0;
        if (!::WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr) || done == 0) {
            throw std::runtime_error("cannot write " + narrow(path));
        }
        written += done;
    }
}

std::string readBytes(const std::wstring& path) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::string();
    std::string bytes;
    std::vector<char> buffer(1 << 16);
    DWORD done = 0;
    while (::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &done, nullptr) && done > 0) {
        bytes.append(buffer.data(), done);
    }
    return bytes;
}

void deleteTree(const std::wstring& path) {
    const std::wstring folder = withoutTrailingBackslash(path);
    WIN32_FIND_DATAW entry;
    {
        const UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
        if (search) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = folder + L"\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    deleteTree(child);
                } else {
                    ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileW(child.c_str());
                }
            } while (::FindNextFileW(search.get(), &entry));
        }
    }
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace scratch
