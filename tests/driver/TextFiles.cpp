#include "tests/driver/TextFiles.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include <windows.h>

#include "support/UniqueResource.h"
#include "tests/driver/ScratchFolder.h"

namespace testdriver {

namespace {

// The plain form keeps what Win32 does for it (forward slashes, "..") for the usual short path.
std::wstring openable(const std::wstring& path) {
    return path.size() < MAX_PATH ? path : longForm(path);
}

std::string encoded(UINT codePage, const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::string utf8(const std::wstring& text) {
    return encoded(CP_UTF8, text);
}

std::string ansi(const std::wstring& text) {
    return encoded(CP_ACP, text);
}

std::wstring fromUtf8(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
    return text;
}

std::string readBytes(const std::wstring& path) {
    const UniqueFileHandle file(::CreateFileW(openable(path).c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::string();
    std::string bytes;
    std::vector<char> buffer(1 << 16);
    DWORD done = 0;
    while (::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &done, nullptr) && done > 0) {
        bytes.append(buffer.data(), done);
    }
    return bytes;
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos && !exists(path.substr(0, slash))) makeFolders(path.substr(0, slash));
    const UniqueFileHandle file(::CreateFileW(openable(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot create " + utf8(path));
    size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1 << 20));
        DWORD done = 0;
        if (!::WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr) || done == 0) {
            throw std::runtime_error("cannot write " + utf8(path));
        }
        written += done;
    }
}

long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(openable(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace testdriver
