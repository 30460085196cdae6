#include "tests/driver/Links.h"

#include <cstring>
#include <functional>
#include <vector>

#include <windows.h>
#include <winioctl.h>

#include "support/FolderOperations.h"
#include "support/UniqueResource.h"
#include "tests/driver/Process.h"

namespace testdriver {

namespace {

// Not in every SDK's headers for the Windows 7 target.
constexpr DWORD kSymbolicLinkAllowUnprivilegedCreate = 0x2;
constexpr DWORD kLinuxCommandTimeoutMs = 10000;

using UnixFileName = char*(__cdecl*)(const wchar_t*);

// Wine's kernel32 maps a Windows path to the Linux one; Windows has no such export.
UnixFileName wineUnixFileName() {
    return reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::wstring unixPath(UnixFileName toUnix, const std::wstring& path) {
    char* const name = toUnix(path.c_str());
    if (!name) return std::wstring();
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(units > 0 ? units : 1), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, name, -1, &wide[0], units);
    wide.resize(wide.size() - 1);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return wide;
}

bool waitUntil(const std::function<bool()>& condition) {
    const ULONGLONG deadline = ::GetTickCount64() + kLinuxCommandTimeoutMs;
    while (!condition()) {
        if (::GetTickCount64() > deadline) return false;
        ::Sleep(10);
    }
    return true;
}

// A Linux program started from Wine runs detached: its handle cannot be waited for, so the
// caller waits for its effect instead.
bool runLinux(const std::wstring& commandLine, const std::function<bool()>& done) {
    try {
        const Process command(commandLine);
        return waitUntil(done);
    } catch (const std::exception&) {
        return false;
    }
}

// A junction: a mount-point reparse point that needs no privilege on Windows.
bool makeJunction(const std::wstring& link, const std::wstring& target) {
    if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
    const UniqueFileHandle folder(::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) return false;
    const std::wstring substitute = L"\\??\\" + target;
    const USHORT substituteBytes = static_cast<USHORT>(substitute.size() * sizeof(wchar_t));
    const USHORT printBytes = static_cast<USHORT>(target.size() * sizeof(wchar_t));
    // Tag, data length, reserved, four name offsets and lengths, then both names with terminators.
    const USHORT dataBytes = static_cast<USHORT>(8 + substituteBytes + 2 + printBytes + 2);
    std::vector<unsigned char> buffer(8 + dataBytes, 0);
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    const USHORT header[] = {dataBytes, 0, 0, substituteBytes, static_cast<USHORT>(substituteBytes + 2), printBytes};
    std::memcpy(buffer.data(), &tag, 4);
    std::memcpy(buffer.data() + 4, header, sizeof header);
    std::memcpy(buffer.data() + 16, substitute.c_str(), substituteBytes);
    std::memcpy(buffer.data() + 16 + substituteBytes + 2, target.c_str(), printBytes);
    DWORD returned = 0;
    return ::DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                             nullptr, 0, &returned, nullptr) != FALSE;
}

}  // namespace

bool makeFolderLink(const std::wstring& link, const std::wstring& target) {
    if (const UnixFileName toUnix = wineUnixFileName()) {
        const std::wstring from = unixPath(toUnix, target);
        const std::wstring to = unixPath(toUnix, link);
        if (from.empty() || to.empty()) return false;
        return runLinux(L"/bin/ln -s \"" + from + L"\" \"" + to + L"\"", [&] { return isLink(link); });
    }
    if (::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                              SYMBOLIC_LINK_FLAG_DIRECTORY | kSymbolicLinkAllowUnprivilegedCreate) &&
        isLink(link)) {
        return true;
    }
    ::RemoveDirectoryW(link.c_str());
    return makeJunction(link, target) && isLink(link);
}

void removeLink(const std::wstring& link) {
    if (const UnixFileName toUnix = wineUnixFileName()) {
        const std::wstring path = unixPath(toUnix, link);
        if (!path.empty()) runLinux(L"/bin/rm -f \"" + path + L"\"", [&] { return !isLink(link); });
        return;
    }
    // On Windows RemoveDirectoryW removes a directory link or junction itself.
    ::RemoveDirectoryW(link.c_str());
}

}  // namespace testdriver
