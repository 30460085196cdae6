#include "launcher/ApplicationFolderLock.h"

#include <cstdint>

#include <windows.h>

#include "support/AsciiCase.h"

namespace {

constexpr DWORD kLockWaitMs = 10000;

}  // namespace

std::wstring applicationFolderMutexName(const std::wstring& folder) {
    // FNV-1a over the UTF-16 units: short, fixed-length and the same in every process.
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const wchar_t unit : folder) {
        hash ^= static_cast<std::uint16_t>(lowerAsciiLetter(unit));
        hash *= 0x100000001B3ull;
    }
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring name = L"Local\\tavrel-brivane-folder-";
    for (int shift = 60; shift >= 0; shift -= 4) name += kDigits[(hash >> shift) & 0x0F];
    return name;
}

ApplicationFolderLock::ApplicationFolderLock(const std::wstring& folder) : held_(false) {
    // The session's namespace: the launchers of one user run in one session, and no other
    // user can take the name away.
    mutex_.reset(::CreateMutexW(nullptr, FALSE, applicationFolderMutexName(folder).c_str()));
    if (!mutex_) return;
    // An abandoned mutex is held all the same: its launcher died, and the work it guards leaves
    // nothing half done behind.
    const DWORD wait = ::WaitForSingleObject(mutex_.get(), kLockWaitMs);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

ApplicationFolderLock::~ApplicationFolderLock() {
    if (held_) ::ReleaseMutex(mutex_.get());
}
